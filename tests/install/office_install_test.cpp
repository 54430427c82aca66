// The Office branches on both backends: where each add-in goes (the user's folder
// over the application's), PowerPoint's registration, and Outlook's macro project
// with its two programs.
#include "installer_fixture.h"

namespace {

const std::string kOffice = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office\\9.0";

class OfficeInstall : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        char appData[MAX_PATH];
        os::SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData);
        user = appData;
    }
    // The application installed in root\Office, its folder as detection reports it:
    // the program name ends the path, so the folder comes out in lower case.
    std::string Install(const char* application, const char* exe) {
        m.SetString(kOffice + "\\" + application + "\\InstallRoot", "Path", root + "\\Office");
        m.WriteExe(root + "\\Office\\" + exe, 9, 0);
        return "c:\\zt\\office";
    }
    std::string user;  // the user's application-data folder
};

TEST_F(OfficeInstall, WordPrefersTheUsersStartupFolder) {
    const std::string office = Install("Word", "WINWORD.EXE");
    m.MakeFolder(root + "\\Office\\Startup");
    m.WriteFile(root + "\\Office\\Startup\\Zentho4.dot", "an earlier copy");
    m.MakeFolder(user + "\\Microsoft\\Word\\Startup");
    const std::string target = user + "\\Microsoft\\Word\\Startup\\Zentho4.dot";
    EXPECT_EQ(Run(0x401, 1, 0), (std::vector<std::string>{"delete " + office + "\\Startup\\Zentho4.dot",
                                                          "copy " + Data("Word") + "\\Zentho4.dot > " + target}));
    EXPECT_EQ(Run(0x401, 1, 1), std::vector<std::string>{"copy " + Data("Word") + "\\Zentho4.dot > " + target})
        << "again: overwritten";
    EXPECT_EQ(Run(0x401, 0, 1), std::vector<std::string>{"delete " + target});
    EXPECT_EQ(Run(0x401, 0, 0), std::vector<std::string>{});
}

TEST_F(OfficeInstall, ExcelWithNeitherFolderMakesItsOwn) {
    const std::string office = Install("Excel", "EXCEL.EXE");
    const std::string folder = office + "\\XLStart";
    EXPECT_EQ(Run(0x404, 1, 0),
              (std::vector<std::string>{"mkdir " + folder,
                                        "copy " + Data("Excel") + "\\Zentho4.xla > " + folder + "\\Zentho4.xla"}));
    EXPECT_EQ(Run(0x404, 0, 1), std::vector<std::string>{"delete " + folder + "\\Zentho4.xla"});
    m.DeleteTree(kOffice + "\\Excel");
    EXPECT_EQ(Run(0x404, 1, 0), std::vector<std::string>{}) << "not installed, no user folder: nothing written";
}

TEST_F(OfficeInstall, PowerPointRegistersItsAddIn) {
    const std::string office = Install("PowerPoint", "POWERPNT.EXE");
    m.MakeFolder(root + "\\Office\\Addins");
    const std::string addIns = "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\9.0\\PowerPoint\\AddIns";
    const std::string target = office + "\\Addins\\Zentho4.ppa";
    m.CreateKey("HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\9.0\\PowerPoint");
    EXPECT_EQ(Run(0x408, 1, 0), (std::vector<std::string>{"copy " + Data("PowerPoint") + "\\Zentho4.ppa > " + target,
                                                          "create-key " + addIns, "create-key " + addIns + "\\Zentho4",
                                                          "set " + addIns + "\\Zentho4|AutoLoad=#1",
                                                          "set " + addIns + "\\Zentho4|Path=" + target}));
    m.CreateKey(addIns + "\\Other");
    EXPECT_EQ(Run(0x408, 0, 1), (std::vector<std::string>{"delete-key " + addIns + "\\Zentho4", "delete " + target}));
    EXPECT_EQ(m.Subkeys(addIns), std::vector<std::string>{"Other"}) << "other add-ins stay";
}

TEST_F(OfficeInstall, OutlookMacroProjectAndItsPrograms) {
    EXPECT_EQ(Run(0x402, 1, 0), std::vector<std::string>{}) << "no Outlook folder for the user: nothing";
    m.MakeFolder(user + "\\Microsoft\\Outlook");
    const std::string source = Data("Outlook"), target = user + "\\Microsoft\\Outlook\\VbaProject.OTM";
    const std::string copy = "copy " + source + "\\VbaProject.OTM > " + target;
    EXPECT_EQ(Run(0x402, 1, 0), (std::vector<std::string>{copy, "start " + source + "\\ZenthoOutlookAdd.exe "}));
    EXPECT_EQ(Run(0x402, 1, 1), std::vector<std::string>{copy}) << "on already: the program is not started";
    EXPECT_EQ(Run(0x202, 0, 1),
              (std::vector<std::string>{"start " + source + "\\ZenthoOutlookDel.exe ", "delete " + target}))
        << "the mail AppId runs the same branch";
    EXPECT_EQ(Run(0x402, 0, 0), std::vector<std::string>{});
}

}  // namespace

namespace {

// Outlook's macro project may be the user's own: it is kept aside while the
// product's is in place and comes back after; only the product's copy is deleted, and
// nothing of the user's is overwritten without a copy kept. "P" is the product's
// project, "U" and "V" two of the user's, "-" nothing.
TEST_F(OfficeInstall, TheUsersMacroProjectIsKeptAsideAndPutBack) {
    const std::string folder = user + "\\Microsoft\\Outlook", source = Data("Outlook") + "\\VbaProject.OTM";
    const std::string project = folder + "\\VbaProject.OTM", aside = folder + "\\ZenthoSavedVbaProject.OTM";
    m.MakeFolder(folder);
    const std::string product = m.Files(Data("Outlook")).at(Lower(source));
    const struct {
        const char *project, *aside;
        int on;
        const char *projectAfter, *asideAfter;
    } rows[] = {
        {"U", "-", 1, "P", "U"},                                                    // kept aside
        {"P", "U", 0, "U", "-"},                                                    // put back
        {"U", "-", 0, "U", "-"},                                                    // never installed: the user's stays
        {"-", "-", 1, "P", "-"}, {"P", "-", 0, "-", "-"}, {"P", "U", 1, "P", "U"},  // on again: the copy kept stays
        {"V", "U", 1, "V", "U"},  // a newer one of the user's: nothing overwritten
        {"V", "U", 0, "V", "U"},  // changed since: not the product's, both stay
        {"-", "U", 0, "U", "-"},  // the user removed it: theirs comes back
    };
    auto bytes = [&](const char* token) { return std::string(token) == "P" ? product : token; };
    auto look = [&](const std::string& path) {
        auto files = m.Files(folder);
        auto it = files.find(Lower(path));
        return it == files.end() ? std::string("-") : it->second == product ? std::string("P") : it->second;
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.project) + " " + row.aside + (row.on ? " on" : " off"));
        for (const auto& [path, token] : {std::pair{project, row.project}, std::pair{aside, row.aside}}) {
            if (std::string(token) != "-")
                m.WriteFile(path, bytes(token));
            else if (m.Exists(path))
                os::DeleteFileA(path.c_str());
        }
        Run(0x402, row.on, 1);
        EXPECT_EQ(look(project), row.projectAfter);
        EXPECT_EQ(look(aside), row.asideAfter);
    }
}

}  // namespace
