// GetLatestApplicationName and GetLatestApplicationPath on both backends: the Internet
// Explorer labels; names built from App Paths, Netscape's and Adobe's registrations;
// paths counted before expansion; AppIds that find nothing; version choice in either
// key order; and (simulated machine) names whose version cannot be read.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "../frame/two_calls.h"
#include "frame/exports.h"
#include "test_machine.h"
#ifndef _WIN32
#include "platform/os/sim/machine.h"
#endif

namespace {

const std::string kAppPaths = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string kNetscape = "HKEY_LOCAL_MACHINE\\Software\\Netscape\\Netscape Navigator";
const std::string kAdobe = "HKEY_LOCAL_MACHINE\\Software\\Adobe";

Answer Name(unsigned int appId) {
    return Ask([=](char* b) { return GetLatestApplicationName(appId, b); });
}
Answer Path(unsigned int appId) {
    return Ask([=](char* b) { return GetLatestApplicationPath(appId, b); });
}
Answer Text(const std::string& text) { return {static_cast<LONG>(text.size()), text}; }

TEST(LatestApplication, InternetExplorerLabels) {
    const struct {
        uint16_t major, minor;
        Answer name;
    } rows[] = {
        {5, 50, {31, "Microsoft Internet Explorer 5.5"}},
        {4, 72, {32, "Microsoft Internet Explorer 4.01"}},
        {4, 70, {29, "Microsoft Internet Explorer 3"}},
        {4, 71, {29, "Microsoft Internet Explorer 4"}},
        {5, 0, {29, "Microsoft Internet Explorer 5"}},
        {5, 1, {31, "Microsoft Internet Explorer 5.x"}},
        {6, 0, {29, "Microsoft Internet Explorer 6"}},
        {8, 0, {33, "Microsoft Internet Explorer 7\x88\xc8\x8f\xe3"}},
        {4, 0, {-3, ""}},
        {3, 2, {-3, ""}},
    };
    TestMachine m;
    const std::string exe = TestMachine::Root() + "\\IE\\IEXPLORE.EXE";
    m.SetString(kAppPaths + "\\IEXPLORE.EXE", "", exe);
    for (const auto& row : rows) {
        m.WriteExe(exe, row.major, row.minor);
        EXPECT_EQ(Name(0x101), row.name) << "version " << row.major << "." << row.minor;
    }
}

TEST(LatestApplication, NamesAndPathsOfEachMethod) {
    TestMachine m;
    const std::string root = TestMachine::Root(), apps = root + "\\Applications Folder";
    m.SetEnv("ZT_APPS", apps);
    m.WriteExe(apps + "\\IEXPLORE.EXE", 6, 0);
    m.SetString(kAppPaths + "\\IEXPLORE.EXE", "", "%ZT_APPS%\\IEXPLORE.EXE", REG_EXPAND_SZ);
    m.WriteExe(root + "\\OE\\msimn.exe", 6, 0, 2600);
    m.SetString(kAppPaths + "\\msimn.exe", "", "\"" + root + "\\OE\\msimn.exe\"");
    m.WriteExe(root + "\\Eudora\\Eudora.exe", 4, 3, 2);
    m.SetString(kAppPaths + "\\eudora.exe", "", root + "\\EUDORA\\Eudora.exe /x");
    m.SetString(kNetscape + "\\4.7 (en)\\Main", "Install Directory", "C:\\Old");
    m.SetString(kNetscape + "\\4.76 (en)\\Main", "Install Directory", "C:\\Netscape\\Communicator");
    m.CreateKey(kNetscape + "\\Users");
    m.CreateKey(kAdobe + "\\Adobe Acrobat\\5.0");  // no InstallPath: the shell's registration, expanded
    m.SetString(kAppPaths + "\\Acrobat.exe", "", "%ZT_APPS%\\Acrobat.exe");
    m.SetString(kAdobe + "\\Acrobat Reader\\5.0\\InstallPath", "", "C:\\Acro\\Reader");
    const std::string navigator = "C:\\Netscape\\Communicator\\Program\\netscape.exe";
    const struct {
        unsigned int appId;
        Answer name, path;
    } rows[] = {
        {0x101, {29, "Microsoft Internet Explorer 6"}, {22, apps + "\\IEXPLORE.EXE"}},  // 22: %ZT_APPS%\IEXPLORE.EXE
        {0x201, {27, "Microsoft Outlook Express 6"}, Text("\"" + root + "\\OE\\msimn.exe\"")},
        {0x208, {26, "Qualcomm Eudora Pro  4.3.2"}, Text(root + "\\EUDORA\\Eudora.exe /x")},
        {0x210, {-3, ""}, {-3, ""}},                                     // Quillon is not registered
        {0x102, {29, "Netscape Navigator 4.76 (en)"}, Text(navigator)},  // Netscape names count their NUL
        {0x204, {29, "Netscape Messenger 4.76 (en)"}, Text(navigator)},
        {0x1001, {17, "Adobe Acrobat 5.0"}, Text(apps + "\\Acrobat.exe")},
        {0x1002, {24, "Adobe Acrobat Reader 5.0"}, Text("C:\\Acro\\Reader\\AcroRd32.exe")},
        {0x801, {-3, ""}, {-3, ""}},  // a suite application, and Word, not installed
        {0x401, {-3, ""}, {-3, ""}},
        {0x103, {-3, ""}, {-3, ""}},
        {0, {-3, ""}, {-3, ""}},
        {0x400, {-3, ""}, {-3, ""}},
        {0x1FF, {-3, ""}, {-3, ""}},
        {0x2002, {-3, ""}, {-3, ""}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "AppId 0x" << std::hex << row.appId);
        EXPECT_EQ(Name(row.appId), row.name);
        EXPECT_EQ(Path(row.appId), row.path);
    }
    // A greater version whose Main key has no folder leaves none, not the folder before.
    m.SetString(kNetscape + "\\4.8\\Main", "Other", "");
    EXPECT_EQ(Path(0x102), (Answer{-3, ""}));
}

TEST(LatestApplication, VersionsInEitherKeyOrder) {
    // Set in the order given: Windows NT lists subkeys sorted, Windows 9x as created.
    struct Value {
        std::string key;
        const char* name;  // null: the key alone
        std::string data;
    };
    const std::string office = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office\\";
    const struct {
        const char* name;
        std::vector<Value> values;
        std::function<Answer()> ask;
        Answer sorted, created;
    } rows[] = {
        {"Adobe: the greatest version",
         {{kAdobe + "\\Acrobat Reader\\5.0\\InstallPath", "", "C:\\R5"},
          {kAdobe + "\\Acrobat Reader\\4.0\\InstallPath", "", "C:\\R4"}},
         [] { return Name(0x1002); },
         {24, "Adobe Acrobat Reader 5.0"},
         {24, "Adobe Acrobat Reader 5.0"}},
        {"default browser: the greatest Navigator in the command's folder",
         {{kNetscape + "\\4.76 (en)\\Main", "Install Directory", "C:\\N"},
          {kNetscape + "\\4.7 (en)\\Main", "Install Directory", "C:\\N"},
          {"HKEY_LOCAL_MACHINE\\Software\\Classes\\http\\shell\\open\\command", "", "C:\\N\\Program\\netscape.exe -k"}},
         [] { return Ask(GetDefaultBrowser); },
         {29, "Netscape Navigator 4.76 (en)"},
         {29, "Netscape Navigator 4.76 (en)"}},
        {"Office: a version without Path raises the bar",
         {{office + "9.0\\Word\\InstallRoot", nullptr, ""}, {office + "10.0\\Word\\InstallRoot", "Path", "C:\\O10"}},
         [] { return Path(0x401); },
         Text("C:\\O10\\Winword.exe"),
         {-3, ""}},
        {"default mailer: the greatest version, when one that led had Main",
         {{kNetscape + "\\4.7", nullptr, ""},
          {kNetscape + "\\4.5\\Main", nullptr, ""},
          {"HKEY_LOCAL_MACHINE\\Software\\Classes\\mailto\\shell\\open\\command", "", "C:\\N\\netscape.exe -mail"}},
         [] { return Ask(GetDefaultMailer); },
         {23, "Netscape Messenger 4.7"},
         {-2, ""}},
    };
    for (bool created : {false, true}) {
        if (created && !TestMachine::Simulated())
            GTEST_SKIP() << "Wine lists subkeys sorted only; the order of Windows 9x is simulated natively";
        for (const auto& row : rows) {
            SCOPED_TRACE(row.name + std::string(created ? ", as created" : ", sorted"));
            TestMachine m;
            if (created) m.ListKeysInCreationOrder();
            for (const auto& v : row.values) v.name ? m.SetString(v.key, v.name, v.data) : m.CreateKey(v.key);
            EXPECT_EQ(row.ask(), created ? row.created : row.sorted);
        }
    }
}

TEST(LatestApplication, AVersionThatCannotBeReadGivesNoName) {
#ifdef _WIN32
    GTEST_SKIP() << "only the simulated heap fails on demand";
#else
    TestMachine m;
    const std::string root = TestMachine::Root();
    m.WriteExe(root + "\\Office\\WINWORD.EXE", 9, 0);
    m.SetString("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office\\9.0\\Word\\InstallRoot", "Path", root + "\\Office");
    m.WriteExe(root + "\\Eudora\\Eudora.exe", 4, 3, 2);
    m.SetString(kAppPaths + "\\eudora.exe", "", root + "\\Eudora\\Eudora.exe");
    const struct {
        unsigned int appId;
        Answer name;
    } rows[] = {{0x401, {19, "Microsoft Word 2000"}}, {0x208, {26, "Qualcomm Eudora Pro  4.3.2"}}};
    sim::Machine& machine = *m.machine();
    for (const auto& row : rows) {
        char name[300];
        const size_t before = machine.Operations(sim::FaultKind::kHeap);
        ASSERT_EQ((Answer{GetLatestApplicationName(row.appId, name), name}), row.name);
        const size_t allocations = machine.Operations(sim::FaultKind::kHeap) - before;
        for (size_t nth = 1; nth <= allocations; ++nth) {
            machine.InjectFault(sim::FaultKind::kHeap, nth);
            const Answer got = {GetLatestApplicationName(row.appId, name), name};
            machine.InjectFault(sim::FaultKind::kHeap, 0);
            if (got.result != -3) {
                EXPECT_EQ(got, row.name) << "heap allocation " << nth << " of " << allocations << " failed";
            }
        }
    }
#endif
}

}  // namespace
