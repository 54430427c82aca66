// Nothing of the user's is lost. A machine where the user has files and values of
// their own beside every place the installer writes, deletes or overwrites, and in
// the places the product shares with the user (Outlook's macro project, Quillon's
// translation library); every application switched in mixed sequences, from a state
// of off and of on, and off at the end. Afterwards every file is byte for byte what
// it was, and the registry differs only where the product keeps its own state.
#include <algorithm>

#include "catalogue/catalogue.h"
#include "install/windows.h"
#include "installer_fixture.h"
#include "platform/heap_string.h"
#include "platform/paths.h"

namespace {

const std::string kLM = "HKEY_LOCAL_MACHINE\\Software\\";
const std::string kCU = "HKEY_CURRENT_USER\\Software\\";
const std::string kAppPaths = kLM + "Microsoft\\Windows\\CurrentVersion\\App Paths\\";

// The registry as blocks of one key each ("[KEY]" and its values), in export order.
std::vector<std::string> Blocks(const std::string& exported) {
    // The export is UTF-16: its ASCII is enough to tell keys apart and name them.
    std::string text;
    for (size_t i = 2; i + 1 < exported.size(); i += 2) text += exported[i + 1] ? '?' : exported[i];
    std::vector<std::string> blocks;
    size_t at = 0;
    while ((at = text.find("\r\n[", at)) != std::string::npos) {
        size_t end = text.find("\r\n\r\n", at + 2);
        blocks.push_back(text.substr(at + 2, end == std::string::npos ? std::string::npos : end - at - 2));
        at += 2;
    }
    return blocks;
}

class BlastRadius : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        install::Bounds().ichitaroStartMs = install::Bounds().ichitaroCloseMs = 3000;
        platform::HeapString now(platform::GetAppDataFolder());
        ASSERT_EQ(std::string(now ? now.get() : "(none)"), user) << "the user's folders are the test's";
        InstallApplications();
        PlaceUsersOwn();
        // Names alone would land in the current folder: let it be the product's own.
        m.SetCurrentFolder(program);
    }
    void TearDown() override { install::Bounds() = install::WaitBounds(); }

    void Exe(const std::string& path, uint16_t major, uint16_t minor) { m.WriteExe(root + "\\" + path, major, minor); }

    void InstallApplications() {
        using Pairs = std::vector<std::pair<std::string, std::string>>;
        // Every application of the catalogue that the shell's App Paths name, and every
        // Office application by its key, each in a folder of its own.
        for (const auto& app : catalogue::kApplications)
            if (app.detection == catalogue::Detection::kExplorerStyle ||
                app.detection == catalogue::Detection::kVersioned) {
                const std::string exe = std::string(app.shortName) + "\\" + app.program;
                m.SetString(kAppPaths + app.program, "", root + "\\" + exe);
                Exe(exe, 5, 50);
            }
        m.SetString(kCU + "Qualcomm\\Eudora\\CommandLine", "Current", root + "\\eudora\\eudora.exe");
        m.SetString(kLM + "Netscape\\Netscape Navigator\\4.76 (en)\\Main", "Install Directory", root + "\\Netscape");
        m.InstallProductProgram(program + "\\ZenthoNSTrans.exe");
        m.InstallProductProgram(program + "\\ZenthoMailTransToolBar.exe");
        for (const auto& app : catalogue::kApplications)
            if (app.detection == catalogue::Detection::kOffice) {
                m.SetString(kLM + "Microsoft\\Office\\9.0\\" + app.detectName + "\\InstallRoot", "Path",
                            root + "\\Office");
                Exe(std::string("Office\\") + app.program, 9, 0);
            }
        for (const auto& [app, folder, exe] : std::vector<std::tuple<std::string, std::string, std::string>>{
                 {"Corvane", "Suite\\Corvane", "Corvane.exe"},
                 {"Scrivale", "Suite\\Scrivale", "Scrivale.exe"},
                 {"Calvora", "Suite\\Calvora", "Calvora.exe"},
                 {"Pictora", "Suite\\pct", "p32main.exe"}}) {
            for (const auto& [name, text] : Pairs{{"Path", root + "\\" + folder}, {"Name", exe}, {"Description", app}})
                m.SetString(kLM + "Sarvin\\" + app + "\\9.7", name, text);
            Exe(folder + "\\" + exe, 9, 7);
        }
        m.WriteFile(root + "\\Suite\\Corvane\\Corvane.ini",
                    "[Corvane]\r\nWinNTIconPath=" + root + "\\Suite\\Icons\r\n");
        for (const auto& [app, name] : Pairs{{"Scrivale", "Glyphdeck"},
                                             {"Scrivale", "Scripts"},
                                             {"Calvora", "Glyphdeck"},
                                             {"Calvora", "Work"},
                                             {"Pictora", "Icons"}})
            m.SetString(kCU + "Sarvin\\" + app + "\\9.7\\Paths\\" + name, "JA", root + "\\User\\" + app + "\\" + name);
        m.SetString(kLM + "Adobe\\Adobe Acrobat\\5.0\\InstallPath", "", root + "\\Acrobat");
        m.SetString(kLM + "Adobe\\Acrobat Reader\\5.0\\InstallPath", "", root + "\\Reader");
        m.SetString(kLM + "Justsystem\\Taro\\11.0\\SETUP\\ProductName", "Detail", "Taro");
        m.SetString(kLM + "Justsystem\\Common\\SETUP\\Folder", "Taro11", root + "\\Taro");
        TestMachine::Behaviour taro;  // runs the product's macro: opens and closes again
        taro.windows = {{"js:TARO11", "Taro"}};
        taro.showAfterMs = 100;
        taro.closeAfterMs = 200;
        m.InstallProgram(root + "\\Taro\\Taro11.exe", taro);
    }

    // The user's own, in every folder and key the installer works in.
    void PlaceUsersOwn() {
        // Beside every Office add-in, in the application's folder and in the user's.
        for (const auto& app : catalogue::kApplications)
            if (app.addIn)
                for (const std::string& folder : {"Office" + std::string(app.addIn->installSubfolder),
                                                  "Profile\\Application Data" + std::string(app.addIn->userSubfolder)})
                    m.WriteFile(root + "\\" + folder + "\\Own " + app.addIn->file, "the user's own " + folder);
        for (const char* file :
             {"eudora\\Plugins\\Spell.dll", "Suite\\Corvane\\Notes.txt", "Suite\\Icons\\Own.bmp",
              "User\\Scrivale\\Glyphdeck\\Own.gyd", "User\\Scrivale\\Scripts\\Own.yss",
              "User\\Calvora\\Glyphdeck\\Own.bmp", "User\\Calvora\\Work\\Own.yss", "User\\Pictora\\Icons\\Own.bmp",
              "Suite\\work\\pct\\Own.yss", "Acrobat\\plug_ins\\Own.api", "Reader\\plug_ins\\Own.api", "Taro\\Own.jtd",
              "Profile\\Application Data\\Microsoft\\Outlook\\outcmd.dat",
              "Profile\\Application Data\\Microsoft\\Outlook\\VbaProject.OTM"})
            m.WriteFile(root + "\\" + file, std::string("the user's own ") + file);
        m.SetString(kCU + "Arvelle\\Quillon\\Users", "TranslationLib", "%ProgramFiles%\\Other\\OtherTrans.dll",
                    REG_EXPAND_SZ);
        m.SetString(kCU + "Microsoft\\Windows\\CurrentVersion\\Run", "Clock", "C:\\Clock\\clock.exe");
        m.SetString(kCU + "Microsoft\\Internet Explorer\\MenuExt\\Other: translate", "", "C:\\Other\\menu.htm");
        m.SetString(kCU + "Microsoft\\Internet Explorer\\MenuExt\\Zentho:edition", "", "C:\\Other\\menu.htm");
        m.SetString(kCU + "Microsoft\\Internet Explorer\\Extensions\\{00000000-1111-2222-3333-444444444444}", "Script",
                    "C:\\Other\\tool.htm");
        m.SetDword(kCU + "Microsoft\\Office\\9.0\\PowerPoint\\AddIns\\Tools", "AutoLoad", 1);
    }

    // Every registry area the installer may touch; natively the whole registry.
    std::vector<std::string> Registry() {
        std::vector<std::string> blocks;
        const std::vector<std::string> areas =
            TestMachine::Simulated() ? std::vector<std::string>{"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"}
                                     : std::vector<std::string>{kCU + "Arvelle",
                                                                kCU + "Microsoft\\Windows\\CurrentVersion\\Run",
                                                                kCU + "Microsoft\\Internet Explorer",
                                                                kCU + "Microsoft\\Office",
                                                                kCU + "Qualcomm",
                                                                kCU + "Sarvin"};
        for (const auto& area : areas) {
            auto part = Blocks(m.ExportReg(area));
            blocks.insert(blocks.end(), part.begin(), part.end());
        }
        std::sort(blocks.begin(), blocks.end());
        return blocks;
    }
};

TEST_F(BlastRadius, EveryApplicationSwitchedLeavesTheUsersOwnAsItWas) {
    const auto filesBefore = m.Files(root);
    const auto registryBefore = Registry();

    // Outlook saves macros into the project the product placed: each copy placed changes.
    const std::string outlook = user + "\\Microsoft\\Outlook", project = Lower(outlook + "\\VbaProject.OTM");
    const std::string placed = m.Files(Data("Outlook")).at(Lower(Data("Outlook") + "\\VbaProject.OTM"));
    const std::string macro = placed + " and the user's macro ";
    int macros = 0;
    auto turn = [&](const catalogue::Application& app, int state) {
        SetLatestApplicationState(app.id, state);
        if (app.branch == catalogue::Branch::kOutlook && m.Files(outlook)[project] == placed)
            m.WriteFile(project, macro + std::to_string(++macros));
    };
    const std::vector<int> sequence = {1, 0, 0, 1, 1, 0};
    for (const auto& app : catalogue::kApplications) {
        SCOPED_TRACE(app.shortName);
        EXPECT_EQ(SetLatestApplicationState(app.id, 0), 0) << "off, never on: nothing to remove";
        for (int state : sequence) turn(app, state);
        // A state recorded as on, for an integration that is not in place.
        char name[300] = {};
        ASSERT_GT(GetLatestApplicationName(app.id, nullptr), 0) << "detected";
        GetLatestApplicationName(app.id, name);
        m.SetDword(kCU + "Arvelle\\Zentho V4" + app.stateSuffix, "Trans", 1);
        m.SetString(kCU + "Arvelle\\Zentho V4" + app.stateSuffix, "applname", name);
        for (int state : sequence) turn(app, state);
    }

    // Ichitaro keeps its dictionary when the integration goes; the state keys are the
    // product's record of what the user asked for.
    const std::string kept = "c:\\zt\\taro\\arvelle_zentho.jtd";
    auto files = m.Files(root);
    EXPECT_EQ(files.count(kept), 1u);
    files.erase(kept);
    // And each changed copy of Outlook's project is kept under the changed names.
    const std::string copies = Lower(outlook + "\\ZenthoChangedVbaProject");
    auto copy = [&](const auto& file) { return !file.first.rfind(copies, 0) && !file.second.rfind(macro, 0); };
    EXPECT_EQ(std::count_if(files.begin(), files.end(), copy), macros) << "every copy changed is kept";
    for (const auto& [path, bytes] : filesBefore) {
        auto now = files.find(path);
        if (now == files.end())
            ADD_FAILURE() << "lost: " << path;
        else if (now->second != bytes)
            ADD_FAILURE() << "changed: " << path << ": \"" << now->second << "\", was \"" << bytes << "\"";
    }
    for (const auto& file : files)
        if (!filesBefore.count(file.first) && !copy(file)) ADD_FAILURE() << "left behind: " << file.first;

    const auto registryAfter = Registry();
    std::vector<std::string> lost, added;
    std::set_difference(registryBefore.begin(), registryBefore.end(), registryAfter.begin(), registryAfter.end(),
                        std::back_inserter(lost));
    std::set_difference(registryAfter.begin(), registryAfter.end(), registryBefore.begin(), registryBefore.end(),
                        std::back_inserter(added));
    for (const auto& block : lost) ADD_FAILURE() << "registry lost or changed:\n" << block;
    for (const auto& block : added)
        if (Lower(block).rfind(Lower("[" + kCU + "Arvelle\\Zentho V4"), 0))
            ADD_FAILURE() << "registry gained:\n" << block;
}

}  // namespace
