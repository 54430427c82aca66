// The browser branches: Internet Explorer's menu entries and toolbar button (per-user
// registry entries that run the product's script pages), and Netscape Navigator's
// background translation program. Neither looks for the browser itself.
#include <cstring>
#include <string>

#include "install/branches.h"
#include "install/mechanics.h"
#include "install/product_files.h"
#include "install/texts.h"
#include "install/windows.h"
#include "platform/heap_string.h"
#include "platform/paths.h"
#include "platform/registry_key.h"
#include "platform/registry_paths.h"

namespace install {
namespace {

constexpr char kProductPrefix[] = "Zentho: ";                              // menu captions
constexpr char kEditionPrefix[] = "Zenthora: ";                            // status-bar texts
constexpr char kScriptClass[] = "{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}";  // the browser's script runner
constexpr char kButton[] = "{1B11B63A-E206-40F4-AA40-7B082F6C00B1}";
constexpr DWORD kTextSelectionContext = 0x10;

struct ContextEntry {
    const char* command;
    const char* script;
    bool textSelectionOnly;
};
const ContextEntry kContextMenu[] = {
    {texts::kTranslate, "\\translateM.htm", false},    {texts::kAnnotate, "\\transRubi.htm", false},
    {texts::kAddToDictionary, "\\dontknow.htm", true}, {texts::kUnknownWords, "\\getunknownwords.htm", false},
    {texts::kSettings, "\\transSetup.htm", false},
};

struct ToolsEntry {
    const char* guid;
    const char* command;
    const char* script;
};
const ToolsEntry kToolsMenu[] = {
    {"{21591720-45D9-4019-8B88-B77876EA8ECD}", texts::kTranslate, "\\translateM.htm"},
    {"{83A2EC0C-D0BC-4E0D-8804-1C71BF891CBD}", texts::kUnknownWords, "\\getunknownwords.htm"},
    {"{24B9A113-3B3B-49E9-99E1-55773FCA78CD}", texts::kSettings, "\\transSetup.htm"},
};

// Removed in this order, with two keys of earlier editions that are never written.
const char* const kRemovedExtensions[] = {kButton,
                                          "{21591720-45D9-4019-8B88-B77876EA8ECD}",
                                          "{D27DFD22-B6B4-4B05-B365-259518DD1BBF}",
                                          "{3EB3F2E4-534B-41AD-91B8-35E556F5FE08}",
                                          "{83A2EC0C-D0BC-4E0D-8804-1C71BF891CBD}",
                                          "{24B9A113-3B3B-49E9-99E1-55773FCA78CD}"};

constexpr char kNetscapeRunValue[] = "ZenthoNSTrans";

void InstallExplorer() {
    std::string scripts = DataFolder(product_files::kScriptsFolder);
    if (!scripts.empty()) {
        for (const auto& entry : kContextMenu) {
            std::string key = std::string(registry_paths::kIEMenuExt) + "\\" + kProductPrefix + entry.command;
            platform::RegistryKey menu;
            if (!menu.Create(HKEY_CURRENT_USER, key.c_str(), platform::kWriteAccess)) continue;
            menu.WriteString("", (scripts + entry.script).c_str());
            if (entry.textSelectionOnly) menu.WriteDword("contexts", kTextSelectionContext);
        }
        for (const auto& entry : kToolsMenu) {
            std::string key = std::string(registry_paths::kIEExtensions) + "\\" + entry.guid;
            platform::RegistryKey tools;
            if (!tools.Create(HKEY_CURRENT_USER, key.c_str(), platform::kWriteAccess)) continue;
            tools.WriteString("MenuCustomize", "tools");
            tools.WriteString("MenuStatusBar", (std::string(kEditionPrefix) + entry.command).c_str());
            tools.WriteString("MenuText", (std::string(kProductPrefix) + entry.command).c_str());
            tools.WriteString("CLSID", kScriptClass);
            tools.WriteString("Script", (scripts + entry.script).c_str());
        }
    }
    std::string button = DataFolder(product_files::kButtonFolder);
    if (button.empty()) return;
    platform::RegistryKey key;
    if (!key.Create(HKEY_CURRENT_USER, (std::string(registry_paths::kIEExtensions) + "\\" + kButton).c_str(),
                    platform::kWriteAccess))
        return;
    key.WriteString("Default Visible", "Yes");
    key.WriteString("ButtonText", texts::kTranslate);
    key.WriteString("HotIcon", (button + "\\lumet.ico").c_str());
    key.WriteString("Icon", (button + "\\lumetgray.ico").c_str());
    key.WriteString("CLSID", kScriptClass);
    key.WriteString("Script", (button + "\\translateM.htm").c_str());
}

void RemoveExplorer() {
    {
        // Context-menu entries go by their name prefix, including ones this edition
        // never wrote; the whole list is taken before anything is deleted.
        platform::RegistryKey menu;
        platform::KeyNameList names;
        if (menu.Open(HKEY_CURRENT_USER, registry_paths::kIEMenuExt, platform::kReadWriteAccess) &&
            menu.EnumSubkeys(&names)) {
            for (const char* name : names)
                if (os::_mbsnbcmp(reinterpret_cast<const unsigned char*>(name),
                                  reinterpret_cast<const unsigned char*>(kProductPrefix),
                                  sizeof kProductPrefix - 1) == 0)
                    menu.DeleteSubkeyTree(name);
        }
    }
    platform::RegistryKey extensions;
    if (!extensions.Open(HKEY_CURRENT_USER, registry_paths::kIEExtensions, platform::kWriteAccess)) return;
    for (const char* guid : kRemovedExtensions) extensions.DeleteSubkeyTree(guid);
}

}  // namespace

void InternetExplorerBranch(const UpdateCall& call) {
    if (call.on)
        InstallExplorer();
    else
        RemoveExplorer();
}

void NetscapeBranch(const UpdateCall& call) {
    if (call.on) {
        platform::HeapString location(platform::GetProgramLocation());
        if (location) {
            std::string command = std::string("\"") + location.get() + "\\" + product_files::kNetscapeTranslator + "\"";
            platform::SetRunEntry(HKEY_CURRENT_USER, kNetscapeRunValue, command.c_str());
        }
        // A running copy is left alone; only its main window counts.
        if (!FindTransWindow(texts::kNetscapeMain))
            platform::RunFromProgramFolder(product_files::kNetscapeTranslator, "");
        return;
    }
    if (HWND main = FindTransWindow(texts::kNetscapeMain)) SendClose(main);
    if (HWND sub = FindTransWindow(texts::kNetscapeSub)) SendClose(sub);  // after the first has closed
    platform::RemoveRunEntry(HKEY_CURRENT_USER, kNetscapeRunValue);
}

}  // namespace install
