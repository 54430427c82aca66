// Microsoft Office detection on both backends: the version choice by string order,
// the bar that an InstallRoot key raises even without "Path", and the edition labels
// read from the executables' real version resources.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "detect/office.h"
#include "test_machine.h"

namespace {

const std::string kOffice = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office";

struct Found {
    std::string name, path, key;
};

Found Find(const char* application) {
    char name[261], path[261], key[261];
    std::memset(name, 'x', sizeof name);
    std::memset(path, 'x', sizeof path);
    std::memset(key, 'x', sizeof key);
    detect::FindLatestOfficeApp(application, name, path, key);
    return {name, path, key};
}

class Office : public ::testing::Test {
protected:
    // An Office version with Word installed in its own folder, Winword.exe of the
    // given product version (major < 0: no executable).
    void Install(const std::string& version, int major, int minor = 0) {
        std::string folder = root + "\\Office" + version;
        m.SetString(kOffice + "\\" + version + "\\Word\\InstallRoot", "Path", folder + "\\");
        if (major >= 0)
            m.WriteExe(folder + "\\WINWORD.EXE", static_cast<uint16_t>(major), static_cast<uint16_t>(minor));
    }
    TestMachine m;
    const std::string root = TestMachine::Root();
};

TEST_F(Office, EditionLabelsComeFromTheExecutable) {
    struct Case {
        int major, minor;
        const char* name;
    } cases[] = {{9, 0, "Microsoft Word 2000"}, {8, 5, "Microsoft Word 98"}, {8, 0, "Microsoft Word 97?"},
                 {8, 50, "Microsoft Word 97?"}, {10, 0, "Microsoft Word "},  {-1, 0, "Microsoft Word "}};
    int n = 0;
    for (const auto& c : cases) {
        std::string folder = root + "\\case" + std::to_string(++n);
        m.SetString(kOffice + "\\9.0\\Word\\InstallRoot", "Path", folder);
        if (c.major >= 0)
            m.WriteExe(folder + "\\WINWORD.EXE", uint16_t(c.major), uint16_t(c.minor));
        else
            m.WriteFile(folder + "\\WINWORD.EXE", "no version resource");
        Found f = Find("Word");
        EXPECT_EQ(f.name, c.name) << c.major << "." << c.minor;
        EXPECT_EQ(f.path, folder + "\\Winword.exe");
        EXPECT_EQ(f.key, "Software\\Microsoft\\Office\\9.0\\Word");
    }
}

TEST_F(Office, VersionsCompareAsStrings) {
    Install("8.0", 8, 0);
    Install("9.0", 9, 0);
    Install("10.0", 10, 0);
    m.CreateKey(kOffice + "\\Common");
    m.CreateKey(kOffice + "\\8.0a\\Word\\InstallRoot");
    EXPECT_EQ(Find("Word").key, "Software\\Microsoft\\Office\\9.0\\Word") << "9.0 ranks above 10.0";
    EXPECT_EQ(Find("Excel").name, "") << "no Excel in any version";
    EXPECT_EQ(Find("Winword").path, "") << "only the four applications are known";
}

TEST_F(Office, AnInstallRootWithoutPathRaisesTheBar) {
    // The simulation lists keys as created (as Windows 9x): 10.0 before 9.0 here is the
    // order NT sorts them in too, so both backends see 10.0 first.
    Install("10.0", 10, 0);
    m.CreateKey(kOffice + "\\9.0\\Word\\InstallRoot");
    Found f = Find("Word");
    EXPECT_EQ(f.path, root + "\\Office10.0\\Winword.exe") << "9.0 became the bar but had no folder";
    EXPECT_EQ(f.key, "Software\\Microsoft\\Office\\10.0\\Word");
}

TEST_F(Office, WhenTheBarComesFirstLaterVersionsMustBeatIt) {
    if (!TestMachine::Simulated()) GTEST_SKIP() << "needs keys listed in creation order";
    m.ListKeysInCreationOrder();
    m.CreateKey(kOffice + "\\9.0\\Word\\InstallRoot");
    Install("10.0", 10, 0);
    EXPECT_EQ(Find("Word").path, "") << "10.0 does not beat the bar 9.0";
    Install("8.0", 8, 0);
    EXPECT_EQ(Find("Word").path, "");
}

TEST_F(Office, FolderFormsAndMissingKeys) {
    EXPECT_EQ(Find("Word").name, "") << "no Office key";
    m.SetString(kOffice + "\\9.0\\Word\\InstallRoot", "Path", "\"" + root + "\\Quoted Office\\\"");
    EXPECT_EQ(Find("Word").path, root + "\\Quoted Office\\Winword.exe");
    m.SetString(kOffice + "\\9.0\\Word\\InstallRoot", "Path", root + "\\" + std::string(250, 'o'));
    EXPECT_EQ(Find("Word").path, "") << "a folder that cannot hold the executable's name counts as missing";
    char key[261] = "untouched";
    detect::FindLatestOfficeApp("Word", nullptr, nullptr, key);
    EXPECT_STREQ(key, "");
}

}  // namespace
