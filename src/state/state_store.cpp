// The integration state store (see state_store.h).
#include "state/state_store.h"

#include <cstring>

#include "catalogue/catalogue.h"
#include "detect/latest_application.h"
#include "platform/two_calls.h"
#include "platform/heap_string.h"
#include "catalogue/product.h"
#include "platform/registry_key.h"

namespace state {
namespace {

const unsigned char* Bytes(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

// The current display name and the stored one, by the two-call protocol: both sized
// first, then fetched.
struct Names {
    unsigned int appId;
    LONG currentLength = detect::LatestApplicationName(appId, nullptr);
    LONG storedLength = GetStoredApplicationName(appId, nullptr);

    platform::HeapString Current() const {
        return platform::HeapString(
            platform::FetchText([&](char* b) { return detect::LatestApplicationName(appId, b); }, currentLength));
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

Record CompareRecord(unsigned int appId, platform::HeapString* current) {
    Names names{appId};
    if (names.currentLength < 1) return Record::kUnknown;
    *current = names.Current();
    if (!*current) return Record::kUnknown;
    // A name too long for any installation belongs to none.
    if (names.storedLength == kStoredNameTooLong) return Record::kOtherInstallation;
    if (names.storedLength < 1) return Record::kNone;
    platform::HeapString stored = names.Stored();
    if (!stored) return Record::kUnknown;
    return Same(*current, stored) ? Record::kSameInstallation : Record::kOtherInstallation;
}

bool WriteState(unsigned int appId, int state, const char* name) {
    char path[catalogue::kStateKeyBufferSize];
    catalogue::MakeStateKeyPath(appId, path);
    platform::RegistryKey key;
    if (!key.Create(HKEY_CURRENT_USER, path, platform::kWriteAccess)) return false;
    // "Trans" first: the installer reads partners' states during the call.
    if (!key.WriteDword(product::kTransValue, static_cast<DWORD>(state))) return false;
    key.WriteString(product::kApplNameValue, name);
    return true;
}

}  // namespace state
