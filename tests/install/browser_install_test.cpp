// The browser branches on both backends: Internet Explorer's registry entries written
// and removed, and Netscape's background program started and closed (under Wine the
// real ZenthoNSTrans.exe).
#include "install/texts.h"
#include "install/windows.h"
#include "installer_fixture.h"

namespace {

const std::string kMenuExt = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\MenuExt";
const std::string kExtensions = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Extensions";
const std::string kRun = "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class BrowserInstall : public InstallerTest {};

TEST_F(BrowserInstall, InternetExplorerEntriesInstallAndRemove) {
    m.CreateKey(kMenuExt);
    m.CreateKey(kExtensions);
    m.CreateKey(kMenuExt + "\\Zentho:kept");  // the product's name without the blank
    const std::string scripts = Data("Scripts"), button = Data("TransIEbutton");
    Changes expected;
    auto key = [&](const std::string& k) { expected.push_back("created key " + k); };
    auto set = [&](const std::string& k, const std::string& name, const std::string& data) {
        expected.push_back(SetText(k, name, data));
    };
    const std::pair<const char*, const char*> menu[] = {{texts::kTranslate, "translateM.htm"},
                                                        {texts::kAnnotate, "transRubi.htm"},
                                                        {texts::kAddToDictionary, "dontknow.htm"},
                                                        {texts::kUnknownWords, "getunknownwords.htm"},
                                                        {texts::kSettings, "transSetup.htm"}};
    for (const auto& [command, script] : menu) {
        std::string k = kMenuExt + "\\Zentho: " + command;
        key(k);
        set(k, "", scripts + "\\" + script);
        if (command == texts::kAddToDictionary) expected.push_back(SetNumber(k, "contexts", 16));
    }
    const std::tuple<const char*, const char*, const char*> tools[] = {
        {"{21591720-45D9-4019-8B88-B77876EA8ECD}", texts::kTranslate, "translateM.htm"},
        {"{83A2EC0C-D0BC-4E0D-8804-1C71BF891CBD}", texts::kUnknownWords, "getunknownwords.htm"},
        {"{24B9A113-3B3B-49E9-99E1-55773FCA78CD}", texts::kSettings, "transSetup.htm"}};
    for (const auto& [guid, command, script] : tools) {
        std::string k = kExtensions + "\\" + guid;
        key(k);
        set(k, "MenuCustomize", "tools");
        set(k, "MenuStatusBar", std::string("Zenthora: ") + command);
        set(k, "MenuText", std::string("Zentho: ") + command);
        set(k, "CLSID", "{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}");
        set(k, "Script", scripts + "\\" + script);
    }
    const std::string b = kExtensions + "\\{1B11B63A-E206-40F4-AA40-7B082F6C00B1}";
    key(b);
    set(b, "Default Visible", "Yes");
    set(b, "ButtonText", texts::kTranslate);
    set(b, "HotIcon", button + "\\lumet.ico");
    set(b, "Icon", button + "\\lumetgray.ico");
    set(b, "CLSID", "{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}");
    set(b, "Script", button + "\\translateM.htm");
    EXPECT_EQ(Run(0x101, 1, 0), expected);

    Changes again;
    for (const auto& line : expected)
        if (line.rfind("created key", 0) != 0) again.push_back(line);
    EXPECT_EQ(Run(0x101, 1, 1), again) << "installed again: the same values, no new keys";

    // Removal: the menu entries by their prefix, in the registry's order, then the
    // extensions by GUID; a missing one is made and deleted again.
    Changes removal;
    for (const char* command :
         {texts::kUnknownWords, texts::kTranslate, texts::kSettings, texts::kAnnotate, texts::kAddToDictionary})
        removal.push_back("deleted key " + kMenuExt + "\\Zentho: " + command);
    for (const char* guid : {"{1B11B63A-E206-40F4-AA40-7B082F6C00B1}", "{21591720-45D9-4019-8B88-B77876EA8ECD}",
                             "{D27DFD22-B6B4-4B05-B365-259518DD1BBF}", "{3EB3F2E4-534B-41AD-91B8-35E556F5FE08}",
                             "{83A2EC0C-D0BC-4E0D-8804-1C71BF891CBD}", "{24B9A113-3B3B-49E9-99E1-55773FCA78CD}"}) {
        bool written = std::string(guid) != "{D27DFD22-B6B4-4B05-B365-259518DD1BBF}" &&
                       std::string(guid) != "{3EB3F2E4-534B-41AD-91B8-35E556F5FE08}";
        if (!written) removal.push_back("created key " + kExtensions + "\\" + guid);
        removal.push_back("deleted key " + kExtensions + "\\" + guid);
    }
    EXPECT_EQ(Run(0x101, 0, 1), removal);
    EXPECT_EQ(m.Subkeys(kMenuExt), std::vector<std::string>{"Zentho:kept"});
    EXPECT_TRUE(m.Subkeys(kExtensions).empty());
    Run(0x101, 0, 0);
    EXPECT_TRUE(m.Subkeys(kExtensions).empty()) << "removed again: nothing is left behind";
}

// Which of the translation program's windows are open decides what Netscape's
// branch starts and closes: its windows are told by class and title, each by its whole
// prefix at the start; only the main window shows a running copy.
struct NetscapeWindows {
    const char* name;
    std::vector<std::pair<std::string, std::string>> open;  // class, title: windows of the test's own
    int on;
    std::vector<std::pair<std::string, std::string>> closed;  // the windows sent WM_CLOSE
    bool started;
};

class NetscapeWindowsTest : public InstallerTest, public ::testing::WithParamInterface<NetscapeWindows> {};

TEST_P(NetscapeWindowsTest, StartsAndClosesByTheWindowsFound) {
    const NetscapeWindows& row = GetParam();
    m.CreateKey(kRun);
    const std::string exe = program + "\\ZenthoNSTrans.exe";
    m.InstallProductProgram(exe);
    m.SetString(kRun, "ZenthoNSTrans", "\"" + exe + "\"");
    for (const auto& [className, title] : row.open) m.OpenWindow(className, title);
    Changes expected;
    for (const auto& [className, title] : row.closed) expected.push_back(Closed(className, title));
    expected.push_back(row.on ? SetText(kRun, "ZenthoNSTrans", "\"" + exe + "\"")
                              : DeletedValue(kRun, "ZenthoNSTrans"));
    if (row.started) expected.push_back("started " + exe);
    EXPECT_EQ(Run(0x102, row.on, !row.on), expected);
}

const std::pair<std::string, std::string> kMain = {texts::kNetscapeMain.classPrefix, texts::kNetscapeMain.titlePrefix};
const std::pair<std::string, std::string> kSub = {texts::kNetscapeSub.classPrefix, texts::kNetscapeSub.titlePrefix};

INSTANTIATE_TEST_SUITE_P(
    Rows, NetscapeWindowsTest,
    ::testing::Values(NetscapeWindows{"NoneOpen", {}, 1, {}, true}, NetscapeWindows{"MainOpen", {kMain}, 1, {}, false},
                      NetscapeWindows{"OnlyTheSecondOpen", {kSub}, 1, {}, true},
                      NetscapeWindows{
                          "AClassThatOnlyBeginsAlike", {{kMain.first.substr(0, 15) + "X", kMain.second}}, 1, {}, true},
                      NetscapeWindows{"TheClassWithAnotherTitle", {{kMain.first, "Other"}}, 1, {}, true},
                      NetscapeWindows{"BothClosedOneByOne", {kMain, kSub}, 0, {kMain, kSub}, false},
                      NetscapeWindows{"NeitherOpen", {}, 0, {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
