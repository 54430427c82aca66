// The per-user, per-version integration state: below HKEY_CURRENT_USER, each
// application's state key holds "Trans" (the state last set) and "applname" (the
// display name of the installation it was set for). A state counts only while
// "applname" equals, byte for byte, the name detection reports now.
// (GetLatestApplicationState and SetLatestApplicationState are exports.)
#pragma once

#include "platform/os/os.h"

namespace state {

// The stored "applname": its length (0 when empty), kNoStoredName when the key, the
// value or memory is missing, or kStoredNameTooLong for a name longer than any display
// name can be (it is never copied, and never matches one); with a buffer, the name and
// its NUL are copied into it.
constexpr LONG kNoStoredName = -3;
constexpr LONG kStoredNameTooLong = -2;
LONG GetStoredApplicationName(unsigned int appId, char* buffer);

// The exports' bodies (see frame/exports.h).
int ApplicationState(unsigned int appId);
int SetApplicationState(unsigned int appId, int state);
// "Trans" when it is a REG_DWORD, else 0; no name comparison.
DWORD ReadTransValue(unsigned int appId);

}  // namespace state
