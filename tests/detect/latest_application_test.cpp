// The text exports on both backends: Internet Explorer's labels; names and paths from
// App Paths, Netscape's and Adobe's keys; AppIds that find nothing; versions in either
// key order; unreadable versions; hostile values; the sample machine's applications.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "../frame/two_calls.h"
#include "frame/exports.h"
#include "test_machine.h"
#ifndef _WIN32
#include "catalogue/catalogue.h"
#include "platform/os/sim/machine.h"
#include "platform/os/sim/machine_folder.h"
#endif

namespace {

const std::string kLM = "HKEY_LOCAL_MACHINE\\Software\\", kAdobe = kLM + "Adobe\\",
                  kAppPaths = kLM + "Microsoft\\Windows\\CurrentVersion\\App Paths\\",
                  kNetscape = kLM + "Netscape\\Netscape Navigator\\";
const Answer kNone = {-3, ""};

Answer Name(unsigned int id) {
    return Ask([=](char* b) { return GetLatestApplicationName(id, b); });
}
Answer Path(unsigned int id) {
    return Ask([=](char* b) { return GetLatestApplicationPath(id, b); });
}

TEST(LatestApplication, InternetExplorerLabels) {
    const std::string ie = "Microsoft Internet Explorer ";
    const std::tuple<uint16_t, uint16_t, Answer> rows[] = {{5, 50, Text(ie + "5.5")},
                                                           {4, 72, Text(ie + "4.01")},
                                                           {4, 70, Text(ie + "3")},
                                                           {4, 71, Text(ie + "4")},
                                                           {5, 0, Text(ie + "5")},
                                                           {5, 1, Text(ie + "5.x")},
                                                           {6, 0, Text(ie + "6")},
                                                           {8, 0, Text(ie + "7\x88\xc8\x8f\xe3")},
                                                           {4, 0, kNone},
                                                           {3, 2, kNone}};
    TestMachine m;
    const std::string exe = TestMachine::Root() + "\\IE\\IEXPLORE.EXE";
    m.SetString(kAppPaths + "IEXPLORE.EXE", "", exe);
    for (const auto& [major, minor, name] : rows) {
        m.WriteExe(exe, major, minor);
        EXPECT_EQ(Name(0x101), name) << "version " << major << "." << minor;
    }
}

TEST(LatestApplication, NamesAndPathsOfEachMethod) {
    TestMachine m;
    const std::string r = TestMachine::Root(), apps = r + "\\Applications Folder", oe = '"' + r + "\\OE\\msimn.exe\"";
    m.SetEnv("ZT_APPS", apps);
    m.WriteExe(apps + "\\IEXPLORE.EXE", 6, 0);
    m.SetString(kAppPaths + "IEXPLORE.EXE", "", "%ZT_APPS%\\IEXPLORE.EXE", REG_EXPAND_SZ);
    m.WriteExe(r + "\\OE\\msimn.exe", 6, 0, 2600);
    m.SetString(kAppPaths + "msimn.exe", "", oe);
    m.WriteExe(r + "\\Eudora\\Eudora.exe", 4, 3, 2);
    m.SetString(kAppPaths + "eudora.exe", "", r + "\\EUDORA\\Eudora.exe /x");
    m.SetString(kNetscape + "4.7 (en)\\Main", "Install Directory", "C:\\Old");
    m.SetString(kNetscape + "4.76 (en)\\Main", "Install Directory", "C:\\Netscape\\Communicator");
    m.CreateKey(kNetscape + "Users");
    m.CreateKey(kAdobe + "Adobe Acrobat\\5.0");  // no InstallPath: the shell's registration, expanded
    m.SetString(kAppPaths + "Acrobat.exe", "", "%ZT_APPS%\\Acrobat.exe");
    m.SetString(kAdobe + "Acrobat Reader\\5.0\\InstallPath", "", "C:\\Acro\\Reader");
    const Answer navigator = Text("C:\\Netscape\\Communicator\\Program\\netscape.exe");
    // Netscape names count their NUL; Quillon, a suite application and Word are not
    // installed; the last five are no AppIds.
    const std::tuple<unsigned int, Answer, Answer> rows[] = {
        {0x101, Text("Microsoft Internet Explorer 6"), {22, apps + "\\IEXPLORE.EXE"}},  // 22: %ZT_APPS%\IEXPLORE.EXE
        {0x201, Text("Microsoft Outlook Express 6"), Text(oe)},
        {0x208, Text("Qualcomm Eudora Pro  4.3.2"), Text(r + "\\EUDORA\\Eudora.exe /x")},
        {0x102, Text("Netscape Navigator 4.76 (en)", 1), navigator},
        {0x204, Text("Netscape Messenger 4.76 (en)", 1), navigator},
        {0x1001, Text("Adobe Acrobat 5.0"), Text(apps + "\\Acrobat.exe")},
        {0x1002, Text("Adobe Acrobat Reader 5.0"), Text("C:\\Acro\\Reader\\AcroRd32.exe")},
        {0x210, kNone, kNone},
        {0x801, kNone, kNone},
        {0x401, kNone, kNone},
        {0x103, kNone, kNone},
        {0, kNone, kNone},
        {0x400, kNone, kNone},
        {0x1FF, kNone, kNone},
        {0x2002, kNone, kNone}};
    for (const auto& [appId, name, path] : rows) {
        EXPECT_EQ(Name(appId), name) << "AppId 0x" << std::hex << appId;
        EXPECT_EQ(Path(appId), path) << "AppId 0x" << std::hex << appId;
    }
    m.SetString(kNetscape + "4.8\\Main", "Other", "");
    EXPECT_EQ(Path(0x102), kNone) << "a greater version whose Main has no folder leaves none, not the one before";
}

TEST(LatestApplication, VersionsInEitherKeyOrder) {
    // Each "key|name|text" (or a key alone) set in the order given, and what the call
    // answers with the keys listed sorted (as Windows NT does) and as created (9x).
    const std::string office = kLM + "Microsoft\\Office\\", http = kLM + "Classes\\http\\shell\\open\\command||",
                      mailto = kLM + "Classes\\mailto\\shell\\open\\command||";
    const Answer reader = Text("Adobe Acrobat Reader 5.0"), navigator = Text("Netscape Navigator 4.76 (en)", 1);
    const std::tuple<const char*, std::vector<std::string>, std::function<Answer()>, Answer, Answer> rows[] = {
        {"Adobe: the greatest version",
         {kAdobe + "Acrobat Reader\\5.0\\InstallPath||C:\\R5", kAdobe + "Acrobat Reader\\4.0"},
         [] { return Name(0x1002); },
         reader,
         reader},
        {"default browser: the greatest Navigator in the command's folder",
         {kNetscape + "4.76 (en)\\Main|Install Directory|C:\\N", kNetscape + "4.7 (en)\\Main|Install Directory|C:\\N",
          http + "C:\\N\\Program\\netscape.exe -k"},
         [] { return Ask(GetDefaultBrowser); },
         navigator,
         navigator},
        {"Office: a version without Path raises the bar",
         {office + "9.0\\Word\\InstallRoot", office + "10.0\\Word\\InstallRoot|Path|C:\\O10"},
         [] { return Path(0x401); },
         Text("C:\\O10\\Winword.exe"),
         kNone},
        {"default mailer: the greatest version, when one that led had Main",
         {kNetscape + "4.7", kNetscape + "4.5\\Main", mailto + "C:\\N\\netscape.exe -mail"},
         [] { return Ask(GetDefaultMailer); },
         Text("Netscape Messenger 4.7", 1),
         Answer{-2, ""}},
    };
    for (bool created : {false, true}) {
        if (created && !TestMachine::Simulated())
            GTEST_SKIP() << "Wine lists subkeys sorted only; the order of Windows 9x is simulated natively";
        for (const auto& [what, values, ask, sorted, asCreated] : rows) {
            TestMachine m;
            if (created) m.ListKeysInCreationOrder();
            for (const auto& value : values) {
                const size_t name = value.find('|'), text = value.find('|', name + 1);
                if (name == std::string::npos) m.CreateKey(value);
                if (name != std::string::npos)
                    m.SetString(value.substr(0, name), value.substr(name + 1, text - name - 1), value.substr(text + 1));
            }
            EXPECT_EQ(ask(), created ? asCreated : sorted) << what << (created ? ", as created" : ", sorted");
        }
    }
}

TEST(LatestApplication, AVersionThatCannotBeReadGivesNoName) {
#ifdef _WIN32
    GTEST_SKIP() << "only the simulated heap fails on demand";
#else
    TestMachine m;
    const std::string r = TestMachine::Root();
    m.WriteExe(r + "\\WINWORD.EXE", 9, 0);
    m.SetString(kLM + "Microsoft\\Office\\9.0\\Word\\InstallRoot", "Path", r);
    m.WriteExe(r + "\\Eudora.exe", 4, 3, 2);
    m.SetString(kAppPaths + "eudora.exe", "", r + "\\Eudora.exe");
    sim::Machine& machine = *m.machine();
    for (const auto& [appId, name] : {std::make_pair(0x401u, Text("Microsoft Word 2000")),
                                      std::make_pair(0x208u, Text("Qualcomm Eudora Pro  4.3.2"))}) {
        char text[300];
        const size_t before = machine.Operations(sim::FaultKind::kHeap);
        ASSERT_EQ((Answer{GetLatestApplicationName(appId, text), text}), name);
        const size_t allocations = machine.Operations(sim::FaultKind::kHeap) - before;
        for (size_t nth = 1; nth <= allocations; ++nth) {  // every answer is the whole name or none
            machine.InjectFault(sim::FaultKind::kHeap, nth);
            const LONG result = GetLatestApplicationName(appId, text);
            machine.InjectFault(sim::FaultKind::kHeap, 0);
            EXPECT_EQ((result == -3 ? name : Answer{result, text}), name) << "heap allocation " << nth << " failing";
        }
    }
#endif
}

// The forms a damaged or hand-edited registry holds, in the value that names Internet
// Explorer's program (read into 261-byte buffers) and in the web's open command (read
// whole, then taken apart). (Text ending in half a double-byte character is for the
// simulation's sweep: Windows stores such bytes as the code page's default character.)
TEST(HostileValues, InternetExplorersAppPathAndTheWebsOpenCommand) {
    TestMachine m;
    const std::string exe = TestMachine::Root() + "\\IE\\IEXPLORE.EXE", quoted = '"' + exe + '"', nul(1, 0);
    const std::string variable = "%ZT_LONG%\\IEXPLORE.EXE", x260(260, 'x'), one("\x01\0\0\0", 4);
    const Answer ie = Text("Microsoft Internet Explorer 5.5"), no = {-2, ""}, unread = {-1, ""};
    m.SetEnv("ZT_LONG", std::string(300, 'y'));
    m.WriteExe(exe, 5, 50);
    // What the value holds, then what the name and path getters answer.
    const std::tuple<const char*, DWORD, std::string, Answer, Answer> appPath[] = {
        {"as written", REG_SZ, exe + nul, ie, Text(exe)},
        {"without its NUL", REG_SZ, exe, ie, Text(exe)},
        {"260 bytes", REG_SZ, x260 + nul, kNone, Text(x260)},
        {"261 bytes", REG_SZ, x260 + "x" + nul, kNone, kNone},
        {"4096 bytes", REG_SZ, std::string(4096, 'x') + nul, kNone, kNone},
        {"empty", REG_SZ, "", kNone, kNone},
        {"a number", REG_DWORD, one, kNone, kNone},
        {"a lone quote", REG_SZ, "\"" + nul, kNone, Text("\"")},
        // Expansion past 260 bytes: no version to read, and the path stays as written.
        {"a variable past 260 bytes", REG_EXPAND_SZ, variable + nul, kNone, Text(variable)}};
    for (const auto& [what, type, bytes, name, path] : appPath) {
        m.SetRaw(kAppPaths + "IEXPLORE.EXE", "", type, bytes);
        EXPECT_EQ(Name(0x101), name) << what;
        EXPECT_EQ(Path(0x101), path) << what;
    }
    // A command longer than 260 bytes names no program, whatever it holds.
    const std::tuple<const char*, DWORD, std::string, Answer, Answer> command[] = {
        {"as written", REG_SZ, quoted + " -nohome" + nul, ie, Text(quoted)},
        {"without its NUL", REG_SZ, quoted + " -nohome", ie, Text(quoted)},
        {"a program past 260 bytes", REG_SZ, "C:\\" + std::string(300, 'x') + "\\iexplore.exe -k" + nul, no, no},
        {"4096 bytes of arguments", REG_SZ, quoted + " " + std::string(4096, 'a') + nul, no, no},
        {"a lone quote", REG_SZ, "\"" + nul, no, no},
        {"empty", REG_SZ, "", no, no},
        {"a number", REG_DWORD, one, unread, unread}};
    for (const auto& [what, type, bytes, name, path] : command) {
        m.SetRaw(kLM + "Classes\\http\\shell\\open\\command", "", type, bytes);
        EXPECT_EQ(Ask(GetDefaultBrowser), name) << what;
        EXPECT_EQ(Ask(GetDefaultBrowserPath), path) << what;
    }
}

TEST(SampleMachine, EveryApplicationIsFoundWithItsNameAndPath) {
#ifdef _WIN32
    GTEST_SKIP() << "the sample machine is a machine folder of the simulation";
#else
    std::string error;
    std::unique_ptr<sim::Machine> machine =
        sim::LoadMachineFolder(ZENTHO_SOURCE_DIR "/examples/sample-machine", &error);
    ASSERT_TRUE(machine) << error;
    sim::Machine::Use(machine.get());
    const std::string p = "C:\\Program Files\\", office = p + "Microsoft Office\\Office\\",
                      netscape = p + "Netscape\\Communicator\\Program\\netscape.exe", suite = p + "Sarvin\\Tessaline\\";
    const std::string taro =
        "\x88\xea\x91\xbe\x98\x59"
        "11";
    const std::tuple<unsigned int, std::string, std::string> rows[] = {
        // "": not installed
        {0x101, "Microsoft Internet Explorer 5.5", p + "Internet Explorer\\IEXPLORE.EXE"},
        {0x102, "Netscape Navigator 4.76 (en)", netscape},
        {0x201, "Microsoft Outlook Express 5.5", p + "Outlook Express\\msimn.exe"},
        {0x202, "Microsoft Outlook 2000", office + "Outlook.exe"},
        {0x204, "Netscape Messenger 4.76 (en)", netscape},
        {0x208, "Qualcomm Eudora Pro  4.3.2", p + "Qualcomm\\Eudora Pro\\Eudora.exe"},
        {0x210, "", ""},
        {0x401, "Microsoft Word 2000", office + "Winword.exe"},
        {0x402, "Microsoft Outlook 2000", office + "Outlook.exe"},
        {0x404, "Microsoft Excel 2000", office + "Excel.exe"},
        {0x408, "Microsoft PowerPoint 2000", office + "Powerpnt.exe"},
        {0x801, "Sarvin Corvane", p + "Sarvin\\Corvane\\Corvane.exe"},
        {0x802, "Sarvin Scrivale", suite + "Scrivale\\Scrivale.exe"},
        {0x804, "Sarvin Calvora", suite + "Calvora\\Calvora.exe"},
        {0x808, "Sarvin Pictora", suite + "pct\\p32main.exe"},
        {0x1001, "", ""},
        {0x1002, "Adobe Acrobat Reader 5.0", p + "Adobe\\Acrobat 5.0\\Reader\\AcroRd32.exe"},
        {0x2001, taro, p + "JUST\\TARO11\\Taro11.exe"}};
    EXPECT_EQ(std::size(rows), std::size(catalogue::kApplications)) << "every AppId of the catalogue";
    for (const auto& [appId, name, path] : rows) {
        EXPECT_EQ(Name(appId).text, name) << "AppId 0x" << std::hex << appId;
        EXPECT_EQ(Path(appId).text, path) << "AppId 0x" << std::hex << appId;
    }
    EXPECT_EQ(machine->OpenHandleCount() + machine->LiveBlocks(), 0u) << "handles or heap blocks left held";
    EXPECT_TRUE(machine->changes().empty()) << "detection only reads";
    sim::Machine::Use(nullptr);
#endif
}

}  // namespace
