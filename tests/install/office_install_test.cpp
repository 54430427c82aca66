// The Office branches on both backends: where each add-in goes (the user's folder
// over the application's), PowerPoint's registration, and Outlook's macro project
// with its two programs, kept apart from the user's own.
#include <array>
#include <map>

#include "installer_fixture.h"
#include "platform/paths.h"

#ifndef _WIN32
#include "tools/winsim/core/machine.h"
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
        // A text value, written plainly in the rows, in the words' quoting.
        for (auto& line : lines)
            if (size_t at = line.find(" = \""); at != std::string::npos)
                line = line.substr(0, at + 3) + os::QuotedText(line.substr(at + 4, line.size() - at - 5));
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

TEST_F(OfficeInstall, OneCopyForTheApplicationToFind) {
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
}

// Outlook's macro project and the record of the copy placed. "P" the product's project, "O"
// an earlier one of the product's, "Q" the user's of P's size, others the user's, "-" none.
class OutlookProject : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        m.MakeFolder(folder);
        product = m.Files(Data("Outlook")).at(Lower(source));
    }
    std::string Bytes(const std::string& token) {
        return token == "P" ? product : token == "Q" ? "Q" + product.substr(1) : token == "O" ? "earlier" : token;
    }
    void Put(const std::string& path, const std::string& token) {
        if (m.Exists(path)) os::DeleteFileA(path.c_str());
        if (token != "-") m.WriteFile(path, Bytes(token));
    }
    std::string Look(const std::string& path) {
        const auto files = m.Files(folder);
        const std::string bytes = files.count(Lower(path)) ? files.at(Lower(path)) : "-";
        return bytes == product ? "P" : bytes == Bytes("Q") ? "Q" : bytes == Bytes("O") ? "O" : bytes;
    }
    std::string Fingerprint(const std::string& token) {
        m.WriteFile(root + "\\bytes", Bytes(token));
        std::string fingerprint;
        platform::FileFingerprint((root + "\\bytes").c_str(), &fingerprint);
        return fingerprint;
    }
    const std::string folder = user + "\\Microsoft\\Outlook", source = Data("Outlook") + "\\VbaProject.OTM";
    const std::string project = folder + "\\VbaProject.OTM", aside = folder + "\\ZenthoSavedVbaProject.OTM";
    const std::string changed = folder + "\\ZenthoChangedVbaProject.OTM";
    const std::string state = kHKCU + "SOFTWARE\\Arvelle\\Zentho V4\\ApplTrans\\MailTrans\\OL";
    std::string product;
};

// One call. Nothing of the user's is overwritten without a copy kept; only the product's
// copy is deleted, today's or an earlier one the record names; one changed since it was
// placed is kept. Before: the project, the copy kept aside, the record; after: the same
// with the changed copy before the record.
TEST_F(OutlookProject, EachVersionIsKeptOrPutBack) {
    const struct {
        const char* before;
        int on;
        const char* after;
    } rows[] = {
        {"U--", 1, "PU-P"},  // kept aside; the copy placed recorded
        {"PUP", 0, "U---"},  // put back
        {"Q--", 0, "Q---"},  // the same size is not the same bytes
        {"Q-P", 0, "--Q-"},  // nor by the record
        {"OUO", 1, "PU-P"},  // an earlier copy of the product's: replaced, not kept aside
        {"OUO", 0, "U---"},  // or removed
        {"PUP", 1, "PU-P"},  // on again: the copy kept stays
        {"VU-", 1, "VU--"},  // a newer one of the user's: nothing overwritten
        {"VUP", 1, "VU-P"},  // placed and changed since: on leaves it
        {"V-P", 0, "--V-"},  // off keeps it
        {"-UP", 0, "U---"},  // the user removed it: theirs comes back
    };
    for (const auto& row : rows) {
        const std::string before = row.before;
        m.DeleteTree(state);
        if (before[2] != '-') m.SetString(state, "PlacedVbaProject", Fingerprint(before.substr(2)));
        for (const auto& [path, token] :
             {std::pair{project, before.substr(0, 1)}, {aside, before.substr(1, 1)}, {changed, "-"}})
            Put(path, token);
        Run(0x402, row.on, 1);
        const std::string record = Read(state + "|PlacedVbaProject");
        const std::string recorded = record == "<missing>" ? "-" : record == Fingerprint("P") ? "P" : record;
        EXPECT_EQ(Look(project) + Look(aside) + Look(changed) + recorded, row.after) << before << " " << row.on;
    }
#ifndef _WIN32
    // A place that looked empty is filled only if it still is (the second look fails).
    m.DeleteTree(state);
    Put(project, "U");
    m.machine()->InjectFault(sim::FaultKind::kFile, 2);
    Run(0x402, 1, 1);
    EXPECT_EQ(Look(project), "U");
#endif
}

// The user's project ("U"), none ("-") or a newer one beside one kept ("VU"); on, then off by
// the mail AppId, each from a state of 0 or 1; between them the copy placed changes ('c') or
// the source is updated ('s'). Then the user's own is back byte for byte, a changed copy kept,
// the state 0, and the programs ran only around a copy placed ("A" adds it, "D" removes it).
TEST_F(OutlookProject, OnAndOffKeepEveryVersionOfTheUsersWork) {
    m.SetString(kOffice + "\\Outlook\\InstallRoot", "Path", root + "\\Office");
    m.WriteExe(root + "\\Office\\OUTLOOK.EXE", 9, 0);
    const struct {
        const char* before;
        char between;
        int previous;
        const char* started;
    } rows[] = {
        {"U", '=', 0, "A"}, {"U", '=', 1, ""},  {"-", '=', 0, "A"}, {"-", '=', 1, "D"}, {"U", 'c', 0, "A"},
        {"U", 'c', 1, ""},  {"-", 'c', 0, "A"}, {"-", 'c', 1, ""},  {"U", 's', 0, "A"}, {"U", 's', 1, ""},
        {"-", 's', 0, "A"}, {"-", 's', 1, "D"}, {"VU", '=', 0, ""}, {"VU", '=', 1, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.before) + " " + row.between + " from " + std::to_string(row.previous));
        m.DeleteTree(state);
        m.WriteFile(source, product);
        for (const auto& file : m.Files(folder)) os::DeleteFileA(file.first.c_str());
        Put(project, std::string(row.before, 1));
        Put(aside, row.before[1] ? row.before + 1 : "-");
        const auto files = m.Files(folder);
        std::string started;
        auto turn = [&](unsigned int appId, int on) {
            m.SetDword(state, "Trans", row.previous);
            m.SetString(state, "applname", "Microsoft Outlook 2000");
            m.changes()->clear();
            SetLatestApplicationState(appId, on);
            for (const auto& change : *m.changes())
                if (os::ChangeWords(change).rfind("started", 0) == 0)
                    started += os::ChangeWords(change).find("OutlookAdd") != std::string::npos ? "A" : "D";
        };
        turn(0x402, 1);
        std::string placed = m.Files(folder)[Lower(project)];
        if (row.between == 'c') m.WriteFile(project, placed += " and the user's macro");
        if (row.between == 's') m.WriteFile(source, "the product's next project");
        turn(0x202, 0);
        auto after = m.Files(folder);
        EXPECT_EQ(after[Lower(changed)], row.between == 'c' ? placed : "") << "a changed copy is kept, none else";
        after.erase(Lower(changed));
        EXPECT_EQ(after, files) << "the user's own as it was, and nothing else";
        EXPECT_EQ(started, row.started);
        EXPECT_EQ(GetLatestApplicationState(0x402), 0);
        EXPECT_EQ(Read(state + "|PlacedVbaProject"), "<missing>");
    }
}

}  // namespace
