// The mail-client branches: the mail translation toolbar program that Outlook
// Express and Netscape Messenger share, the Eudora plug-in, and Quillon's
// translation library entry.
#include <cstring>
#include <string>

#include "state/state_store.h"
#include "install/branches.h"
#include "install/keep_aside.h"
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

bool KeyExists(const char* path, REGSAM access) {
    platform::RegistryKey key;
    return key.Open(HKEY_CURRENT_USER, path, access) != 0;
}

// Quillon holds one translation library: another one the user chose is kept aside
// while the product's is set, and only the product's is ever deleted.
RegistryValueSlot LibrarySlot(platform::RegistryKey& key, std::string library = "") {
    return RegistryValueSlot(key, registry_paths::kQuillonTranslationLib, product_files::kSavedTranslationLib,
                             std::move(library), product_files::kQuillonLibrary);
}

void PlaceLibrary(platform::RegistryKey& key, const std::string& library) {
    RegistryValueSlot slot = LibrarySlot(key, library);
    PlaceKeepingAside(slot);
}

void RemoveLibrary(platform::RegistryKey& key) {
    RegistryValueSlot slot = LibrarySlot(key);
    RemoveAndPutBack(slot);
}

}  // namespace

void MailToolbarBranch(const UpdateCall& call) {
    // One program serves both clients: it stays while the other one's integration is on.
    if (state::ApplicationState(call.app.partner)) return;
    if (call.on) {
        platform::HeapString location(platform::GetProgramLocation());
        if (location) {
            std::string command = "\"" + In(location.get(), product_files::kMailToolbar) + "\"";
            platform::SetRunEntry(HKEY_CURRENT_USER, product::kMailToolbarRunValue, command.c_str());
        }
        if (!FindTransWindow(texts::kMailToolbar)) platform::RunFromProgramFolder(product_files::kMailToolbar, "");
        return;
    }
    if (HWND toolbar = FindTransWindow(texts::kMailToolbar)) SendClose(toolbar);
    platform::RemoveRunEntry(HKEY_CURRENT_USER, product::kMailToolbarRunValue);
}

void EudoraBranch(const UpdateCall& call) {
    std::string current;
    {
        platform::RegistryKey key;
        if (!key.Open(HKEY_CURRENT_USER, registry_paths::kEudoraCommandLine, platform::kReadAccess)) return;
        platform::ReadText(key, registry_paths::kEudoraCurrent, &current);  // unreadable: empty
    }
    // A command line that begins with a quote names the program inside the quotes.
    if (!current.empty() && current[0] == '"') current = current.substr(1, current.find('"', 1) - 1);
    os::_mbslwr(reinterpret_cast<unsigned char*>(&current[0]));
    // Without the program's name in the command line there is no Eudora folder:
    // nothing is started and nothing placed.
    const std::string program = In("", call.app.program);  // "\eudora.exe", as the command names it
    const unsigned char* found = os::_mbsstr(reinterpret_cast<const unsigned char*>(current.c_str()),
                                             reinterpret_cast<const unsigned char*>(program.c_str()));
    if (!found) return;
    const size_t at = static_cast<size_t>(found - reinterpret_cast<const unsigned char*>(current.c_str()));
    Start(current.substr(0, at + program.size()), "/EnableAutomation");
    std::string target = In(current.substr(0, at) + "\\Plugins", product_files::kEudoraPlugin);
    Remove(target);
    if (!call.on) return;
    std::string source = ProgramFile(product_files::kEudoraPlugin);
    if (!source.empty()) CopyOver(source, target);
}

void QuillonBranch(const UpdateCall& call) {
    if (call.on) {
        platform::HeapString location(platform::GetProgramLocation());
        if (!location) return;
        std::string library = In(location.get(), product_files::kQuillonLibrary);
        if (!KeyExists(registry_paths::kQuillon, platform::kReadAccess)) return;  // Quillon is not set up for the user
        // The value is looked at before it is written: read and write access.
        platform::RegistryKey users;
        if (users.Open(HKEY_CURRENT_USER, registry_paths::kQuillonUsers, platform::kReadWriteAccess)) {
            PlaceLibrary(users, library);
            return;
        }
        if (users.Create(HKEY_CURRENT_USER, registry_paths::kQuillonUsersKey, platform::kReadWriteAccess))
            PlaceLibrary(users, library);
        return;
    }
    {
        platform::RegistryKey usersKey;
        if (usersKey.Open(HKEY_CURRENT_USER, registry_paths::kQuillonUsersKey, platform::kReadWriteAccess))
            RemoveLibrary(usersKey);
    }
    if (!KeyExists(registry_paths::kQuillon, platform::kReadAccess)) return;
    platform::RegistryKey key;
    if (KeyExists(registry_paths::kQuillonUsers, platform::kReadAccess)) {
        if (key.Open(HKEY_CURRENT_USER, registry_paths::kQuillonUsers, platform::kReadWriteAccess)) RemoveLibrary(key);
        return;
    }
    // Set up without "Users": the value's other home is made if missing, and cleared.
    if (!key.Create(HKEY_CURRENT_USER, registry_paths::kQuillonUsersKey, platform::kReadAccess)) return;
    key.Close();
    if (key.Create(HKEY_CURRENT_USER, registry_paths::kQuillonUsersKey, platform::kReadWriteAccess)) RemoveLibrary(key);
}

}  // namespace install
