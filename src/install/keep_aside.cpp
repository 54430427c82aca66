// Keeping the user's own file or value aside while the product's copy is in place
// (see keep_aside.h).
#include "install/keep_aside.h"

#include <cstring>

#include "install/mechanics.h"
#include "platform/paths.h"

namespace install {

void PlaceKeepingAside(UserSlot& slot) {
    switch (slot.Look()) {
        case UserSlot::Holds::kUnknown:
            return;
        case UserSlot::Holds::kNothing:
            slot.Place(false);
            return;
        case UserSlot::Holds::kProducts:
            slot.Place(true);
            return;
        case UserSlot::Holds::kUsers:
            // Something kept aside already means the place holds a newer one of the
            // user's: both stay, and the product's copy does not go in.
            if (!slot.AsideEmpty() || !slot.KeepAside()) return;
            slot.Place(true);
            return;
    }
}

void RemoveAndPutBack(UserSlot& slot) {
    switch (slot.Look()) {
        case UserSlot::Holds::kUnknown:
        case UserSlot::Holds::kUsers:  // the user's, or changed since it was placed: it stays
            return;
        case UserSlot::Holds::kProducts:
            if (!slot.Clear()) return;
            break;
        case UserSlot::Holds::kNothing:
            break;
    }
    if (!slot.AsideEmpty()) slot.PutBack();
}

UserSlot::Holds FileSlot::Look() {
    if (!platform::FileExists(target_.c_str())) return Holds::kNothing;
    // A file that cannot be read counts as the user's: it is never removed.
    return platform::SameFileBytes(target_.c_str(), source_.c_str()) ? Holds::kProducts : Holds::kUsers;
}

bool FileSlot::AsideEmpty() { return !platform::FileExists(aside_.c_str()); }

bool FileSlot::KeepAside() { return CopyNew(target_, aside_); }

void FileSlot::Place(bool over) {
    // A place that looked empty is filled only if it still is.
    if (over)
        CopyOver(source_, target_);
    else
        CopyNew(source_, target_);
}

bool FileSlot::Clear() {
    Remove(target_);
    return !platform::FileExists(target_.c_str());
}

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

void RegistryValueSlot::Place(bool) { key_.WriteString(name_, value_.c_str()); }

bool RegistryValueSlot::Clear() { return key_.DeleteValue(name_) != 0; }

void RegistryValueSlot::PutBack() {
    if (key_.CopyValue(aside_, name_)) key_.DeleteValue(aside_);
}

}  // namespace install
