// The browser branches: Internet Explorer's menu entries and toolbar button (per-user
// registry entries that run the product's script pages), and Netscape Navigator's
// background translation program. Neither looks for the browser itself.
#include <cstring>
#include <string>

#include "install/branches.h"
#include "catalogue/product_files.h"
#include "install/mechanics.h"
#include "install/texts.h"
#include "install/windows.h"
#include "platform/heap_string.h"
#include "platform/paths.h"
#include "catalogue/product.h"
#include "platform/registry_key.h"
#include "catalogue/registry_paths.h"

namespace install {
namespace {

namespace files = product_files;

constexpr DWORD kTextSelectionContext = 0x10;

struct ContextEntry {
    const char* command;
    const char* script;
    bool textSelectionOnly;
};
const ContextEntry kContextMenu[] = {
    {texts::kTranslate, files::kTranslatePage, false},       {texts::kAnnotate, files::kAnnotatePage, false},
    {texts::kAddToDictionary, files::kDictionaryPage, true}, {texts::kUnknownWords, files::kUnknownWordsPage, false},
    {texts::kSettings, files::kSettingsPage, false},
};

struct ToolsEntry {
    const char* guid;
    const char* command;
    const char* script;
};
const ToolsEntry kToolsMenu[] = {
    {product::kTranslateExtension, texts::kTranslate, files::kTranslatePage},
    {product::kUnknownWordsExtension, texts::kUnknownWords, files::kUnknownWordsPage},
    {product::kSettingsExtension, texts::kSettings, files::kSettingsPage},
};

// Removed in this order, with two keys of earlier editions that are never written.
const char* const kRemovedExtensions[] = {product::kButtonExtension,       product::kTranslateExtension,
                                          product::kEarlierExtensions[0],  product::kEarlierExtensions[1],
                                          product::kUnknownWordsExtension, product::kSettingsExtension};

void InstallExplorer() {
    std::string scripts = DataFolder(product_files::kScriptsFolder);
    if (!scripts.empty()) {
        for (const auto& entry : kContextMenu) {
            std::string key = In(registry_paths::kIEMenuExt, product::kMenuPrefix) + entry.command;
            platform::RegistryKey menu;
            if (!menu.Create(HKEY_CURRENT_USER, key.c_str(), platform::kWriteAccess)) continue;
            menu.WriteString("", In(scripts, entry.script).c_str());
            if (entry.textSelectionOnly) menu.WriteDword("contexts", kTextSelectionContext);
        }
        for (const auto& entry : kToolsMenu) {
            std::string key = In(registry_paths::kIEExtensions, entry.guid);
            platform::RegistryKey tools;
            if (!tools.Create(HKEY_CURRENT_USER, key.c_str(), platform::kWriteAccess)) continue;
            tools.WriteString("MenuCustomize", "tools");
            tools.WriteString("MenuStatusBar", (std::string(product::kStatusPrefix) + entry.command).c_str());
            tools.WriteString("MenuText", (std::string(product::kMenuPrefix) + entry.command).c_str());
            tools.WriteString("CLSID", registry_paths::kIEScriptClass);
            tools.WriteString("Script", In(scripts, entry.script).c_str());
        }
    }
    std::string button = DataFolder(product_files::kButtonFolder);
    if (button.empty()) return;
    platform::RegistryKey key;
    if (!key.Create(HKEY_CURRENT_USER, In(registry_paths::kIEExtensions, product::kButtonExtension).c_str(),
                    platform::kWriteAccess))
        return;
    key.WriteString("Default Visible", "Yes");
    key.WriteString("ButtonText", texts::kTranslate);
    key.WriteString("HotIcon", In(button, files::kButtonHotIcon).c_str());
    key.WriteString("Icon", In(button, files::kButtonIcon).c_str());
    key.WriteString("CLSID", registry_paths::kIEScriptClass);
    key.WriteString("Script", In(button, files::kTranslatePage).c_str());
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
                                  reinterpret_cast<const unsigned char*>(product::kMenuPrefix),
                                  sizeof product::kMenuPrefix - 1) == 0)
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
            std::string command = "\"" + In(location.get(), product_files::kNetscapeTranslator) + "\"";
            platform::SetRunEntry(HKEY_CURRENT_USER, product::kNetscapeRunValue, command.c_str());
        }
        // A running copy is left alone; only its main window counts.
        if (!FindTransWindow(texts::kNetscapeMain))
            platform::RunFromProgramFolder(product_files::kNetscapeTranslator, "");
        return;
    }
    if (HWND main = FindTransWindow(texts::kNetscapeMain)) SendClose(main);
    if (HWND sub = FindTransWindow(texts::kNetscapeSub)) SendClose(sub);  // after the first has closed
    platform::RemoveRunEntry(HKEY_CURRENT_USER, product::kNetscapeRunValue);
}

}  // namespace install
