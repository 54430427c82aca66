// The product's folders, path joining, folder creation, program start
// and logon entries, on both backends (the Windows version rows on the simulation,
// which can be any Windows).
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/heap_string.h"
#include "tools/winsim/changes/change_text.h"
#include "platform/paths.h"
#include "test_machine.h"

namespace {

std::string Text(char* owned) {
    platform::HeapString s(owned);
    return s ? s.get() : "<null>";
}

const std::string kProduct = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvelle\\Zentho V4";

TEST(Paths, OneBackslashAtTheSeamAndNoneInsideACharacter) {
    TestMachine m;
    // Of two leading backslashes one stays; a lone one gives head and backslash; 0x5C as
    // a second byte is no backslash.
    const std::tuple<const char*, const char*, const char*> joins[] = {
        {"C:\\a\\", "\\b\\", "C:\\a\\b"},
        {"C:\\", "b", "C:\\b"},
        {"C:\\a", "b\\c", "C:\\a\\b\\c"},
        {"C:\\a", "\\\\b", "C:\\a\\\\b"},
        {"C:\\a", "\\", "C:\\a\\"},
        {"C:\\\x83\x5c", "b", "C:\\\x83\x5c\\b"},
        {"", "b", "<null>"},
        {"C:\\a", "", "<null>"},
        {nullptr, "b", "<null>"},
    };
    for (const auto& [head, tail, joined] : joins)
        EXPECT_EQ(Text(platform::JoinPath(head, tail)), joined) << (head ? head : "null") << " + " << tail;
    const std::pair<const char*, int> ends[] = {
        {"C:\\a\\", 1}, {"C:\\\x83\x5c", 0}, {"C:\\\x83\x5c\\", 1}, {"", 0}, {nullptr, 0}};
    for (const auto& [text, backslash] : ends)
        EXPECT_EQ(platform::EndsWithBackslash(text), backslash) << (text ? text : "null");
}

TEST(Paths, ProductFoldersComeFromTheRegistryOrTheDefaults) {
    TestMachine m;
    EXPECT_EQ(Text(platform::GetInstallLocation()), "C:\\Program Files\\Arvelle Zentho V4");
    EXPECT_EQ(Text(platform::MakeProgramPath("a.exe")), "C:\\Program Files\\Arvelle Zentho V4\\Program\\a.exe");
    EXPECT_FALSE(m.KeyExists(kProduct)) << "defaults are not written back";
    m.SetString(kProduct, "InstallLocation", "D:\\Zentho\\");
    m.SetString(kProduct, "ProgramLocation", "%ProgramFiles%\\Zentho", REG_EXPAND_SZ);
    EXPECT_EQ(Text(platform::MakeDataPath("\\Taro", "install.mtx")), "D:\\Zentho\\Data\\Taro\\install.mtx");
    EXPECT_EQ(Text(platform::GetProgramLocation()), "%ProgramFiles%\\Zentho") << "read as stored";
    m.SetDword(kProduct, "InstallLocation", 1);
    EXPECT_EQ(Text(platform::GetInstallLocation()), "C:\\Program Files\\Arvelle Zentho V4") << "a number is no folder";
}

TEST(Paths, MakeDirectoryTreeRefusesBadPathsAndBuildsInOrder) {
    TestMachine m;
    const std::string root = TestMachine::Root(), dbcs = "\x83\x5c\x83\x74\x83\x67", po = "\x83\x7c";  // ソフト, ポ
    const std::tuple<std::string, int, std::vector<std::string>> rows[] = {
        // the path ("-": null), the answer, the folders made in their order
        {"-", 0, {}},
        {"C:", 0, {}},
        {"C:\\", 1, {}},
        {"Q:\\nowhere", 0, {}},  // the root must exist
        {root + "\\a:b\\c", 0, {}},
        {root + "\\a\\b?", 0, {}},
        {root + "\\" + std::string(260 - root.size() - 1, 'x'), 0, {}},  // 260 bytes
        {root + "\\file", 0, {}},                                        // a file is no folder
        {root + "\\a\\b\\" + dbcs + "\\", 1, {root + "\\a", root + "\\a\\b", root + "\\a\\b\\" + dbcs}},
        {root + "\\" + po, 1, {root + "\\" + po}},  // its second byte is the code of '|'
    };
    m.WriteFile(root + "\\file", "x");
    for (const auto& [path, made, folders] : rows) {
        m.changes()->clear();
        EXPECT_EQ(platform::MakeDirectoryTree(path == "-" ? nullptr : path.c_str()), made) << path;
        std::vector<std::string> changed;
        for (const auto& change : *m.changes()) changed.push_back(change.path);
        EXPECT_EQ(changed, folders) << path;
        for (const auto& folder : folders) EXPECT_TRUE(m.Exists(folder)) << folder;
    }
    EXPECT_EQ(platform::EnsureDirectory((root + "\\file").c_str()), 0) << "a file is no folder";
}

TEST(Paths, ShellFoldersComeFromTheShellsItemList) {
    TestMachine m;
    const std::string appData = TestMachine::Root() + "\\Profile\\Application Data";
    m.SetAppDataFolder(appData);
    // The shell names a folder by an item list only while the folder is on the disk.
    // Natively the fixture also checks that the allocator was released and the list freed.
    const std::tuple<bool, int, std::string> rows[] = {
        {false, CSIDL_APPDATA, "<null>"},
        {true, CSIDL_APPDATA, appData},
        {true, 0x7F, "<null>"},  // no folder has this number
    };
    for (const auto& [made, csidl, expected] : rows) {
        if (made) m.MakeFolder(appData);
        EXPECT_EQ(Text(platform::GetSpecialFolderPath(csidl)), expected) << "CSIDL " << csidl << ", made " << made;
    }
    EXPECT_EQ(Text(platform::GetAppDataFolder()), appData);
}

TEST(Paths, ProgramsStartOnlyWhenTheyExist) {
    TestMachine m;
    const std::string root = TestMachine::Root();
    m.SetString(kProduct, "ProgramLocation", root + "\\Program");
    m.WriteExe(root + "\\Program\\ZenthoNSTrans.exe", 4, 0, 2, 21);
    m.changes()->clear();
    EXPECT_EQ(platform::RunFromProgramFolder("ZenthoNSTrans.exe", ""), 1);
    EXPECT_EQ(platform::RunFromProgramFolder("Missing.exe", ""), 0) << "the shell's error is no success";
    EXPECT_EQ(platform::RunFromProgramFolder(nullptr, ""), 0);
    ASSERT_EQ(m.changes()->size(), 1u);
    EXPECT_EQ(os::ChangeWords(m.changes()->front()), "started " + root + "\\Program\\ZenthoNSTrans.exe");
}

TEST(Paths, LogonEntriesGoToTheMachineOnWindows95Only) {
    const char *user = "HKEY_CURRENT_USER", *machine = "HKEY_LOCAL_MACHINE";
    const std::tuple<DWORD, DWORD, DWORD, int, const char*> rows[] = {
        {2, 5, 0, platform::kWindows2000, user},
        {2, 5, 1, platform::kWindows2000, user},
        {1, 4, 0, platform::kWindows95, machine},
        {1, 4, 10, platform::kWindows98, user},
        {1, 4, 90, platform::kWindows98, user},
        {2, 4, 0, platform::kWindowsNT4, user},
        {2, 6, 1, 0, user},
    };
    // Under Wine the row of the Windows it reports for the run (the suite runs as
    // Windows 98, 2000 and XP); the simulation takes every row.
    OSVERSIONINFOA reported = {};
    reported.dwOSVersionInfoSize = sizeof reported;
    ASSERT_TRUE(TestMachine::Simulated() || os::GetVersionExA(&reported));
    int taken = 0;
    for (const auto& [id, major, minor, flag, runKeyRoot] : rows) {
        SCOPED_TRACE(testing::Message() << "platform " << id << ", " << major << "." << minor);
        if (!TestMachine::Simulated() &&
            (reported.dwPlatformId != id || reported.dwMajorVersion != major || reported.dwMinorVersion != minor))
            continue;
        ++taken;
        TestMachine m;
        m.SetWindowsVersion(id, major, minor);
        EXPECT_EQ(platform::GetWindowsPlatform(), flag);
        EXPECT_EQ(platform::SetRunEntry(HKEY_CURRENT_USER, "ZenthoNSTrans", "\"C:\\p.exe\""), 1);
        const std::string run = std::string(runKeyRoot) + "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
        DWORD type = 0;
        std::string data;
        EXPECT_TRUE(m.GetValue(run, "ZenthoNSTrans", &type, &data) && type == REG_SZ) << run;
        EXPECT_EQ(data, std::string("\"C:\\p.exe\"", 11));
        EXPECT_EQ((std::vector<int>{platform::RemoveRunEntry(HKEY_CURRENT_USER, "ZenthoNSTrans"),
                                    platform::RemoveRunEntry(HKEY_CURRENT_USER, "ZenthoNSTrans")}),
                  (std::vector<int>{1, 0}))
            << "removed once";
    }
    EXPECT_GE(taken, 1) << "no row for the Windows reported: " << reported.dwPlatformId << ", "
                        << reported.dwMajorVersion << "." << reported.dwMinorVersion;
}

}  // namespace
