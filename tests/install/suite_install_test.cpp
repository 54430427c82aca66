// The suite branches on both backends: files placed in the folders the suite's
// registration names, cleaned up before an install, and nothing done when a folder
// is missing.
#include <tuple>

#include "install/mechanics.h"
#include "installer_fixture.h"

namespace {

const std::string kSarvin = "HKEY_LOCAL_MACHINE\\Software\\Sarvin";
const std::string kUserSarvin = "HKEY_CURRENT_USER\\Software\\Sarvin";

class SuiteInstall : public InstallerTest {
protected:
    // The application's registration; its program too, unless the path names no folder for it.
    void Register(const std::string& app, const std::string& folder, const std::string& exe, bool program = true) {
        m.SetString(kSarvin + "\\" + app + "\\9.7", "Path", folder);
        m.SetString(kSarvin + "\\" + app + "\\9.7", "Name", exe);
        m.SetString(kSarvin + "\\" + app + "\\9.7", "Description", app);
        if (program) m.WriteExe(folder + "\\" + exe, 9, 7);
    }
    std::string UserFolder(const std::string& app, const std::string& name, bool exists = true) {
        std::string folder = root + "\\User\\" + app + "\\" + name;
        m.SetString(kUserSarvin + "\\" + app + "\\9.7\\Paths\\" + name, "JA", folder);
        if (exists) m.MakeFolder(folder);
        return folder;
    }
};

TEST_F(SuiteInstall, ScrivaleCleansUpCopiesAndStarts) {
    Register("Scrivale", root + "\\Suite\\Scrivale", "Scrivale.exe");
    const std::string icons = UserFolder("Scrivale", "Glyphdeck"), scripts = UserFolder("Scrivale", "Scripts");
    m.WriteFile(scripts + "\\Zentho4A.yso", "an earlier edition's");
    const std::string source = Data("Scrivale");
    EXPECT_EQ(Run(0x802, 1, 0), (Changes{"deleted file " + scripts + "\\Zentho4A.yso",
                                         "copied " + source + "\\Zentho4.bmp to " + icons + "\\Zentho4.bmp",
                                         "copied " + source + "\\Zentho4.gyd to " + icons + "\\Zentho4.gyd",
                                         "copied " + source + "\\Zentho4.yss to " + scripts + "\\Zentho4.yss",
                                         "started " + source + "\\ZenthoScrivaleAdd.exe"}));
    EXPECT_EQ(Run(0x802, 0, 1),
              (Changes{"deleted file " + icons + "\\Zentho4.bmp", "deleted file " + icons + "\\Zentho4.gyd",
                       "deleted file " + scripts + "\\Zentho4.yss"}));
    EXPECT_EQ(Run(0x802, 0, 0), Changes{});
}

TEST_F(SuiteInstall, MissingFoldersChangeNothing) {
    Register("Calvora", root + "\\Suite\\Calvora", "Calvora.exe");
    UserFolder("Calvora", "Glyphdeck", false);
    UserFolder("Calvora", "Work");
    EXPECT_EQ(Run(0x804, 1, 0), Changes{}) << "Glyphdeck registered but missing";
    m.SetString(kUserSarvin + "\\Calvora\\9.7\\Paths\\Work", "JA", root + "\\nowhere");
    const std::string icons = UserFolder("Calvora", "Glyphdeck");
    m.DeleteTree(kUserSarvin + "\\Calvora\\9.7\\Paths\\Work");
    EXPECT_EQ(Run(0x804, 1, 0), Changes{}) << "the work folder not registered: missing too";
    const std::string work = UserFolder("Calvora", "Work");
    m.WriteFile(icons + "\\Zentho4.gyd", "Calvora takes no toolbar set of its own");
    const std::string source = Data("Calvora");
    EXPECT_EQ(Run(0x804, 1, 0), (Changes{"deleted file " + icons + "\\Zentho4.gyd",
                                         "copied " + source + "\\Zentho4.bmp to " + icons + "\\Zentho4.bmp",
                                         "copied " + source + "\\Zentho4.yss to " + work + "\\Zentho4.yss"}));
}

TEST_F(SuiteInstall, PictoraWorkFolderAndCorvaneProgramFolder) {
    Register("Pictora", root + "\\Suite\\pct", "p32main.exe");
    const std::string icons = UserFolder("Pictora", "Icons");
    m.MakeFolder(root + "\\Suite\\work\\pct");
    EXPECT_EQ(Run(0x808, 1, 0),
              (Changes{"copied " + Data("pct") + "\\Zentho4.bmp to " + icons + "\\Zentho4.bmp",
                       "copied " + Data("pct") + "\\Zentho4.yss to " + root + "\\Suite\\work\\pct\\Zentho4.yss"}));

    Register("Corvane", root + "\\Suite\\Corvane", "Corvane.exe");
    m.WriteFile(root + "\\Suite\\Corvane\\Corvane.ini", "[Corvane]\r\nWinNTIconPath=" + root + "\\Icons\r\n");
    m.MakeFolder(root + "\\Icons");
    const std::string folder = root + "\\Suite\\Corvane\\";
    EXPECT_EQ(Run(0x801, 1, 0),
              (Changes{"copied " + Data("Corvane") + "\\Zentho4.bmp to " + root + "\\Icons\\Zentho4.bmp",
                       "copied " + Data("Corvane") + "\\Zentho4.mac to " + root + "\\Icons\\Zentho4.mac",
                       "copied " + program + "\\Zentho4A.exe to " + folder + "Zentho4A.exe",
                       "copied " + program + "\\ZenthoAppAPILib.dll to " + folder + "ZenthoAppAPILib.dll"}));
    m.WriteFile(root + "\\Suite\\Corvane\\Corvane.ini", "[Corvane]\r\n");
    EXPECT_EQ(Run(0x801, 0, 1), Changes{}) << "no icon folder: not even the program files go";
}

// Folders the installer must never write in: a registered path too short for the cut
// that gives the program's folder gives no folder, and then nothing is done (the
// file names alone would name files in the current folder, here the product's own);
// and a groupware registered in the product's own folder gets no copies there.
TEST_F(SuiteInstall, FoldersTheInstallerNeverTouches) {
    char windows[MAX_PATH] = {};
    os::GetWindowsDirectoryA(windows, MAX_PATH);
    m.WriteFile(std::string(windows) + "\\Corvane.ini", "[Corvane]\r\nWinNTIconPath=" + root + "\\Icons\r\n");
    m.WriteFile(program + "\\Corvane.ini", "[Corvane]\r\nWinNTIconPath=" + root + "\\Icons\r\n");
    m.MakeFolder(root + "\\Icons");
    m.MakeFolder("C:\\work\\pct");
    UserFolder("Pictora", "Icons");
    const std::string icons = root + "\\Icons\\Zentho4.", source = Data("Corvane") + "\\Zentho4.";
    const struct {
        unsigned int appId;
        const char* application;
        std::string path, name;
        Changes on, off;
    } rows[] = {
        {0x801, "Corvane", "", "C.exe", {}, {}},    // "\C.exe", shorter than "Corvane.exe"
        {0x808, "Pictora", "C:", "p.exe", {}, {}},  // "C:\p.exe", shorter than "\pct\p32main.exe"
        {0x801,
         "Corvane",
         program,
         "Corvane.exe",
         {"copied " + source + "bmp to " + icons + "bmp", "copied " + source + "mac to " + icons + "mac"},
         {"deleted file " + icons + "bmp", "deleted file " + icons + "mac"}},
    };
    m.SetCurrentFolder(program);
    const auto before = m.Files(program);
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.application) + " at \"" + row.path + "\"");
        m.DeleteTree(kSarvin);
        Register(row.application, row.path, row.name, false);
        ASSERT_GT(GetLatestApplicationPath(row.appId, nullptr), 0) << "found";
        EXPECT_EQ(Run(row.appId, 1, 0), row.on);
        EXPECT_EQ(Run(row.appId, 0, 1), row.off);
        EXPECT_EQ(m.Files(program), before) << "the product's own files";
    }
}

// The product's folders however a path names them: in any case, with "." and ".." parts,
// a trailing backslash, or by a short name (natively as the simulation makes it).
TEST_F(SuiteInstall, TheProductsFoldersByAnyOtherName) {
    const std::string product = root + "\\Arvelle Zentho V4", programs = product + "\\Program";
    m.MakeFolder(programs);
    const std::string brief = m.ShortPath(product);
    ASSERT_NE(brief.find('~'), std::string::npos) << "a short name: " << brief;
    for (const auto& [install, target, safe] : std::vector<std::tuple<std::string, std::string, bool>>{
             {product, "C:\\ZT\\ARVELLE ZENTHO V4\\program\\x.dll", false},
             {product, product + "\\", false},
             {product, root + "\\Other\\..\\Arvelle Zentho V4\\x", false},
             {product, root + "\\.\\Arvelle Zentho V4\\Program\\.\\x", false},
             {product, brief + "\\Program\\x", false},
             {brief, programs + "\\x", false},  // the settings in short form
             {product + "\\", product + "\\x", false},
             {product, root + "\\Arvelle Zentho V4 Other\\x", true},  // a longer name is another folder
             {product, m.ShortPath(user) + "\\x", true},              // another folder by its short name
             {product, "\\\\.\\" + product + "\\x", false},           // a device path: no telling
             {product, root + "\\Other\\New~1\\x", false}}) {         // a short name that names nothing yet: no telling
        m.SetString(kProduct, "InstallLocation", install);
        m.SetString(kProduct, "ProgramLocation", install + "\\Program");
        EXPECT_EQ(install::IsSafeTarget(target), safe) << target << " with the product in " << install;
    }
}

}  // namespace
