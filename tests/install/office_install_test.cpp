// The Office branches on both backends: where each add-in goes (the user's folder
// over the application's), PowerPoint's registration, and Outlook's macro project
// with its two programs, kept apart from the user's own.
#include "installer_fixture.h"

#ifndef _WIN32
#include "platform/os/sim/machine.h"
#endif

namespace {

const std::string kOffice = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office\\9.0";
const std::string kAddIns = "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\9.0\\PowerPoint\\AddIns";

// One add-in, with the user's folder and the application's in a given state. In the
// expected changes "$U" is the user's application-data folder, "$O" the application's
// folder as detection reports it (the program name ends the path, so in lower case)
// and "$D" the product's data folder.
struct TemplateRow {
    const char* name;
    unsigned int appId;
    const char *application, *exe;
    const char* userFolder;     // below $U, made before the call
    const char* installFolder;  // below $O, made before the call
    const char* userFile;       // a file where the user's folder is expected, or ""
    std::vector<std::string> on, off;
};

class TemplateAddIns : public InstallerTest, public ::testing::WithParamInterface<TemplateRow> {
protected:
    std::vector<std::string> Expand(std::vector<std::string> lines) {
        for (auto& line : lines)
            for (const auto& [mark, text] : {std::pair{"$U", user}, std::pair{"$O", std::string("c:\\zt\\office")},
                                             std::pair{"$D", product + "\\Data"}, std::pair{"$K", kAddIns}})
                for (size_t at; (at = line.find(mark)) != std::string::npos;) line.replace(at, 2, text);
        return lines;
    }
};

TEST_P(TemplateAddIns, GoWhereTheApplicationLoadsThem) {
    const TemplateRow& row = GetParam();
    m.SetString(kOffice + "\\" + row.application + "\\InstallRoot", "Path", root + "\\Office");
    m.WriteExe(root + "\\Office\\" + row.exe, 9, 0);
    if (*row.userFolder) m.MakeFolder(user + row.userFolder);
    if (*row.userFile) m.WriteFile(user + row.userFile, "not a folder");
    if (*row.installFolder) m.MakeFolder(root + "\\Office" + row.installFolder);
    m.CreateKey("HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\9.0\\PowerPoint");
    EXPECT_EQ(Run(row.appId, 1, 0), Expand(row.on));
    EXPECT_EQ(Run(row.appId, 0, 1), Expand(row.off));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TemplateAddIns,
    ::testing::Values(
        TemplateRow{"WordBothFolders", 0x401, "Word", "WINWORD.EXE", "\\Microsoft\\Word\\Startup", "\\Startup", "",
                    {"copy $D\\Word\\Zentho4.dot > $U\\Microsoft\\Word\\Startup\\Zentho4.dot"},
                    {"delete $U\\Microsoft\\Word\\Startup\\Zentho4.dot"}},
        TemplateRow{"WordsUserFolderIsAFile", 0x401, "Word", "WINWORD.EXE", "", "\\Startup", "\\Microsoft\\Word\\Startup",
                    {"copy $D\\Word\\Zentho4.dot > $O\\Startup\\Zentho4.dot"}, {"delete $O\\Startup\\Zentho4.dot"}},
        TemplateRow{"ExcelUserFolder", 0x404, "Excel", "EXCEL.EXE", "\\Microsoft\\Excel\\XLStart", "", "",
                    {"copy $D\\Excel\\Zentho4.xla > $U\\Microsoft\\Excel\\XLStart\\Zentho4.xla"},
                    {"delete $U\\Microsoft\\Excel\\XLStart\\Zentho4.xla"}},
        TemplateRow{"ExcelNeitherFolder", 0x404, "Excel", "EXCEL.EXE", "", "", "",
                    {"mkdir $O\\XLStart", "copy $D\\Excel\\Zentho4.xla > $O\\XLStart\\Zentho4.xla"},
                    {"delete $O\\XLStart\\Zentho4.xla"}},
        TemplateRow{"PowerPointUserFolder", 0x408, "PowerPoint", "POWERPNT.EXE", "\\Microsoft\\Addins", "\\Addins", "",
                    {"copy $D\\PowerPoint\\Zentho4.ppa > $U\\Microsoft\\Addins\\Zentho4.ppa", "create-key $K",
                     "create-key $K\\Zentho4", "set $K\\Zentho4|AutoLoad=#1",
                     "set $K\\Zentho4|Path=$U\\Microsoft\\Addins\\Zentho4.ppa"},
                    {"delete-key $K\\Zentho4", "delete $U\\Microsoft\\Addins\\Zentho4.ppa"}}),
    [](const auto& info) { return std::string(info.param.name); });

class OfficeInstall : public InstallerTest {};

TEST_F(OfficeInstall, OneCopyForTheApplicationToFindAndOtherAddInsStay) {
    m.SetString(kOffice + "\\Word\\InstallRoot", "Path", root + "\\Office");
    m.WriteExe(root + "\\Office\\WINWORD.EXE", 9, 0);
    m.WriteFile(root + "\\Office\\Startup\\Zentho4.dot", "an earlier copy");
    m.MakeFolder(user + "\\Microsoft\\Word\\Startup");
    const std::string target = user + "\\Microsoft\\Word\\Startup\\Zentho4.dot";
    EXPECT_EQ(Run(0x401, 1, 0), (std::vector<std::string>{"delete c:\\zt\\office\\Startup\\Zentho4.dot",
                                                          "copy " + Data("Word") + "\\Zentho4.dot > " + target}));
    m.DeleteTree(kOffice + "\\Word");
    EXPECT_EQ(Run(0x401, 1, 0), std::vector<std::string>{"copy " + Data("Word") + "\\Zentho4.dot > " + target})
        << "not installed: the user's folder still takes it";
    m.CreateKey(kAddIns + "\\Other");
    m.SetString(kOffice + "\\PowerPoint\\InstallRoot", "Path", root + "\\Office");
    m.WriteExe(root + "\\Office\\POWERPNT.EXE", 9, 0);
    Run(0x408, 1, 0);
    Run(0x408, 0, 1);
    EXPECT_EQ(m.Subkeys(kAddIns), std::vector<std::string>{"Other"}) << "other add-ins stay";
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

// Outlook's macro project may be the user's own: it is kept aside while the product's
// is in place and comes back after; only the product's copy is deleted, and nothing of
// the user's is overwritten without a copy kept. "P" is the product's project, "Q" one
// of the user's of the same size, "U" and "V" two more of the user's, "-" nothing.
TEST_F(OfficeInstall, TheUsersMacroProjectIsKeptAsideAndPutBack) {
    const std::string folder = user + "\\Microsoft\\Outlook", source = Data("Outlook") + "\\VbaProject.OTM";
    const std::string project = folder + "\\VbaProject.OTM", aside = folder + "\\ZenthoSavedVbaProject.OTM";
    m.MakeFolder(folder);
    const std::string product = m.Files(Data("Outlook")).at(Lower(source));
    const std::string sameSize = "Q" + product.substr(1);
    const struct {
        const char *project, *aside;
        int on;
        const char *projectAfter, *asideAfter;
    } rows[] = {
        {"U", "-", 1, "P", "U"},  // kept aside
        {"P", "U", 0, "U", "-"},  // put back
        {"U", "-", 0, "U", "-"},  // never installed: the user's stays
        {"Q", "-", 0, "Q", "-"},  // the same size is not the same bytes
        {"-", "-", 1, "P", "-"},
        {"P", "-", 0, "-", "-"},
        {"P", "U", 1, "P", "U"},  // on again: the copy kept stays
        {"V", "U", 1, "V", "U"},  // a newer one of the user's: nothing overwritten
        {"V", "U", 0, "V", "U"},  // changed since: not the product's, both stay
        {"-", "U", 0, "U", "-"},  // the user removed it: theirs comes back
    };
    auto bytes = [&](const std::string& token) { return token == "P" ? product : token == "Q" ? sameSize : token; };
    auto look = [&](const std::string& path) {
        auto files = m.Files(folder);
        auto it = files.find(Lower(path));
        return it == files.end() ? "-" : it->second == product ? "P" : it->second == sameSize ? "Q" : it->second;
    };
    auto place = [&](const char* projectToken, const char* asideToken) {
        for (const auto& [path, token] : {std::pair{project, projectToken}, std::pair{aside, asideToken}}) {
            if (std::string(token) != "-")
                m.WriteFile(path, bytes(token));
            else if (m.Exists(path))
                os::DeleteFileA(path.c_str());
        }
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.project) + " " + row.aside + (row.on ? " on" : " off"));
        place(row.project, row.aside);
        Run(0x402, row.on, 1);
        EXPECT_EQ(look(project), row.projectAfter);
        EXPECT_EQ(look(aside), row.asideAfter);
    }
#ifndef _WIN32
    // A place that looked empty is filled only if it still is: the second look at the
    // disk (is there a project?) fails, and the user's project is not overwritten.
    place("U", "-");
    m.machine()->InjectFault(sim::FaultKind::kFile, 2);
    Run(0x402, 1, 1);
    EXPECT_EQ(look(project), "U");
#endif
}

}  // namespace
