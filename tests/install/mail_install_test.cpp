// The mail-client branches on both backends: the shared toolbar program and its
// partner rule, Eudora's plug-in, and Quillon's library entry.
#include "install/texts.h"
#include "installer_fixture.h"

namespace {

const std::string kRun = "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kState = "HKEY_CURRENT_USER\\SOFTWARE\\Arvelle\\Zentho V4\\ApplTrans\\MailTrans\\";
const std::string kCloseToolbar = Closed(texts::kMailToolbar.classPrefix, texts::kMailToolbar.titlePrefix);

class MailInstall : public InstallerTest {
protected:
    // Outlook Express and Netscape Messenger installed; integration of the partner on or off.
    void InstallBothClients(DWORD messengerState) {
        m.WriteExe(root + "\\OE\\msimn.exe", 6, 0);
        m.SetString("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msimn.exe", "",
                    root + "\\OE\\msimn.exe");
        m.CreateKey("HKEY_LOCAL_MACHINE\\Software\\Netscape\\Netscape Navigator\\4.76 (en)\\Main");
        m.SetDword(kState + "NM", "Trans", messengerState);
        m.SetString(kState + "NM", "applname", "Netscape Messenger 4.76 (en)");
    }
};

TEST_F(MailInstall, TheToolbarStaysWhileThePartnersIntegrationIsOn) {
    m.CreateKey(kRun);
    const std::string exe = program + "\\ZenthoMailTransToolBar.exe";
    const std::string set = SetText(kRun, "ZenthoMailTrans", "\"" + exe + "\"");
    m.InstallProductProgram(exe);
    InstallBothClients(0);
    EXPECT_EQ(Run(0x201, 1, 0), (Changes{set, "started " + exe}));
    ASSERT_TRUE(m.WaitForWindow(texts::kMailToolbar.classPrefix, true));
    m.SetDword(kState + "NM", "Trans", 1);
    EXPECT_EQ(Run(0x201, 0, 1), Changes{}) << "Messenger's integration keeps it running";
    EXPECT_EQ(Run(0x201, 1, 0), Changes{}) << "and registered";
    m.SetDword(kState + "NM", "Trans", 0);
    EXPECT_EQ(Run(0x204, 1, 0), Changes{set}) << "running: no copy";
    EXPECT_EQ(Run(0x201, 0, 1), (Changes{kCloseToolbar, DeletedValue(kRun, "ZenthoMailTrans")}));
    EXPECT_TRUE(m.WaitForWindow(texts::kMailToolbar.classPrefix, false));
    // A toolbar that an installed copy of the product started has its class, whatever this build says.
    m.OpenWindow("#ZenthoMailTrans4#", texts::kMailToolbar.titlePrefix);
    EXPECT_EQ(Run(0x201, 0, 1).at(0), Closed("#ZenthoMailTrans4#", texts::kMailToolbar.titlePrefix));
}

// Eudora's folder is where its command line names "\eudora.exe" (in any case, inside the
// quotes of one that begins with one), lower-cased; Eudora starts first, on removal too.
TEST_F(MailInstall, EudoraGetsItsPluginFromItsCommandLine) {
    EXPECT_EQ(Run(0x208, 1, 0), Changes{}) << "no command line: nothing";
    m.WriteExe(root + "\\Mail\\eudora pro\\eudora.exe", 4, 3);
    m.MakeFolder(root + "\\Mail\\eudora pro\\plugins");
    const std::string plain = "c:\\zt\\mail\\eudora pro", plugin = plain + "\\Plugins\\ZenthoEMailButton.dll";
    const Changes on = {"started " + plain + "\\eudora.exe /EnableAutomation",
                        "copied " + program + "\\ZenthoEMailButton.dll to " + plugin},
                  off = {on[0], "deleted file " + plugin};
    for (const auto& [current, found] : std::vector<std::pair<std::string, bool>>{
             {root + "\\Mail\\Eudora Pro\\Eudora.exe -x", true},
             {"\"" + root + "\\MAIL\\Eudora Pro\\EUDORA.EXE\" " + root + "\\MAIL\\Eudora Pro\\", true},
             {"\"" + root + "\\Mail\\Eudora Pro\\Eudora.exe", true},  // no closing quote
             {root + "\\Mail\\EudoraPro.exe", false},                 // no \eudora.exe: nothing started or placed
             {"Eudora Pro\\Eudora.exe", false}}) {                    // no drive: no folder to touch
        m.SetString(kHKCU + "Software\\Qualcomm\\Eudora\\CommandLine", "Current", current);
        EXPECT_EQ(Run(0x208, 1, 0), found ? on : Changes{}) << current;
        EXPECT_EQ(Run(0x208, 0, 1), found ? off : Changes{}) << current;
    }
}

TEST_F(MailInstall, QuillonLibraryEntry) {
    const std::string quillon = "HKEY_CURRENT_USER\\Software\\Arvelle\\Quillon";
    const std::string library = program + "\\ZenthoQuillonTrans.dll";
    EXPECT_EQ(Run(0x210, 1, 0), Changes{}) << "Quillon not set up";
    m.CreateKey(quillon + "\\Users");
    m.CreateKey(quillon + "\\Users key");
    EXPECT_EQ(Run(0x210, 1, 0), Changes{SetText(quillon + "\\Users", "TranslationLib", library)});
    EXPECT_EQ(Run(0x210, 0, 1), Changes{DeletedValue(quillon + "\\Users", "TranslationLib")});
    m.DeleteTree(quillon + "\\Users");
    m.DeleteTree(quillon + "\\Users key");
    // Set up without "Users": removal leaves an empty "Users key" behind.
    EXPECT_EQ(Run(0x210, 0, 1), Changes{"created key " + quillon + "\\Users key"});
    EXPECT_EQ(Run(0x210, 1, 0), Changes{SetText(quillon + "\\Users key", "TranslationLib", library)});
    EXPECT_EQ(Run(0x210, 0, 1), Changes{DeletedValue(quillon + "\\Users key", "TranslationLib")});
}

// Quillon holds one translation library. Another one the user chose is kept aside
// while the product's is set, and comes back; only the product's is ever deleted, in
// whatever folder it was installed. "P" is the product's library, "-" no value.
TEST_F(MailInstall, QuillonKeepsTheUsersOwnLibrary) {
    const std::string users = "HKEY_CURRENT_USER\\Software\\Arvelle\\Quillon\\Users";
    const std::string product = program + "\\ZenthoQuillonTrans.dll";
    const struct {
        const char *value, *aside;
        int on;
        const char *valueAfter, *asideAfter;
    } rows[] = {
        {"C:\\Other\\OtherTrans.dll", "-", 1, "P", "C:\\Other\\OtherTrans.dll"},
        {"P", "C:\\Other\\OtherTrans.dll", 0, "C:\\Other\\OtherTrans.dll", "-"},
        {"C:\\Other\\OtherTrans.dll", "-", 0, "C:\\Other\\OtherTrans.dll", "-"},
        {"D:\\OLD\\zenthoquillontrans.DLL", "-", 0, "-", "-"},  // the product's, from another folder
        {"C:\\Other\\MyZenthoQuillonTrans.dll", "-", 0, "C:\\Other\\MyZenthoQuillonTrans.dll", "-"},
        {"C:\\Other\\NewTrans.dll", "C:\\Other\\OtherTrans.dll", 1, "C:\\Other\\NewTrans.dll",
         "C:\\Other\\OtherTrans.dll"},
        {"-", "C:\\Other\\OtherTrans.dll", 0, "C:\\Other\\OtherTrans.dll", "-"},
    };
    auto text = [&](const char* token) { return std::string(token) == "P" ? product : token; };
    auto look = [&](const char* name) {
        std::string value = Read(users + "|" + name);
        return value == "<missing>" ? "-" : value == product ? "P" : value;
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.value) + " " + row.aside + (row.on ? " on" : " off"));
        m.DeleteTree(users);
        if (std::string(row.value) != "-") m.SetString(users, "TranslationLib", text(row.value));
        if (std::string(row.aside) != "-") m.SetString(users, "ZenthoSavedTranslationLib", text(row.aside));
        m.CreateKey(users);
        Run(0x210, row.on, 1);
        EXPECT_EQ(look("TranslationLib"), row.valueAfter);
        EXPECT_EQ(look("ZenthoSavedTranslationLib"), row.asideAfter);
    }
}

// A toolbar that no longer answers holds the removal up for the close bound at most:
// its logon entry goes all the same.
TEST_F(MailInstall, AHungToolbarHoldsTheRemovalUpFiveSecondsAtMost) {
    TestMachine::Behaviour hung;
    hung.windows = {{texts::kMailToolbar.classPrefix, texts::kMailToolbar.titlePrefix}};
    hung.hung = true;
    hung.closeAfterMs = 6000;  // under Wine, the stand-in ends by itself later
    m.InstallProgram(program + "\\ZenthoMailTransToolBar.exe", hung);
    m.CreateKey(kRun);
    Run(0x201, 1, 0);
    ASSERT_TRUE(m.WaitForWindow(texts::kMailToolbar.classPrefix, true));
    const DWORD before = os::GetTickCount();
    EXPECT_EQ(Run(0x201, 0, 1), (Changes{kCloseToolbar, DeletedValue(kRun, "ZenthoMailTrans")}));
    const DWORD waited = os::GetTickCount() - before;
    EXPECT_LE(waited, 5000u + 1500u) << "the close bound, and no more";
    if (TestMachine::Simulated()) {
        EXPECT_GE(waited, 5000u) << "the whole bound, for a window that never answers";
    }
    m.WaitForWindow(texts::kMailToolbar.classPrefix, false, 15000);
}

}  // namespace
