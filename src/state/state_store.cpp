// The integration state store (see state_store.h) and the bodies of its two exports.
#include "state/state_store.h"

#include <cstring>

#include "catalogue/catalogue.h"
#include "frame/exports.h"
#include "platform/two_calls.h"
#include "platform/heap_string.h"
#include "platform/product.h"
#include "platform/registry_key.h"

namespace state {
namespace {

const unsigned char* Bytes(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

// The current display name and the stored one, by the two-call protocol: both sized
// first, then fetched.
struct Names {
    unsigned int appId;
    LONG currentLength = GetLatestApplicationName(appId, nullptr);
    LONG storedLength = GetStoredApplicationName(appId, nullptr);

    platform::HeapString Current() const {
        return platform::HeapString(
            platform::FetchText([&](char* b) { return GetLatestApplicationName(appId, b); }, currentLength));
    }
    platform::HeapString Stored() const {
        return platform::HeapString(
            platform::FetchText([&](char* b) { return GetStoredApplicationName(appId, b); }, storedLength));
    }
};

bool Same(const platform::HeapString& a, const platform::HeapString& b) {
    return os::_mbscmp(Bytes(a.get()), Bytes(b.get())) == 0;  // byte for byte, case included
}

}  // namespace

LONG GetStoredApplicationName(unsigned int appId, char* buffer) {
    char path[catalogue::kStateKeyBufferSize];
    catalogue::MakeStateKeyPath(appId, path);
    platform::RegistryKey key;
    std::string name;
    if (!key.Open(HKEY_CURRENT_USER, path, platform::kReadAccess) ||
        !platform::ReadText(key, product::kApplNameValue, &name))
        return kNoStoredName;
    // Every text of the two-call protocol fits its 261-byte floor; a longer name is
    // reported, never copied.
    if (name.size() >= platform::kWorkBufferSize) return kStoredNameTooLong;
    if (buffer) std::strcpy(buffer, name.c_str());
    return static_cast<LONG>(name.size());
}

DWORD ReadTransValue(unsigned int appId) {
    char path[catalogue::kStateKeyBufferSize];
    catalogue::MakeStateKeyPath(appId, path);
    platform::RegistryKey key;
    DWORD trans = 0;
    if (!key.Open(HKEY_CURRENT_USER, path, platform::kReadAccess) || !key.ReadDword(product::kTransValue, &trans))
        return 0;
    return trans;
}

int ApplicationState(unsigned int appId) {
    // Only a state recorded for the installation that detection reports now counts.
    Names names{appId};
    if (names.currentLength < 1 || names.storedLength < 1) return 0;
    platform::HeapString current = names.Current(), stored = names.Stored();
    if (!current || !stored || !Same(current, stored)) return 0;
    return static_cast<int>(ReadTransValue(appId));
}

int SetApplicationState(unsigned int appId, int state) {
    int previous = GetLatestApplicationState(appId);
    // Nothing is written for an application that detection does not find.
    Names names{appId};
    if (names.currentLength < 1) return previous;
    platform::HeapString current = names.Current();
    if (!current) return previous;
    if (names.storedLength >= 1 || names.storedLength == kStoredNameTooLong) {
        // A state recorded for another installation (an upgrade), or under a name no
        // installation has: its integration is removed first, when it was on.
        bool differs = true;
        if (names.storedLength >= 1) {
            platform::HeapString stored = names.Stored();
            if (!stored) return previous;
            differs = !Same(current, stored);
        }
        if (differs && ReadTransValue(appId)) {
            UpdateApplTransSettings(appId, 0, previous);
            previous = GetLatestApplicationState(appId);
        }
    }
    char path[catalogue::kStateKeyBufferSize];
    catalogue::MakeStateKeyPath(appId, path);
    platform::RegistryKey key;
    if (!key.Create(HKEY_CURRENT_USER, path, platform::kWriteAccess)) return previous;
    // "Trans" first: the installer reads partners' states during the call.
    if (!key.WriteDword(product::kTransValue, static_cast<DWORD>(state))) return previous;
    key.WriteString(product::kApplNameValue, current.get());
    UpdateApplTransSettings(appId, state, previous);
    return previous;
}

}  // namespace state
