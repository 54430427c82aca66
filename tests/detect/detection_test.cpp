// The detection routines on both backends: Office editions from the executables'
// version resources, the versions and folders that count; the suite's user
// folders and settings file; Acrobat's versions, machine before user; Ichitaro's three.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "detect/adobe_ichitaro.h"
#include "detect/office.h"
#include "detect/suite.h"
#include "frame/exports.h"
#include "test_machine.h"

namespace {

const std::string kMachine = "HKEY_LOCAL_MACHINE\\Software\\", kUser = "HKEY_CURRENT_USER\\Software\\",
                  kOffice = kMachine + "Microsoft\\Office\\";

// The texts a routine writes into its first buffers of 261 bytes, poisoned with 'x'.
template <typename Routine>
std::string Written(Routine routine, int buffers = 3) {
    char out[3][262] = {};
    for (auto& o : out) std::memset(o, 'x', 261);
    routine(out[0], out[1], out[2]);
    std::string text = out[0];
    for (int i = 1; i < buffers; ++i) text += std::string(" | ") + out[i];
    return text;
}
std::string Office(const std::string& app) {
    return Written([&](char* a, char* b, char* c) { detect::FindLatestOfficeApp(app.c_str(), a, b, c); });
}

TEST(Office, EditionLabelsAndProgramsComeFromTheExecutables) {
    TestMachine m;
    const std::string folder = TestMachine::Root() + "\\Office";
    const std::string word = " | " + folder + "\\Winword.exe | Software\\Microsoft\\Office\\9.0\\Word";
    m.SetString(kOffice + "9.0\\Word\\InstallRoot", "Path", folder);
    const std::tuple<int, int, const char*> labels[] = {
        // major < 0: a file without version resource
        {9, 0, "2000"}, {8, 5, "98"}, {8, 0, "97?"}, {8, 50, "97?"}, {10, 0, ""}, {-1, 0, ""}};
    for (const auto& [major, minor, label] : labels) {
        if (major < 0) m.WriteFile(folder + "\\WINWORD.EXE", "no version resource");
        if (major >= 0) m.WriteExe(folder + "\\WINWORD.EXE", uint16_t(major), uint16_t(minor));
        EXPECT_EQ(Office("Word"), "Microsoft Word " + std::string(label) + word) << major << "." << minor;
    }
    const std::pair<std::string, std::string> others[] = {
        {"Excel", "Excel.exe"}, {"PowerPoint", "Powerpnt.exe"}, {"Outlook", "Outlook.exe"}};
    for (const auto& [app, exe] : others) {
        m.SetString(kOffice + "9.0\\" + app + "\\InstallRoot", "Path", folder);
        m.WriteExe(folder + "\\" + exe, 9, 0);
        EXPECT_EQ(Office(app), "Microsoft " + app + " 2000 | " + folder + "\\" + exe +
                                   " | Software\\Microsoft\\Office\\9.0\\" + app);
    }
}

TEST(Office, VersionsCompareAsStringsAndTheBarRisesWithoutPath) {
    TestMachine m;
    for (const char* version : {"8.0", "9.0", "10.0", "9.0a"})
        m.SetString(kOffice + version + "\\Word\\InstallRoot", "Path", std::string("C:\\O") + version);
    m.CreateKey(kOffice + "Common");
    EXPECT_EQ(Office("Word"), "Microsoft Word  | C:\\O9.0\\Winword.exe | Software\\Microsoft\\Office\\9.0\\Word")
        << "9.0 ranks above 10.0; 9.0a is no version";
    EXPECT_EQ(Office("Excel"), " |  | ") << "no Excel in any version";
    EXPECT_EQ(Office("Winword"), " |  | ") << "only the four applications are known";
    for (const char* version : {"8.0", "9.0"}) m.DeleteTree(kOffice + version);
    m.CreateKey(kOffice + "9.0\\Word\\InstallRoot");  // listed after 10.0
    EXPECT_EQ(Office("Word"), "Microsoft Word  | C:\\O10.0\\Winword.exe | Software\\Microsoft\\Office\\10.0\\Word");
}

TEST(Office, InstallFolderForms) {
    // Quoted with a trailing backslash; 248 bytes, which fit 260 with "\Winword.exe", and 249.
    TestMachine m;
    const std::string root = TestMachine::Root(), fits = root + "\\" + std::string(248 - root.size() - 1, 'o');
    for (const auto& [path, found] :
         {std::make_pair("\"" + root + "\\Quoted\\\"", root + "\\Quoted\\Winword.exe"),
          std::make_pair(fits, fits + "\\Winword.exe"), std::make_pair(fits + "o", std::string())}) {
        m.SetString(kOffice + "9.0\\Word\\InstallRoot", "Path", path);
        EXPECT_EQ(Office("Word"),
                  found.empty() ? " |  | " : "Microsoft Word  | " + found + " | Software\\Microsoft\\Office\\9.0\\Word")
            << path.size() << " bytes: " << path;
    }
}

TEST(Suite, UserFoldersAreExpandedAndTrimmed) {
    TestMachine m;
    m.SetEnv("ZT_PROFILE", TestMachine::Root() + "\\Profile");
    m.SetString(kUser + "Sarvin\\Scrivale\\9.7\\Paths\\Glyphdeck", "JA", "%ZT_PROFILE%\\Glyphdeck\\", REG_EXPAND_SZ);
    m.SetString(kUser + "Sarvin\\Scrivale\\9.7\\Paths\\Scripts", "JA", "\"C:\\Scripts\"");
    m.CreateKey(kUser + "Sarvin\\Scrivale\\9.0\\Paths\\Glyphdeck");
    const std::tuple<const char*, const char*, std::string> rows[] = {
        // "kept": the text is left as it was
        {"Scrivale", "Glyphdeck", TestMachine::Root() + "\\Profile\\Glyphdeck"},
        {"Scrivale", "Scripts", "C:\\Scripts"},
        {"Scrivale", "Work", "kept"},
        {"Calvora", "Glyphdeck", "kept"}};
    for (const auto& [application, folderName, found] : rows) {
        std::string folder = "kept";
        detect::GetSuiteUserFolder(application, folderName, &folder);
        EXPECT_EQ(folder, found) << application << " " << folderName;
    }
}

TEST(Suite, SettingsFileSearchFollowsTheSwitches) {
    TestMachine m;
    const std::string root = TestMachine::Root();
    const std::string state = "HKEY_CURRENT_USER\\SOFTWARE\\Arvelle\\Zentho V4\\ApplTrans\\OfficeTrans\\CV";
    const std::string corvane = kMachine + "Sarvin\\Corvane\\5.0";
    m.SetString(corvane, "Path", root + "\\Program");
    m.SetString(corvane, "Name", "Corvane.exe");
    m.SetString(corvane, "Description", "Corvane");
    m.SetString(corvane, "DataPath", root + "\\Data\\");
    m.SetEnv("PATH", root + "\\Nothing;" + root + "\\OnPath");
    char windows[MAX_PATH];
    os::GetWindowsDirectoryA(windows, MAX_PATH);
    // Each step writes a settings file ("folder|icons", no icons: no key) or switches a
    // search on or off ("switch|0 or 1"), then reads with the version key found or given.
    const std::tuple<std::string, const char*, const char*> steps[] = {
        {root + "\\Data|C:\\FromData", nullptr, ""},  // without the switch the data folder is not tried
        {std::string(windows) + "|C:\\FromWindows", nullptr, "C:\\FromWindows"},
        {root + "\\Program|C:\\FromProgram", nullptr, "C:\\FromProgram"},  // the program's folder first
        {"ForceSearchDataPath|1", nullptr, "C:\\FromData"},
        {"ForceSearchDataPath|0", nullptr, "C:\\FromProgram"},
        {root + "\\Program|", nullptr, ""},  // a settings file without the key
        {root + "\\OnPath|C:\\FromPath", "Software\\Sarvin\\Corvane\\None",
         "C:\\FromWindows"},  // PATH needs its switch
        {"ForceSearchPathEnv|1", "Software\\Sarvin\\Corvane\\None", "C:\\FromPath"},
    };
    for (const auto& [step, key, found] : steps) {
        const std::string target = step.substr(0, step.find('|')), value = step.substr(step.find('|') + 1);
        if (target.rfind("Force", 0) == 0) m.SetDword(state, target.c_str(), value == "1");
        if (target.rfind("Force", 0) != 0)
            m.WriteFile(target + "\\Corvane.ini", value.empty() ? "" : "[Corvane]\r\nWinNTIconPath=" + value + "\r\n");
        char out[261];
        std::memset(out, 'x', sizeof out);
        const long n = detect::FindCorvaneIconPath(key, out);
        EXPECT_EQ(std::to_string(n) + " " + out, std::to_string(std::strlen(found)) + " " + found) << "after " << step;
    }
}

TEST(AdobeAndIchitaro, AdobeVersionsMachineFirstThenUser) {
    TestMachine m;
    const auto adobe = [](const char* product) {
        int found = -1;
        const std::string text =
            Written([&](char* a, char* b, char*) { found = detect::FindLatestAdobeApp(product, a, b); }, 2);
        return std::to_string(found) + " " + text;
    };
    EXPECT_EQ(adobe("Acrobat Reader"), "0  | ");
    m.SetString(kUser + "Adobe\\Adobe Acrobat\\5.0\\InstallPath", "", "C:\\UserAcrobat");
    EXPECT_EQ(adobe("Adobe Acrobat"), "1 Adobe Acrobat 5.0 | C:\\UserAcrobat") << "registered for the user alone";
    for (const char* version : {"4.0", "5.0", "10.0"})
        m.SetString(kMachine + "Adobe\\Acrobat Reader\\" + version + "\\InstallPath", "",
                    std::string("\"C:\\R") + version + "\\\"");
    m.SetString(kUser + "Adobe\\Acrobat Reader\\6.0\\InstallPath", "", "C:\\UserReader");
    EXPECT_EQ(adobe("Acrobat Reader"), "1 Acrobat Reader 5.0 | \"C:\\R5.0\\\"")
        << "5.0 beats 10.0; the folder as stored; the user's not read";
    m.CreateKey(kMachine + "Adobe\\Adobe Acrobat\\5.0");
    EXPECT_EQ(adobe("Adobe Acrobat"), "1 Adobe Acrobat 5.0 | ") << "a version without InstallPath, with no folder";
}

TEST(AdobeAndIchitaro, IchitaroKnowsThreeVersions) {
    // Ichitaro 10's folder is written quoted, with a trailing backslash; a greater
    // unknown version hides the known ones.
    const std::tuple<std::vector<const char*>, const char*> rows[] = {
        {{"10.0", "11.0"}, "Taro 11.0 | C:\\JUST\\TARO11\\Taro11.exe"},
        {{"9.0", "10.0"}, "Taro 9.0 | C:\\JUST\\TARO9\\Taro9.exe"},
        {{"10.0"}, "Taro 10.0 | C:\\JUST\\TARO10\\Taro10.exe"},
        {{"12.0"}, " | "},
        {{"11.0", "12.0"}, " | "},
        {{"Common"}, " | "},
    };
    for (const auto& [versions, found] : rows) {
        TestMachine m;
        const std::string folders = kMachine + "Justsystem\\Common\\SETUP\\Folder";
        m.SetString(folders, "Tarowin9", "C:\\JUST\\TARO9");
        m.SetString(folders, "Taro10", "\"C:\\JUST\\TARO10\\\"");
        m.SetString(folders, "Taro11", "C:\\JUST\\TARO11");
        for (const char* version : versions)
            m.SetString(kMachine + "Justsystem\\Taro\\" + version + "\\SETUP\\ProductName", "Detail",
                        std::string("Taro ") + version);
        EXPECT_EQ(Written([](char* a, char* b, char*) { detect::FindLatestIchitaro(a, b); }, 2), found)
            << "versions up to " << versions.back();
    }
}

}  // namespace
