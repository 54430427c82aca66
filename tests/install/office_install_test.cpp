// The Office branches on both backends: where each add-in goes (the user's folder
// over the application's), PowerPoint's registration, and Outlook's macro project
// with its two programs, kept apart from the user's own.
#include <array>
#include <map>

#include "installer_fixture.h"

#ifndef _WIN32
#include "platform/os/sim/machine.h"
#endif

namespace {

const std::string kOffice = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office\\9.0";
const std::string kAddIns = "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\9.0\\PowerPoint\\AddIns";

// One add-in, with the user's folder for it (below "$U", the user's application-data
// folder) a folder, a file or missing, and the application's own (below "$O", the
// application's folder as detection reports it: the program name ends the path, so in
// lower case) there or not. "$D" is the product's data folder.
struct TemplateRow {
    struct {
        const char* name;
        unsigned int appId;
        char userFolder;  // 'd' a folder, 'f' a file of its name, '-' none
        bool installFolder;
        bool noSource = false;  // the product's add-in missing: no copy can be made
    } setup;
    Changes on, off;
};

// Each application: its program, the user's folder and its own folder for add-ins.
const std::map<unsigned int, std::array<const char*, 4>> kAddInApps = {
    {0x401, {"Word", "WINWORD.EXE", "\\Microsoft\\Word\\Startup", "\\Startup"}},
    {0x404, {"Excel", "EXCEL.EXE", "\\Microsoft\\Excel\\XLStart", "\\XLStart"}},
    {0x408, {"PowerPoint", "POWERPNT.EXE", "\\Microsoft\\Addins", "\\Addins"}}};

class TemplateAddIns : public InstallerTest, public ::testing::WithParamInterface<TemplateRow> {
protected:
    Changes Expand(Changes lines) {
        for (auto& line : lines)
            for (const auto& [mark, text] : {std::pair{"$U", user}, std::pair{"$O", std::string("c:\\zt\\office")},
                                             std::pair{"$D", product + "\\Data"}, std::pair{"$K", kAddIns}})
                for (size_t at; (at = line.find(mark)) != std::string::npos;) line.replace(at, 2, text);
        return lines;
    }
};

TEST_P(TemplateAddIns, GoWhereTheApplicationLoadsThem) {
    const auto& row = GetParam().setup;
    const auto& [application, exe, userFolder, installFolder] = kAddInApps.at(row.appId);
    m.SetString(kOffice + "\\" + application + "\\InstallRoot", "Path", root + "\\Office");
    m.WriteExe(root + "\\Office\\" + exe, 9, 0);
    if (row.userFolder == 'd') m.MakeFolder(user + userFolder);
    if (row.userFolder == 'f') m.WriteFile(user + userFolder, "not a folder");
    if (row.installFolder) m.MakeFolder(root + "\\Office" + installFolder);
    m.CreateKey("HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\9.0\\PowerPoint");
    if (row.noSource) os::DeleteFileA((Data(application) + "\\Zentho4.ppa").c_str());
    EXPECT_EQ(Run(row.appId, 1, 0), Expand(GetParam().on));
    EXPECT_EQ(Run(row.appId, 0, 1), Expand(GetParam().off));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TemplateAddIns,
    ::testing::Values(
        TemplateRow{{"WordsUserFolderIsAFile", 0x401, 'f', true},
                    {"copied $D\\Word\\Zentho4.dot to $O\\Startup\\Zentho4.dot"},
                    {"deleted file $O\\Startup\\Zentho4.dot"}},
        TemplateRow{{"ExcelUserFolder", 0x404, 'd', false},
                    {"copied $D\\Excel\\Zentho4.xla to $U\\Microsoft\\Excel\\XLStart\\Zentho4.xla"},
                    {"deleted file $U\\Microsoft\\Excel\\XLStart\\Zentho4.xla"}},
        TemplateRow{{"ExcelNeitherFolder", 0x404, '-', false},
                    {"created folder $O\\XLStart", "copied $D\\Excel\\Zentho4.xla to $O\\XLStart\\Zentho4.xla"},
                    {"deleted file $O\\XLStart\\Zentho4.xla"}},
        TemplateRow{{"PowerPointUserFolder", 0x408, 'd', true},
                    {"copied $D\\PowerPoint\\Zentho4.ppa to $U\\Microsoft\\Addins\\Zentho4.ppa", "created key $K",
                     "created key $K\\Zentho4", "set $K\\Zentho4 \"AutoLoad\" = 1 (REG_DWORD)",
                     "set $K\\Zentho4 \"Path\" = \"$U\\Microsoft\\Addins\\Zentho4.ppa\""},
                    {"deleted key $K\\Zentho4", "deleted file $U\\Microsoft\\Addins\\Zentho4.ppa"}},
        TemplateRow{{"PowerPointWithoutItsAddIn", 0x408, 'd', true, true}, {}, {}}),
    [](const auto& info) { return std::string(info.param.setup.name); });

class OfficeInstall : public InstallerTest {};

TEST_F(OfficeInstall, OneCopyForTheApplicationToFindAndOtherAddInsStay) {
    m.SetString(kOffice + "\\Word\\InstallRoot", "Path", root + "\\Office");
    m.WriteExe(root + "\\Office\\WINWORD.EXE", 9, 0);
    m.WriteFile(root + "\\Office\\Startup\\Zentho4.dot", "an earlier copy");
    m.MakeFolder(user + "\\Microsoft\\Word\\Startup");
    const std::string target = user + "\\Microsoft\\Word\\Startup\\Zentho4.dot";
    EXPECT_EQ(Run(0x401, 1, 0), (Changes{"deleted file c:\\zt\\office\\Startup\\Zentho4.dot",
                                         "copied " + Data("Word") + "\\Zentho4.dot to " + target}));
    m.DeleteTree(kOffice + "\\Word");
    EXPECT_EQ(Run(0x401, 1, 0), Changes{"copied " + Data("Word") + "\\Zentho4.dot to " + target})
        << "not installed: the user's folder still takes it";
    m.CreateKey(kAddIns + "\\Other");
    m.SetString(kOffice + "\\PowerPoint\\InstallRoot", "Path", root + "\\Office");
    m.WriteExe(root + "\\Office\\POWERPNT.EXE", 9, 0);
    Run(0x408, 1, 0);
    Run(0x408, 0, 1);
    EXPECT_EQ(m.Subkeys(kAddIns), Changes{"Other"}) << "other add-ins stay";
}

TEST_F(OfficeInstall, OutlookMacroProjectAndItsPrograms) {
    EXPECT_EQ(Run(0x402, 1, 0), Changes{}) << "no Outlook folder for the user: nothing";
    m.MakeFolder(user + "\\Microsoft\\Outlook");
    const std::string source = Data("Outlook"), target = user + "\\Microsoft\\Outlook\\VbaProject.OTM";
    const std::string copy = "copied " + source + "\\VbaProject.OTM to " + target;
    EXPECT_EQ(Run(0x402, 1, 0), (Changes{copy, "started " + source + "\\ZenthoOutlookAdd.exe"}));
    EXPECT_EQ(Run(0x402, 1, 1), Changes{copy}) << "on already: the program is not started";
    EXPECT_EQ(Run(0x202, 0, 1), (Changes{"started " + source + "\\ZenthoOutlookDel.exe", "deleted file " + target}))
        << "the mail AppId runs the same branch";
    EXPECT_EQ(Run(0x402, 0, 0), Changes{});
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
        {"-", "-", 1, "P", "-"}, {"P", "-", 0, "-", "-"}, {"P", "U", 1, "P", "U"},  // on again: the copy kept stays
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
