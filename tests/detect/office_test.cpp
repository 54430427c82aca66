// Microsoft Office detection on both backends: edition labels read from the
// executables' version resources, the version choice by string order, and the install
// folder forms that count.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "detect/office.h"
#include "test_machine.h"

namespace {

const std::string kOffice = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office";

struct Found {
    std::string name, path, key;
    bool operator==(const Found& o) const { return name == o.name && path == o.path && key == o.key; }
};
std::ostream& operator<<(std::ostream& out, const Found& f) {
    return out << '"' << f.name << "\", \"" << f.path << "\", \"" << f.key << '"';
}

Found Find(const char* application) {
    char name[261], path[261], key[261];
    for (char* out : {name, path, key}) std::memset(out, 'x', 261);
    detect::FindLatestOfficeApp(application, name, path, key);
    return {name, path, key};
}

TEST(Office, EditionLabelsComeFromTheExecutable) {
    const struct {
        int major, minor;  // major < 0: a file without version resource
        const char* name;
    } rows[] = {{9, 0, "Microsoft Word 2000"}, {8, 5, "Microsoft Word 98"}, {8, 0, "Microsoft Word 97?"},
                {8, 50, "Microsoft Word 97?"}, {10, 0, "Microsoft Word "},  {-1, 0, "Microsoft Word "}};
    TestMachine m;
    const std::string folder = TestMachine::Root() + "\\Office";
    m.SetString(kOffice + "\\9.0\\Word\\InstallRoot", "Path", folder);
    for (const auto& row : rows) {
        if (row.major >= 0)
            m.WriteExe(folder + "\\WINWORD.EXE", uint16_t(row.major), uint16_t(row.minor));
        else
            m.WriteFile(folder + "\\WINWORD.EXE", "no version resource");
        EXPECT_EQ(Find("Word"), (Found{row.name, folder + "\\Winword.exe", "Software\\Microsoft\\Office\\9.0\\Word"}))
            << "version " << row.major << "." << row.minor;
    }
}

TEST(Office, VersionsCompareAsStrings) {
    TestMachine m;
    for (const char* version : {"8.0", "9.0", "10.0"})
        m.SetString(kOffice + "\\" + version + "\\Word\\InstallRoot", "Path", std::string("C:\\Office") + version);
    m.CreateKey(kOffice + "\\Common");
    m.SetString(kOffice + "\\9.0a\\Word\\InstallRoot", "Path", "C:\\Office9.0a");
    EXPECT_EQ(Find("Word").key, "Software\\Microsoft\\Office\\9.0\\Word") << "9.0 ranks above 10.0; 9.0a is no version";
    EXPECT_EQ(Find("Excel"), Found{}) << "no Excel in any version";
    EXPECT_EQ(Find("Winword"), Found{}) << "only the four applications are known";
}

TEST(Office, AVersionWithoutPathRaisesTheBarButGivesNoFolder) {
    TestMachine m;
    m.SetString(kOffice + "\\10.0\\Word\\InstallRoot", "Path", "C:\\O10");  // listed before 9.0
    m.CreateKey(kOffice + "\\9.0\\Word\\InstallRoot");
    EXPECT_EQ(Find("Word"),
              (Found{"Microsoft Word ", "C:\\O10\\Winword.exe", "Software\\Microsoft\\Office\\10.0\\Word"}));
}

TEST(Office, InstallFolderForms) {
    const std::string root = TestMachine::Root();
    // The folder and "\Winword.exe" (12 bytes) must fit 260 bytes.
    const std::string fits = root + "\\" + std::string(248 - root.size() - 1, 'o'), over = fits + "o";
    const struct {
        const char* name;
        std::string path;  // "-" for no Office key
        std::string found;
    } rows[] = {
        {"quoted, trailing backslash", "\"" + root + "\\Quoted Office\\\"", root + "\\Quoted Office\\Winword.exe"},
        {"248 bytes", fits, fits + "\\Winword.exe"},
        {"249 bytes", over, ""},
        {"no Office key", "-", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TestMachine m;
        if (row.path != "-") m.SetString(kOffice + "\\9.0\\Word\\InstallRoot", "Path", row.path);
        EXPECT_EQ(Find("Word").path, row.found);
        char key[261] = "untouched";
        detect::FindLatestOfficeApp("Word", nullptr, nullptr, key);
        EXPECT_STREQ(key, row.found.empty() ? "" : "Software\\Microsoft\\Office\\9.0\\Word");
    }
}

}  // namespace
