// The default mail client on both backends: the six program files in their order,
// the Outlook and Outlook Express labels, Eudora's name, the groupware's code, paths
// counted before expansion, and the recorded state of the client named.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../frame/two_calls.h"
#include "frame/exports.h"
#include "install/branches.h"
#include "test_machine.h"

namespace {

const std::string kMailto = "HKEY_LOCAL_MACHINE\\Software\\Classes\\mailto\\shell\\open\\command";
const std::string kAppPaths = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";

TEST(DefaultMailer, NamesByProgramAndVersion) {
    const struct {
        const char* file;
        uint16_t major, minor, build;
        Answer name;
    } rows[] = {
        {"Office\\OUTLOOK.EXE", 8, 0, 0, {21, "Microsoft Outlook 97?"}},
        {"Office\\OUTLOOK.EXE", 8, 5, 0, {20, "Microsoft Outlook 98"}},
        {"Office\\OUTLOOK.EXE", 9, 0, 0, {22, "Microsoft Outlook 2000"}},
        {"Office\\OUTLOOK.EXE", 10, 0, 0, {20, "Microsoft Outlook XP"}},
        {"Office\\OUTLOOK.EXE", 11, 0, 0, {-2, ""}},
        {"OE\\msimn.exe", 5, 50, 0, {29, "Microsoft Outlook Express 5.5"}},
        {"OE\\msimn.exe", 6, 0, 0, {27, "Microsoft Outlook Express 6"}},
        {"Eudora\\Eudora.exe", 4, 3, 2, {26, "Qualcomm Eudora Pro  4.3.2"}},
        {"Quillon\\Quillon.exe", 1, 2, 3, {13, "Quillon 1.2.3"}},
        {"Sarvin\\Corvane.exe", 5, 0, 0, {-4, ""}},
    };
    TestMachine m;
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.file << " " << row.major << "." << row.minor);
        const std::string quoted = "\"" + TestMachine::Root() + "\\" + row.file + "\"";
        m.WriteExe(TestMachine::Root() + "\\" + row.file, row.major, row.minor, row.build);
        m.SetString(kMailto, "", quoted + " /mailurl:%1");
        EXPECT_EQ(Ask(GetDefaultMailer), row.name);
        // A path even without a name; the groupware's is not looked for.
        const Answer path = row.name.result == -4 ? Answer{-2, ""} : Answer{LONG(quoted.size()), quoted};
        EXPECT_EQ(Ask(GetDefaultMailerPath), path);
    }
    m.SetEnv("ZT_MAIL", TestMachine::Root() + "\\Mail Programs");
    m.SetString(kMailto, "", "%ZT_MAIL%\\msimn.exe /mailurl:%1");
    EXPECT_EQ(Ask(GetDefaultMailerPath), (Answer{19, TestMachine::Root() + "\\Mail Programs\\msimn.exe"}))
        << "the count of %ZT_MAIL%\\msimn.exe, the text expanded";
    m.DeleteTree("HKEY_LOCAL_MACHINE\\Software\\Classes\\mailto");  // Wine registers a mailer of its own
    EXPECT_EQ(Ask(GetDefaultMailer), (Answer{-1, ""})) << "no command";
}

std::vector<unsigned int> g_installed;

TEST(DefaultMailer, StateIsThatOfTheClientNamed) {
    TestMachine m;
    const std::string root = TestMachine::Root();
    m.WriteExe(root + "\\OE\\msimn.exe", 5, 50);
    m.SetString(kAppPaths + "\\msimn.exe", "", root + "\\OE\\msimn.exe");
    m.WriteExe(root + "\\Office\\OUTLOOK.EXE", 9, 0);
    m.SetString("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office\\9.0\\Outlook\\InstallRoot", "Path",
                root + "\\Office");
    m.CreateKey("HKEY_LOCAL_MACHINE\\Software\\Netscape\\Netscape Navigator\\4.76 (en)\\Main");
    m.WriteExe(root + "\\Eudora\\Eudora.exe", 4, 3, 2);
    m.SetString(kAppPaths + "\\eudora.exe", "", root + "\\Eudora\\Eudora.exe");
    m.WriteExe(root + "\\Quillon\\quillon.exe", 1, 2, 3);
    m.SetString(kAppPaths + "\\quillon.exe", "", root + "\\Quillon\\quillon.exe");
    // Outlook Express comes before Outlook, whose name begins the same way.
    const struct {
        const char* program;
        unsigned int appId;
        const char* stateKey;
        const char* applname;
    } rows[] = {
        {"OE\\msimn.exe", 0x201, "OE", "Microsoft Outlook Express 5.5"},
        {"Office\\OUTLOOK.EXE", 0x202, "OL", "Microsoft Outlook 2000"},
        {"Netscape\\Program\\netscape.exe", 0x204, "NM", "Netscape Messenger 4.76 (en)"},
        {"Eudora\\Eudora.exe", 0x208, "EP", "Qualcomm Eudora Pro  4.3.2"},
        {"Quillon\\quillon.exe", 0x210, "QL", "Quillon 1.2.3"},
        {"Sarvin\\corvane.exe", 0, nullptr, nullptr},  // the groupware has no state
    };
    install::SetUpdateObserver([](unsigned int appId, int, int) { g_installed.push_back(appId); });
    for (const auto& row : rows) {
        SCOPED_TRACE(row.program);
        m.SetString(kMailto, "", root + "\\" + row.program + " /mailurl:%1");
        if (row.stateKey) {
            const std::string key = "HKEY_CURRENT_USER\\SOFTWARE\\Arvelle\\Zentho V4\\ApplTrans\\MailTrans\\";
            m.SetString(key + row.stateKey, "applname", row.applname);
            m.SetDword(key + row.stateKey, "Trans", 1);
        }
        const int on = row.appId ? 1 : 0;
        g_installed.clear();
        EXPECT_EQ(GetDefaultMailerState(), on);
        EXPECT_EQ(SetDefaultMailerState(0), on) << "the state before";
        EXPECT_EQ(GetDefaultMailerState(), 0);
        EXPECT_EQ(g_installed, row.appId ? std::vector<unsigned int>{row.appId} : std::vector<unsigned int>{})
            << "the AppId the installer switched";
    }
    install::SetUpdateObserver(nullptr);
}

}  // namespace
