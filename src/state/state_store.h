// The per-user, per-version integration state: below HKEY_CURRENT_USER, each
// application's state key holds "Trans" (the state last set) and "applname" (the
// display name of the installation it was set for). A state counts only while
// "applname" equals, byte for byte, the name detection reports now.
#pragma once

#include "platform/heap_string.h"
#include "port/os.h"

namespace state {

// The stored "applname": its length (0 when empty), kNoStoredName when the key, the
// value or memory is missing, or kStoredNameTooLong for a name longer than any display
// name can be (it is never copied, and never matches one); with a buffer, the name and
// its NUL are copied into it.
constexpr LONG kNoStoredName = -3;
constexpr LONG kStoredNameTooLong = -2;
LONG GetStoredApplicationName(unsigned int appId, char* buffer);

// The state in effect: "Trans" when "applname" names the installation found now, else 0.
int ApplicationState(unsigned int appId);
// "Trans" when it is a REG_DWORD, else 0; no name comparison.
DWORD ReadTransValue(unsigned int appId);

// How the stored state stands to the installation detection finds now, whose name
// goes to current. kUnknown: nothing is installed, or a name could not be read.
enum class Record { kUnknown, kNone, kSameInstallation, kOtherInstallation };
Record CompareRecord(unsigned int appId, platform::HeapString* current);

// Records a state for the installation of that name; false when it could not be.
bool WriteState(unsigned int appId, int state, const char* name);

}  // namespace state
