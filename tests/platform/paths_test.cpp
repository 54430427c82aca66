// The product's folders, path joining, folder creation, program start and logon
// entries, on both backends (the Windows version cases on the simulation, which can
// be any Windows).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/heap_string.h"
#include "platform/paths.h"
#include "test_machine.h"

using platform::HeapString;

namespace {

std::string Text(char* owned) {
    HeapString s(owned);
    return s ? s.get() : "<null>";
}

const std::string kProduct = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvelle\\Zentho V4";

TEST(Paths, JoinPathPutsOneBackslashAtTheSeam) {
    TestMachine m;
    struct Case {
        const char* head;
        const char* tail;
        const char* joined;
    } cases[] = {
        {"C:\\a\\", "\\b\\", "C:\\a\\b"},
        {"C:\\", "b", "C:\\b"},
        {"C:\\a", "b\\c", "C:\\a\\b\\c"},
        {"C:\\a", "\\\\b", "C:\\a\\\\b"},          // of two leading backslashes one stays
        {"C:\\a", "\\", "C:\\a\\"},                // a lone backslash gives head and backslash
        {"C:\\\x83\x5c", "b", "C:\\\x83\x5c\\b"},  // 0x5C as a second byte is no backslash
        {"", "b", "<null>"},
        {"C:\\a", "", "<null>"},
        {nullptr, "b", "<null>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(platform::JoinPath(c.head, c.tail)), c.joined) << (c.head ? c.head : "null") << " + " << c.tail;
    EXPECT_EQ(platform::EndsWithBackslash("C:\\a\\"), 1);
    EXPECT_EQ(platform::EndsWithBackslash("C:\\\x83\x5c"), 0);
    EXPECT_EQ(platform::EndsWithBackslash("C:\\\x83\x5c\\"), 1);
    EXPECT_EQ(platform::EndsWithBackslash(""), 0);
    EXPECT_EQ(platform::EndsWithBackslash(nullptr), 0);
}

TEST(Paths, ProductFoldersComeFromTheRegistryOrTheDefaults) {
    TestMachine m;
    EXPECT_EQ(Text(platform::GetInstallLocation()), "C:\\Program Files\\Arvelle Zentho V4");
    EXPECT_EQ(Text(platform::GetDataFolder()), "C:\\Program Files\\Arvelle Zentho V4\\Data");
    EXPECT_EQ(Text(platform::MakeProgramPath("ZenthoNSTrans.exe")),
              "C:\\Program Files\\Arvelle Zentho V4\\Program\\ZenthoNSTrans.exe");
    EXPECT_FALSE(m.KeyExists(kProduct)) << "defaults are not written back";

    m.SetString(kProduct, "InstallLocation", "D:\\Zentho\\");
    m.SetString(kProduct, "ProgramLocation", "%ProgramFiles%\\Zentho", REG_EXPAND_SZ);
    EXPECT_EQ(Text(platform::MakeDataPath("\\Word", nullptr)), "D:\\Zentho\\Data\\Word");
    EXPECT_EQ(Text(platform::MakeDataPath("Taro", "install.mtx")), "D:\\Zentho\\Data\\Taro\\install.mtx");
    EXPECT_EQ(Text(platform::GetProgramLocation()), "%ProgramFiles%\\Zentho") << "read as stored";
    m.SetDword(kProduct, "InstallLocation", 1);
    EXPECT_EQ(Text(platform::ReadProductSetting("InstallLocation")), "<null>");
    EXPECT_EQ(Text(platform::GetInstallLocation()), "C:\\Program Files\\Arvelle Zentho V4");
    EXPECT_NE(Text(platform::GetAppDataFolder()), "<null>");
}

TEST(Paths, MakeDirectoryTreeRefusesBadPathsAndBuildsInOrder) {
    TestMachine m;
    const std::string root = TestMachine::Root();
    EXPECT_EQ(platform::MakeDirectoryTree(nullptr), 0);
    EXPECT_EQ(platform::MakeDirectoryTree("C:"), 0);
    EXPECT_EQ(platform::MakeDirectoryTree("C:\\"), 1);
    EXPECT_EQ(platform::MakeDirectoryTree("Q:\\nowhere"), 0) << "the root must exist";
    EXPECT_EQ(platform::MakeDirectoryTree((root + "\\a:b\\c").c_str()), 0);
    EXPECT_EQ(platform::MakeDirectoryTree((root + "\\a\\b?").c_str()), 0);
    EXPECT_FALSE(m.Exists(root + "\\a")) << "a refused path creates nothing";
    std::string tooLong = root + "\\" + std::string(260 - root.size() - 1, 'x');
    ASSERT_EQ(tooLong.size(), 260u);
    EXPECT_EQ(platform::MakeDirectoryTree(tooLong.c_str()), 0);

    if (m.changes()) m.changes()->clear();
    EXPECT_EQ(platform::MakeDirectoryTree((root + "\\a\\b\\\x83\x5c\x83\x74\x83\x67\\").c_str()), 1);
    EXPECT_TRUE(m.Exists(root + "\\a\\b\\\x83\x5c\x83\x74\x83\x67"));
    if (os::ChangeList* log = m.changes()) {
        std::vector<std::string> made;
        for (const auto& change : *log) made.push_back(change.path);
        EXPECT_EQ(made,
                  (std::vector<std::string>{root + "\\a", root + "\\a\\b", root + "\\a\\b\\\x83\x5c\x83\x74\x83\x67"}));
    }
    m.WriteFile(root + "\\file", "x");
    EXPECT_EQ(platform::MakeDirectoryTree((root + "\\file").c_str()), 0) << "a file is no folder";
    EXPECT_EQ(platform::EnsureDirectory((root + "\\file").c_str()), 0);
    EXPECT_EQ(platform::FileExists((root + "\\file").c_str()), 1);
    EXPECT_EQ(platform::FileExists(""), 0);
}

TEST(Paths, ProgramsStartOnlyWhenTheyExist) {
    TestMachine m;
    const std::string root = TestMachine::Root();
    m.SetString(kProduct, "ProgramLocation", root + "\\Program");
    m.WriteExe(root + "\\Program\\ZenthoNSTrans.exe", 4, 0, 2, 21);
    EXPECT_EQ(platform::RunFromProgramFolder("ZenthoNSTrans.exe", ""), 1);
    EXPECT_EQ(platform::RunFromProgramFolder("Missing.exe", ""), 0) << "the shell's error is no success";
    EXPECT_EQ(platform::RunFromProgramFolder(nullptr, ""), 0);
    EXPECT_EQ(platform::ShellOpen(nullptr, nullptr, nullptr), 0);
    if (TestMachine::Simulated()) {
        EXPECT_EQ(m.ProgramsStarted(), std::vector<std::string>{root + "\\Program\\ZenthoNSTrans.exe|"});
    }
}

TEST(Paths, LogonEntriesGoToTheMachineOnWindows95Only) {
    if (!TestMachine::Simulated()) GTEST_SKIP() << "Wine reports one Windows version for the whole run";
    struct Case {
        DWORD platform, major, minor;
        int flag;
        const char* runKeyRoot;
    } cases[] = {
        {0, 3, 10, platform::kWin32s, "HKEY_CURRENT_USER"},
        {1, 4, 0, platform::kWindows95, "HKEY_LOCAL_MACHINE"},
        {1, 4, 10, platform::kWindows98, "HKEY_CURRENT_USER"},
        {1, 4, 90, platform::kWindows98, "HKEY_CURRENT_USER"},
        {2, 3, 51, platform::kWindowsNT3, "HKEY_CURRENT_USER"},
        {2, 4, 0, platform::kWindowsNT4, "HKEY_CURRENT_USER"},
        {2, 5, 1, platform::kWindows2000, "HKEY_CURRENT_USER"},
        {2, 6, 1, 0, "HKEY_CURRENT_USER"},
        {3, 1, 0, 0, "HKEY_CURRENT_USER"},
    };
    for (const auto& c : cases) {
        TestMachine m;
        m.SetWindowsVersion(c.platform, c.major, c.minor);
        EXPECT_EQ(platform::GetWindowsPlatform(), c.flag) << c.platform << " " << c.major << "." << c.minor;
        EXPECT_EQ(platform::SetRunEntry(HKEY_CURRENT_USER, "ZenthoNSTrans", "\"C:\\p.exe\""), 1);
        std::string run = std::string(c.runKeyRoot) + "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
        DWORD type;
        std::string data;
        EXPECT_TRUE(m.GetValue(run, "ZenthoNSTrans", &type, &data)) << run;
        EXPECT_EQ(platform::RemoveRunEntry(HKEY_CURRENT_USER, "ZenthoNSTrans"), 1);
        EXPECT_FALSE(m.GetValue(run, "ZenthoNSTrans", &type, &data));
        EXPECT_EQ(platform::RemoveRunEntry(HKEY_CURRENT_USER, "ZenthoNSTrans"), 0);
    }
}

TEST(Paths, LogonEntriesOnThisWindows) {
    TestMachine m;
    EXPECT_EQ(platform::GetWindowsPlatform(), platform::kWindows2000) << "the test machines run Windows 2000";
    ASSERT_EQ(platform::SetRunEntry(HKEY_CURRENT_USER, "ZenthoMailTrans", "\"C:\\m.exe\""), 1);
    DWORD type;
    std::string data;
    ASSERT_TRUE(m.GetValue("HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "ZenthoMailTrans",
                           &type, &data));
    EXPECT_EQ(data, std::string("\"C:\\m.exe\"", 11));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
}

}  // namespace
