// Suite detection on both backends: string order of versions, the three values a
// version needs, the per-user folders, and where the groupware's settings file is
// looked for with each switch.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "detect/suite.h"
#include "frame/exports.h"
#include "test_machine.h"

namespace {

const std::string kSarvin = "HKEY_LOCAL_MACHINE\\Software\\Sarvin";
const std::string kUserSarvin = "HKEY_CURRENT_USER\\Software\\Sarvin";
const std::string kCorvaneState = "HKEY_CURRENT_USER\\SOFTWARE\\Arvelle\\Zentho V4\\ApplTrans\\OfficeTrans\\CV";

struct Info {
    std::string name, path, key;
};

Info Latest(const char* application) {
    char name[261], path[261], key[261];
    std::memset(name, 'x', sizeof name);
    std::memset(path, 'x', sizeof path);
    std::memset(key, 'x', sizeof key);
    GetLatestSarvinTessalineAppInfo(const_cast<char*>(application), name, path, key);
    return {name, path, key};
}

class Suite : public ::testing::Test {
protected:
    void Register(const std::string& app, const std::string& version, const char* path, const char* name,
                  const char* description) {
        std::string key = kSarvin + "\\" + app + "\\" + version;
        m.CreateKey(key);
        if (path) m.SetString(key, "Path", path);
        if (name) m.SetString(key, "Name", name);
        if (description) m.SetString(key, "Description", description);
    }
    TestMachine m;
    const std::string root = TestMachine::Root();
};

TEST_F(Suite, NewestVersionByStringOrder) {
    Register("Calvora", "9.0", "C:\\Calvora90", "Calvora.exe", "Calvora 2001");
    Register("Calvora", "9.7", "\"C:\\Calvora97\\\"", "Calvora.exe", "Calvora");
    Register("Calvora", "10.0", "C:\\Calvora10", "Calvora.exe", "Calvora X");
    Register("Calvora", "9.7 Beta", "C:\\Beta", "Calvora.exe", "Beta");
    Register("Calvora", "Common", "C:\\Common", "Calvora.exe", "Common");
    Info i = Latest("Calvora");
    EXPECT_EQ(i.name, "Sarvin Calvora") << "the description, no version number";
    EXPECT_EQ(i.path, "C:\\Calvora97\\Calvora.exe") << "9.7 beats 10.0; quotes and trailing backslash go";
    EXPECT_EQ(i.key, "Software\\Sarvin\\Calvora\\9.7");
    EXPECT_EQ(Latest("Pictora").name, "") << "not installed";
}

TEST_F(Suite, AHalfRegisteredNewerVersionNeverMixesWithAnOlderOne) {
    Register("Scrivale", "9.0", "C:\\Scrivale90", "Scrivale.exe", "Scrivale");
    Register("Scrivale", "9.5", "C:\\Scrivale95", nullptr, "Scrivale 2");  // no "Name"
    Info i = Latest("Scrivale");
    EXPECT_EQ(i.name, "Sarvin Scrivale");
    EXPECT_EQ(i.path, "C:\\Scrivale90\\Scrivale.exe") << "the name's own version's path";
    EXPECT_EQ(i.key, "Software\\Sarvin\\Scrivale\\9.5") << "the key follows every greater version";
}

TEST_F(Suite, UserFoldersAreExpandedAndTrimmed) {
    m.SetEnv("ZT_PROFILE", root + "\\Profile");
    m.SetString(kUserSarvin + "\\Scrivale\\9.7\\Paths\\Glyphdeck", "JA", "%ZT_PROFILE%\\Glyphdeck\\", REG_EXPAND_SZ);
    m.SetString(kUserSarvin + "\\Scrivale\\9.7\\Paths\\Scripts", "JA", "\"C:\\Scripts\"");
    m.CreateKey(kUserSarvin + "\\Scrivale\\9.0\\Paths\\Glyphdeck");
    std::string folder = "kept";
    detect::GetSuiteUserFolder("Scrivale", "Glyphdeck", &folder);
    EXPECT_EQ(folder, root + "\\Profile\\Glyphdeck");
    detect::GetSuiteUserFolder("Scrivale", "Scripts", &folder);
    EXPECT_EQ(folder, "C:\\Scripts");
    folder = "kept";
    detect::GetSuiteUserFolder("Scrivale", "Work", &folder);
    EXPECT_EQ(folder, "kept") << "a missing folder leaves the text as it was";
    detect::GetSuiteUserFolder("Calvora", "Glyphdeck", &folder);
    EXPECT_EQ(folder, "kept");
}

TEST_F(Suite, SettingsFileSearchFollowsTheSwitches) {
    Register("Corvane", "5.0", (root + "\\Program").c_str(), "Corvane.exe", "Corvane");
    m.SetString(kSarvin + "\\Corvane\\5.0", "DataPath", root + "\\Data\\");
    m.WriteFile(root + "\\Data\\Corvane.ini", "[Corvane]\r\nWinNTIconPath=C:\\FromData\r\n");
    char windows[MAX_PATH];
    os::GetWindowsDirectoryA(windows, MAX_PATH);
    auto iconPath = [](const char* key = nullptr) {
        char out[261];
        std::memset(out, 'x', sizeof out);
        long n = detect::FindCorvaneIconPath(key, out);
        EXPECT_EQ(static_cast<size_t>(n), std::strlen(out));
        return std::string(out);
    };
    EXPECT_EQ(iconPath(), "") << "without the switch the data folder is not tried";
    m.WriteFile(std::string(windows) + "\\Corvane.ini", "[Corvane]\r\nWinNTIconPath=C:\\FromWindows\r\n");
    EXPECT_EQ(iconPath(), "C:\\FromWindows");
    m.WriteFile(root + "\\Program\\Corvane.ini", "[Corvane]\r\nWinNTIconPath=C:\\FromProgram\r\n");
    EXPECT_EQ(iconPath(), "C:\\FromProgram");
    m.SetDword(kCorvaneState, "ForceSearchDataPath", 1);
    EXPECT_EQ(iconPath(), "C:\\FromData");
    EXPECT_EQ(detect::FindCorvaneIconPath(nullptr, nullptr), 11) << "the length alone";

    m.SetDword(kCorvaneState, "ForceSearchDataPath", 0);
    m.WriteFile(root + "\\Program\\Corvane.ini", "[Other]\r\n");
    EXPECT_EQ(iconPath(), "") << "a settings file without the key";
    m.WriteFile(root + "\\OnPath\\Corvane.ini", "[Corvane]\r\nWinNTIconPath=C:\\FromPath\r\n");
    m.SetEnv("PATH", root + "\\Nothing;" + root + "\\OnPath");
    EXPECT_EQ(iconPath("Software\\Sarvin\\Corvane\\None"), "C:\\FromWindows") << "PATH only with its switch";
    m.SetDword(kCorvaneState, "ForceSearchPathEnv", 1);
    EXPECT_EQ(iconPath("Software\\Sarvin\\Corvane\\None"), "C:\\FromPath");
}

}  // namespace
