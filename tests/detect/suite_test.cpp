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

// Name, path and version key, as GetLatestSarvinTessalineAppInfo writes them.
std::string Latest(const char* application) {
    char name[261], path[261], key[261];
    for (char* out : {name, path, key}) std::memset(out, 'x', 261);
    GetLatestSarvinTessalineAppInfo(const_cast<char*>(application), name, path, key);
    return std::string(name) + " | " + path + " | " + key;
}

void Register(TestMachine& m, const std::string& app, const std::string& version, const char* path, const char* name,
              const char* description) {
    const std::string key = kSarvin + "\\" + app + "\\" + version;
    m.CreateKey(key);
    if (path) m.SetString(key, "Path", path);
    if (name) m.SetString(key, "Name", name);
    if (description) m.SetString(key, "Description", description);
}

TEST(Suite, NewestWholeVersionByStringOrder) {
    TestMachine m;
    Register(m, "Calvora", "9.0", "C:\\Calvora90", "Calvora.exe", "Calvora 2001");
    Register(m, "Calvora", "9.7", "\"C:\\Calvora97\\\"", "Calvora.exe", "Calvora");
    Register(m, "Calvora", "10.0", "C:\\Calvora10", "Calvora.exe", "Calvora X");
    Register(m, "Calvora", "9.7 Beta", "C:\\Beta", "Calvora.exe", "Beta");
    Register(m, "Calvora", "Common", "C:\\Common", "Calvora.exe", "Common");
    EXPECT_EQ(Latest("Calvora"), "Sarvin Calvora | C:\\Calvora97\\Calvora.exe | Software\\Sarvin\\Calvora\\9.7")
        << "9.7 beats 10.0; the name is no version's; quotes and trailing backslash go";
    EXPECT_EQ(Latest("Pictora"), " |  | ") << "not installed";
    // A newer version without "Name" moves the key on, never the name and path.
    Register(m, "Scrivale", "9.0", "C:\\Scrivale90", "Scrivale.exe", "Scrivale");
    Register(m, "Scrivale", "9.5", "C:\\Scrivale95", nullptr, "Scrivale 2");
    EXPECT_EQ(Latest("Scrivale"), "Sarvin Scrivale | C:\\Scrivale90\\Scrivale.exe | Software\\Sarvin\\Scrivale\\9.5");
}

TEST(Suite, UserFoldersAreExpandedAndTrimmed) {
    TestMachine m;
    m.SetEnv("ZT_PROFILE", TestMachine::Root() + "\\Profile");
    m.SetString(kUserSarvin + "\\Scrivale\\9.7\\Paths\\Glyphdeck", "JA", "%ZT_PROFILE%\\Glyphdeck\\", REG_EXPAND_SZ);
    m.SetString(kUserSarvin + "\\Scrivale\\9.7\\Paths\\Scripts", "JA", "\"C:\\Scripts\"");
    m.CreateKey(kUserSarvin + "\\Scrivale\\9.0\\Paths\\Glyphdeck");
    const struct {
        const char* application;
        const char* folder;
        std::string found;  // "kept": the text is left as it was
    } rows[] = {
        {"Scrivale", "Glyphdeck", TestMachine::Root() + "\\Profile\\Glyphdeck"},
        {"Scrivale", "Scripts", "C:\\Scripts"},
        {"Scrivale", "Work", "kept"},
        {"Calvora", "Glyphdeck", "kept"},
    };
    for (const auto& row : rows) {
        std::string folder = "kept";
        detect::GetSuiteUserFolder(row.application, row.folder, &folder);
        EXPECT_EQ(folder, row.found) << row.application << " " << row.folder;
    }
}

TEST(Suite, SettingsFileSearchFollowsTheSwitches) {
    TestMachine m;
    const std::string root = TestMachine::Root(), state =
                                                      "HKEY_CURRENT_USER\\SOFTWARE\\Arvelle\\Zentho V4\\ApplTrans\\"
                                                      "OfficeTrans\\CV";
    Register(m, "Corvane", "5.0", (root + "\\Program").c_str(), "Corvane.exe", "Corvane");
    m.SetString(kSarvin + "\\Corvane\\5.0", "DataPath", root + "\\Data\\");
    auto settings = [&](const std::string& folder, const char* icons) {
        m.WriteFile(folder + "\\Corvane.ini",
                    icons ? std::string("[Corvane]\r\nWinNTIconPath=") + icons + "\r\n" : "[Other]\r\n");
    };
    auto iconPath = [](const char* key = nullptr) {
        char out[261];
        std::memset(out, 'x', sizeof out);
        const long n = detect::FindCorvaneIconPath(key, out);
        EXPECT_EQ(static_cast<size_t>(n), std::strlen(out)) << "the count of " << out;
        return std::string(out);
    };
    settings(root + "\\Data", "C:\\FromData");
    EXPECT_EQ(iconPath(), "") << "without the switch the data folder is not tried";
    char windows[MAX_PATH];
    os::GetWindowsDirectoryA(windows, MAX_PATH);
    settings(windows, "C:\\FromWindows");
    EXPECT_EQ(iconPath(), "C:\\FromWindows");
    settings(root + "\\Program", "C:\\FromProgram");
    EXPECT_EQ(iconPath(), "C:\\FromProgram") << "the program's folder before Windows'";
    m.SetDword(state, "ForceSearchDataPath", 1);
    EXPECT_EQ(iconPath(), "C:\\FromData");
    EXPECT_EQ(detect::FindCorvaneIconPath(nullptr, nullptr), 11) << "the length alone";
    m.SetDword(state, "ForceSearchDataPath", 0);
    settings(root + "\\Program", nullptr);
    EXPECT_EQ(iconPath(), "") << "a settings file without the key";
    settings(root + "\\OnPath", "C:\\FromPath");
    m.SetEnv("PATH", root + "\\Nothing;" + root + "\\OnPath");
    EXPECT_EQ(iconPath("Software\\Sarvin\\Corvane\\None"), "C:\\FromWindows") << "PATH only with its switch";
    m.SetDword(state, "ForceSearchPathEnv", 1);
    EXPECT_EQ(iconPath("Software\\Sarvin\\Corvane\\None"), "C:\\FromPath");
}

}  // namespace
