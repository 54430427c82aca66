// The text exports on both backends: Internet Explorer's labels; names and paths from
// App Paths, Netscape's and Adobe's keys; AppIds that find nothing; versions in either
// key order; versions that cannot be read.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "../frame/two_calls.h"
#include "frame/exports.h"
#include "test_machine.h"
#ifndef _WIN32
#include "tools/winsim/core/machine.h"
#endif

namespace {

const std::string kLM = "HKEY_LOCAL_MACHINE\\Software\\", kAdobe = kLM + "Adobe\\",
                  kAppPaths = kLM + "Microsoft\\Windows\\CurrentVersion\\App Paths\\",
                  kNetscape = kLM + "Netscape\\Netscape Navigator\\";
const Answer kNone = {-3, ""};

Answer Name(unsigned int id) { return Ask(std::bind(GetLatestApplicationName, id, std::placeholders::_1)); }
Answer Path(unsigned int id) { return Ask(std::bind(GetLatestApplicationPath, id, std::placeholders::_1)); }

TEST(LatestApplication, InternetExplorerLabels) {
    const std::tuple<uint16_t, uint16_t, const char*> rows[] = {
        // null: no label, no name
        {5, 50, "5.5"},  {4, 72, "4.01"}, {4, 70, "3"}, {4, 71, "4"},
        {5, 0, "5"},     {5, 1, "5.x"},   {6, 0, "6"},  {8, 0, "7\x88\xc8\x8f\xe3"},
        {4, 0, nullptr}, {3, 2, nullptr},
    };
    TestMachine m;
    const std::string exe = TestMachine::Root() + "\\IE\\IEXPLORE.EXE";
    m.SetString(kAppPaths + "IEXPLORE.EXE", "", exe);
    for (const auto& [major, minor, label] : rows) {
        m.WriteExe(exe, major, minor);
        EXPECT_EQ(Name(0x101), label ? Text(std::string("Microsoft Internet Explorer ") + label) : kNone)
            << "version " << major << "." << minor;
    }
}

TEST(LatestApplication, NamesAndPathsOfEachMethod) {
    TestMachine m;
    const std::string r = TestMachine::Root(), apps = r + "\\Applications Folder", oe = '"' + r + "\\OE\\msimn.exe\"";
    m.SetEnv("ZT_APPS", apps);
    m.SetEnv("ZT_LONG", std::string(300, 'y'));
    m.WriteExe(apps + "\\IEXPLORE.EXE", 6, 0);
    m.SetString(kAppPaths + "IEXPLORE.EXE", "", "%ZT_APPS%\\IEXPLORE.EXE", REG_EXPAND_SZ);
    m.WriteExe(r + "\\OE\\msimn.exe", 6, 0, 2600);
    m.SetString(kAppPaths + "msimn.exe", "", oe);
    m.WriteExe(r + "\\Eudora\\Eudora.exe", 4, 3, 2);
    m.SetString(kAppPaths + "eudora.exe", "", r + "\\EUDORA\\Eudora.exe /x");
    m.SetString(kNetscape + "4.7 (en)\\Main", "Install Directory", "C:\\Old");
    m.SetString(kNetscape + "4.76 (en)\\Main", "Install Directory", "C:\\Netscape\\Communicator");
    m.CreateKey(kNetscape + "Users");
    m.CreateKey(kAdobe + "Adobe Acrobat\\5.0");  // no InstallPath: the shell's registration, expanded if it fits
    m.SetString(kAppPaths + "Acrobat.exe", "", "%ZT_LONG%\\Acrobat.exe");
    m.SetString(kAppPaths + "quillon.exe", "", std::string(260, 'x'));  // the longest path that counts
    m.SetString(kAdobe + "Acrobat Reader\\5.0\\InstallPath", "", "C:\\Acro\\Reader");
    const Answer navigator = Text("C:\\Netscape\\Communicator\\Program\\netscape.exe");
    // Netscape names count their NUL. Then a suite application and Word, not installed,
    // and five values that are no AppIds: nothing found.
    const std::tuple<unsigned int, Answer, Answer> rows[] = {
        {0x101, Text("Microsoft Internet Explorer 6"), {22, apps + "\\IEXPLORE.EXE"}},  // 22: %ZT_APPS%\IEXPLORE.EXE
        {0x201, Text("Microsoft Outlook Express 6"), Text(oe)},
        {0x208, Text("Qualcomm Eudora Pro  4.3.2"), Text(r + "\\EUDORA\\Eudora.exe /x")},
        {0x102, Text("Netscape Navigator 4.76 (en)", 1), navigator},
        {0x204, Text("Netscape Messenger 4.76 (en)", 1), navigator},
        {0x1001, Text("Adobe Acrobat 5.0"), Text("%ZT_LONG%\\Acrobat.exe")},
        {0x210, kNone, Text(std::string(260, 'x'))},
        {0x1002, Text("Adobe Acrobat Reader 5.0"), Text("C:\\Acro\\Reader\\AcroRd32.exe")},
    };
    for (const auto& [appId, name, path] : rows) {
        EXPECT_EQ(Name(appId), name) << "AppId 0x" << std::hex << appId;
        EXPECT_EQ(Path(appId), path) << "AppId 0x" << std::hex << appId;
    }
    for (unsigned int appId : {0x801u, 0x401u, 0x103u, 0u, 0x400u, 0x1FFu, 0x2002u})
        EXPECT_EQ((std::vector<Answer>{Name(appId), Path(appId)}), (std::vector<Answer>{kNone, kNone})) << appId;
    m.SetString(kNetscape + "4.8\\Main", "Other", "");
    EXPECT_EQ(Path(0x102), kNone) << "a greater version whose Main has no folder leaves none, not the one before";
}

TEST(LatestApplication, VersionsInEitherKeyOrder) {
    // Values "key|name|text" (or keys alone) set in the order given, joined by ';'; what
    // the call answers with the keys listed sorted (as Windows NT does) and as created (9x).
    const std::string office = kLM + "Microsoft\\Office\\", http = kLM + "Classes\\http\\shell\\open\\command||",
                      mailto = kLM + "Classes\\mailto\\shell\\open\\command||",
                      main = "\\Main|Install Directory|C:\\N;";
    const Answer reader = Text("Adobe Acrobat Reader 5.0"), navigator = Text("Netscape Navigator 4.76 (en)", 1),
                 word = Text("C:\\O10\\Winword.exe"), messenger = Text("Netscape Messenger 4.7", 1), no = {-2, ""};
    const auto browser = std::bind(Ask<LONG (*)(char*)>, GetDefaultBrowser),
               mailer = std::bind(Ask<LONG (*)(char*)>, GetDefaultMailer);
    const std::tuple<const char*, std::string, std::function<Answer()>, Answer, Answer> rows[] = {
        {"Adobe: the greatest version",
         kAdobe + "Acrobat Reader\\5.0\\InstallPath||C:\\R5;" + kAdobe + "Acrobat Reader\\4.0", std::bind(Name, 0x1002),
         reader, reader},
        {"default browser: the greatest Navigator in the command's folder",
         kNetscape + "4.76 (en)" + main + kNetscape + "4.7 (en)" + main + http + "C:\\N\\Program\\netscape.exe -k",
         browser, navigator, navigator},
        {"Office: a version without Path raises the bar",
         office + "9.0\\Word\\InstallRoot;" + office + "10.0\\Word\\InstallRoot|Path|C:\\O10", std::bind(Path, 0x401),
         word, kNone},
        {"default mailer: the greatest version, when one that led had Main",
         kNetscape + "4.7;" + kNetscape + "4.5\\Main;" + mailto + "C:\\N\\netscape.exe -mail", mailer, messenger, no},
    };
    for (bool created : {false, true}) {
        if (created && !TestMachine::Simulated())
            GTEST_SKIP() << "Wine lists subkeys sorted only; the order of Windows 9x is simulated natively";
        for (const auto& [what, values, ask, sorted, asCreated] : rows) {
            TestMachine m;
            if (created) m.ListKeysInCreationOrder();
            for (size_t at = 0, end; at < values.size(); at = end + 1) {
                end = std::min(values.find(';', at), values.size());
                const std::string value = values.substr(at, end - at);
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

}  // namespace
