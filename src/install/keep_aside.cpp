// Keeping the user's own file or value aside while the product's copy is in place
// (see keep_aside.h).
#include "install/keep_aside.h"

#include <cstring>

#include "install/mechanics.h"
#include "platform/paths.h"

namespace install {

bool PlaceKeepingAside(UserSlot& slot) {
    switch (slot.Look()) {
        case UserSlot::Holds::kUnknown:
        case UserSlot::Holds::kChanged:  // may hold the user's work: it stays until the integration goes
            return false;
        case UserSlot::Holds::kNothing:
            return slot.Place(false);
        case UserSlot::Holds::kProducts:
            return slot.Place(true);
        case UserSlot::Holds::kUsers:
            // Something kept aside already means the place holds a newer one of the
            // user's: both stay, and the product's copy does not go in.
            if (!slot.AsideEmpty() || !slot.KeepAside()) return false;
            return slot.Place(true);
    }
    return false;
}

void RemoveAndPutBack(UserSlot& slot, const std::function<void()>& beforeClear) {
    switch (slot.Look()) {
        case UserSlot::Holds::kUnknown:
        case UserSlot::Holds::kUsers:  // the user's, never placed by the product: it stays
            return;
        case UserSlot::Holds::kChanged:
            if (!slot.KeepChanged()) return;
            break;
        case UserSlot::Holds::kProducts:
            if (beforeClear && slot.AsideEmpty()) beforeClear();
            if (!slot.Clear()) return;
            break;
        case UserSlot::Holds::kNothing:
            break;
    }
    slot.Forget();
    if (!slot.AsideEmpty()) slot.PutBack();
}

PlacedRecord::PlacedRecord(unsigned int appId, const char* value) : value_(value) {
    catalogue::MakeStateKeyPath(appId, key_);
}

bool PlacedRecord::Read(std::string* fingerprint) {
    platform::RegistryKey key;
    return key.Open(HKEY_CURRENT_USER, key_, platform::kReadAccess) && platform::ReadText(key, value_, fingerprint);
}

void PlacedRecord::Write(const std::string& fingerprint) {
    platform::RegistryKey key;
    if (key.Create(HKEY_CURRENT_USER, key_, platform::kWriteAccess)) key.WriteString(value_, fingerprint.c_str());
}

void PlacedRecord::Clear() {
    platform::RegistryKey key;
    if (key.Open(HKEY_CURRENT_USER, key_, platform::kWriteAccess)) key.DeleteValue(value_);
}

UserSlot::Holds FileSlot::Look() {
    if (!platform::FileExists(target_.c_str())) return Holds::kNothing;
    std::string placed, now;
    const bool recorded = record_.Read(&placed);
    if (recorded && platform::FileFingerprint(target_.c_str(), &now) && now == placed) return Holds::kProducts;
    // A copy from an earlier source is the product's by the record; one with today's
    // source bytes is the product's whatever the record says. A file that cannot be
    // read is never removed.
    if (platform::SameFileBytes(target_.c_str(), source_.c_str())) return Holds::kProducts;
    return recorded ? Holds::kChanged : Holds::kUsers;
}

bool FileSlot::AsideEmpty() { return !platform::FileExists(aside_.c_str()); }

bool FileSlot::KeepAside() { return CopyNew(target_, aside_); }

bool FileSlot::Place(bool over) {
    // A place that looked empty is filled only if it still is.
    if (!(over ? CopyOver(source_, target_) : CopyNew(source_, target_))) return false;
    std::string placed;
    if (platform::FileFingerprint(target_.c_str(), &placed)) record_.Write(placed);
    return true;
}

bool FileSlot::Clear() {
    Remove(target_);
    return !platform::FileExists(target_.c_str());
}

bool FileSlot::KeepChanged() {
    // Never over an existing file: each name is tried in turn until one takes the copy.
    const size_t dot = changed_.rfind('.');
    for (int n = 1; n <= 99; ++n) {
        std::string name = n == 1 ? changed_ : changed_.substr(0, dot) + std::to_string(n) + changed_.substr(dot);
        if (CopyNew(target_, name)) return Clear();
    }
    return false;
}

void FileSlot::Forget() { record_.Clear(); }

void FileSlot::PutBack() {
    if (CopyNew(aside_, target_)) Remove(aside_);
}

namespace {

// True when text names productFile, in any folder and letter case.
bool NamesFile(std::string text, const char* productFile) {
    std::string file = productFile;
    if (text.size() < file.size()) return false;
    os::_mbslwr(reinterpret_cast<unsigned char*>(&text[0]));
    os::_mbslwr(reinterpret_cast<unsigned char*>(&file[0]));
    const size_t at = text.size() - file.size();
    return text.compare(at, std::string::npos, file) == 0 && (at == 0 || text[at - 1] == '\\');
}

}  // namespace

UserSlot::Holds RegistryValueSlot::Look() {
    bool exists = false;
    if (!key_.HasValue(name_, &exists)) return Holds::kUnknown;
    if (!exists) return Holds::kNothing;
    std::string text;
    return platform::ReadText(key_, name_, &text) && NamesFile(text, productFile_) ? Holds::kProducts : Holds::kUsers;
}

bool RegistryValueSlot::AsideEmpty() {
    bool exists = true;
    return key_.HasValue(aside_, &exists) && !exists;
}

// The user's value goes aside and comes back exactly: its type (an expandable path stays
// expandable) and its bytes.
bool RegistryValueSlot::KeepAside() { return key_.CopyValue(name_, aside_) != 0; }

bool RegistryValueSlot::Place(bool) { return key_.WriteString(name_, value_.c_str()) != 0; }

bool RegistryValueSlot::Clear() { return key_.DeleteValue(name_) != 0; }

void RegistryValueSlot::PutBack() {
    if (key_.CopyValue(aside_, name_)) key_.DeleteValue(aside_);
}

}  // namespace install
