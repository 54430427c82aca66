// The default browser and mail client on both backends: the program the open command
// names, and in which order; labels and names; Explorer's path measured expanded,
// Navigator named by the folder its path lies in; mailer paths counted unexpanded; the
// groupware's code; and the recorded state of the program named.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "../frame/two_calls.h"
#include "frame/exports.h"
#include "install/branches.h"
#include "test_machine.h"
#ifndef _WIN32
#include "tools/winsim/core/machine.h"
#endif

namespace {

const std::string kLM = "HKEY_LOCAL_MACHINE\\Software\\", kHttp = kLM + "Classes\\http\\shell\\open\\command",
                  kMailto = kLM + "Classes\\mailto\\shell\\open\\command",
                  kNetscape = kLM + "Netscape\\Netscape Navigator\\",
                  kAppPaths = kLM + "Microsoft\\Windows\\CurrentVersion\\App Paths\\",
                  kStates = "HKEY_CURRENT_USER\\SOFTWARE\\Arvelle\\Zentho V4\\ApplTrans\\";
const Answer kNoCommand = {-1, ""}, kNoProgram = {-2, ""};

TEST(DefaultBrowser, NamesAndPathsByCommand) {
    TestMachine m;
    const std::string r = TestMachine::Root(), ie = r + "\\IE55\\IEXPLORE.EXE", ns = "\\Program\\netscape.exe";
    const std::string folder = r + "\\Internet Explorer Folder\\iexplore.exe", communicator = "C:\\Communicator" + ns;
    m.WriteExe(ie, 5, 50);
    m.WriteExe(r + "\\IE401\\IEXPLORE.EXE", 4, 72);
    m.WriteExe(r + "\\IE3\\IEXPLORE.EXE", 3, 2);
    m.WriteExe(folder, 6, 0);
    m.SetEnv("ZT_IE", r + "\\Internet Explorer Folder");
    for (const char* version : {"4.7 (en)", "4.76 (en)"})
        m.SetString(kNetscape + version + "\\Main", "Install Directory", "C:\\Communicator");
    m.SetString(kNetscape + "4.8\\Main", "Install Directory", "C:\\Other");
    m.SetString(kNetscape + "4.5\\Main", "Install Directory", "");  // the folder of a path that is only the tail
    // What the command is ("-": none), what GetDefaultBrowser and GetDefaultBrowserPath answer.
    const std::tuple<const char*, std::string, Answer, Answer> rows[] = {
        {"Explorer, quoted", '"' + ie + "\" -nohome", Text("Microsoft Internet Explorer 5.5"), Text('"' + ie + '"')},
        {"Explorer, the name ending the command: lower case", r + "\\IE401\\IEXPLORE.EXE",
         Text("Microsoft Internet Explorer 4.01"), Text("c:\\zt\\ie401\\iexplore.exe")},
        {"Explorer without label", r + "\\IE3\\IEXPLORE.EXE -k", kNoProgram, Text(r + "\\IE3\\IEXPLORE.EXE")},
        {"Explorer where a blank follows, expanded", "%ZT_IE%\\iexplore.exeX %ZT_IE%\\iexplore.exe -k", kNoProgram,
         Text(folder + "X " + folder)},
        {"Navigator before Explorer, the greatest in its folder", communicator + " -url \"%1\" C:\\IE\\iexplore.exe",
         Text("Netscape Navigator 4.76 (en)", 1), Text(communicator)},
        {"Navigator's path as written", "%ZT%\\Communicator" + ns + " %1", kNoProgram, Text("%ZT%\\Communicator" + ns)},
        {"Navigator's folder in other case", "C:\\COMMUNICATOR" + ns + " %1", kNoProgram,
         Text("C:\\COMMUNICATOR" + ns)},
        {"Navigator's path shorter than its tail", "c:\\x\\netscape.exe", kNoProgram, Text("c:\\x\\netscape.exe")},
        {"Navigator's path only its tail", ns, kNoProgram, Text("\\program\\netscape.exe")},
        {"neither browser", "C:\\Opera\\opera.exe \"%1\"", kNoProgram, kNoProgram},
        {"no command", "-", kNoCommand, kNoCommand},
    };
    for (const auto& [what, command, browser, path] : rows) {
        m.DeleteTree(kLM + "Classes\\http");  // Wine registers a browser of its own
        if (command != "-") m.SetString(kHttp, "", command);
        EXPECT_EQ(Ask(GetDefaultBrowser), browser) << what;
        EXPECT_EQ(Ask(GetDefaultBrowserPath), path) << what;
    }
}

TEST(DefaultBrowser, ABrowserNamedOnceOnlyAnswersTheStateReadBefore) {
#ifdef _WIN32
    GTEST_SKIP() << "only the simulated registry fails on demand";
#else
    TestMachine m;
    const std::string ie = TestMachine::Root() + "\\IEXPLORE.EXE";
    m.WriteExe(ie, 5, 50);
    m.SetString(kAppPaths + "IEXPLORE.EXE", "", ie);
    m.SetString(kHttp, "", ie);
    m.SetString(kStates + "BrwsTrans\\IE", "applname", "Microsoft Internet Explorer 5.5");
    m.SetDword(kStates + "BrwsTrans\\IE", "Trans", 1);
    sim::Machine& machine = *m.machine();
    const size_t before = machine.Operations(sim::FaultKind::kRegistry);
    ASSERT_EQ(GetDefaultBrowserState(), 1);
    // The setter reads the state as that call did, then names the browser again: the
    // first registry call of that fails, and the browser cannot be named.
    machine.InjectFault(sim::FaultKind::kRegistry, machine.Operations(sim::FaultKind::kRegistry) - before + 1);
    EXPECT_EQ(SetDefaultBrowserState(0), 1);
    EXPECT_EQ(machine.FaultsInjected(), 1u);
    EXPECT_EQ(GetDefaultBrowserState(), 1) << "nothing switched";
#endif
}

TEST(DefaultMailer, NamesByProgramAndVersion) {
    // The program's file, its version, the name; its path is the command's, quoted.
    const std::tuple<const char*, uint16_t, uint16_t, uint16_t, Answer> rows[] = {
        {"Office\\OUTLOOK.EXE", 8, 0, 0, Text("Microsoft Outlook 97?")},
        {"Office\\OUTLOOK.EXE", 8, 5, 0, Text("Microsoft Outlook 98")},
        {"Office\\OUTLOOK.EXE", 9, 0, 0, Text("Microsoft Outlook 2000")},
        {"Office\\OUTLOOK.EXE", 10, 0, 0, Text("Microsoft Outlook XP")},
        {"Office\\OUTLOOK.EXE", 11, 0, 0, kNoProgram},
        {"OE\\msimn.exe", 5, 50, 0, Text("Microsoft Outlook Express 5.5")},
        {"OE\\msimn.exe", 6, 0, 0, Text("Microsoft Outlook Express 6")},
        {"Eudora\\Eudora.exe", 4, 3, 2, Text("Qualcomm Eudora Pro  4.3.2")},
        {"Quillon\\Quillon.exe", 1, 2, 3, Text("Quillon 1.2.3")},
        {"Sarvin\\Corvane.exe", 5, 0, 0, {-4, ""}},  // the groupware: its path is not looked for
    };
    TestMachine m;
    const std::string r = TestMachine::Root();
    for (const auto& [file, major, minor, build, name] : rows) {
        const std::string quoted = "\"" + r + "\\" + file + "\"";
        m.WriteExe(r + "\\" + file, major, minor, build);
        m.SetString(kMailto, "", quoted + " /mailurl:%1");
        EXPECT_EQ(Ask(GetDefaultMailer), name) << file << " " << major << "." << minor;
        EXPECT_EQ(Ask(GetDefaultMailerPath), (name.result == -4 ? kNoProgram : Text(quoted))) << file;
    }
    m.SetEnv("ZT_MAIL", r + "\\Mail Programs");
    m.SetString(kMailto, "", "%ZT_MAIL%\\msimn.exe /mailurl:%1");
    EXPECT_EQ(Ask(GetDefaultMailerPath), (Answer{19, r + "\\Mail Programs\\msimn.exe"})) << "counted unexpanded";
    m.DeleteTree(kLM + "Classes\\mailto");  // Wine registers a mailer of its own
    EXPECT_EQ(Ask(GetDefaultMailer), kNoCommand) << "no command";
}

std::vector<unsigned int> g_switched;

TEST(DefaultPrograms, StateIsThatOfTheProgramNamed) {
    TestMachine m;
    const std::string r = TestMachine::Root();
    for (const char* exe : {"IEXPLORE.EXE", "msimn.exe", "Eudora.exe", "quillon.exe"})
        m.SetString(kAppPaths + exe, "", r + "\\" + exe);
    m.WriteExe(r + "\\IEXPLORE.EXE", 5, 50);
    m.WriteExe(r + "\\msimn.exe", 5, 50);
    m.WriteExe(r + "\\Eudora.exe", 4, 3, 2);
    m.WriteExe(r + "\\quillon.exe", 1, 2, 3);
    m.WriteExe(r + "\\OUTLOOK.EXE", 9, 0);
    m.SetString(kLM + "Microsoft\\Office\\9.0\\Outlook\\InstallRoot", "Path", r);
    m.SetString(kNetscape + "4.76 (en)\\Main", "Install Directory", r);
    // Browser (or mailer), its program, then the AppId of its state (0: none), the state's
    // key and the name recorded there. Outlook Express comes before Outlook, whose name
    // begins the same way; the groupware has no state.
    const std::tuple<bool, const char*, unsigned int, const char*, const char*> rows[] = {
        {true, "IEXPLORE.EXE", 0x101, "BrwsTrans\\IE", "Microsoft Internet Explorer 5.5"},
        {true, "Program\\netscape.exe", 0x102, "BrwsTrans\\NS", "Netscape Navigator 4.76 (en)"},
        {true, "opera.exe", 0, nullptr, nullptr},
        {false, "msimn.exe", 0x201, "MailTrans\\OE", "Microsoft Outlook Express 5.5"},
        {false, "OUTLOOK.EXE", 0x202, "MailTrans\\OL", "Microsoft Outlook 2000"},
        {false, "netscape.exe", 0x204, "MailTrans\\NM", "Netscape Messenger 4.76 (en)"},
        {false, "Eudora.exe", 0x208, "MailTrans\\EP", "Qualcomm Eudora Pro  4.3.2"},
        {false, "quillon.exe", 0x210, "MailTrans\\QL", "Quillon 1.2.3"},
        {false, "corvane.exe", 0, nullptr, nullptr},
    };
    install::SetUpdateObserver([](unsigned int appId, int, int) { g_switched.push_back(appId); });
    for (const auto& [browser, program, appId, key, applname] : rows) {
        m.SetString(browser ? kHttp : kMailto, "", r + "\\" + program + " %1");
        if (key) m.SetString(kStates + key, "applname", applname);
        if (key) m.SetDword(kStates + key, "Trans", 1);
        const auto get = browser ? GetDefaultBrowserState : GetDefaultMailerState;
        const auto set = browser ? SetDefaultBrowserState : SetDefaultMailerState;
        g_switched.clear();
        EXPECT_EQ(get(), appId ? 1 : 0) << program;
        EXPECT_EQ(set(0), appId ? 1 : 0) << program << ": the state before";
        EXPECT_EQ(get(), 0) << program;
        EXPECT_EQ(g_switched, (appId ? std::vector<unsigned int>{appId} : std::vector<unsigned int>{}))
            << program << ": the AppIds the installer switched";
    }
    install::SetUpdateObserver(nullptr);
}

}  // namespace
