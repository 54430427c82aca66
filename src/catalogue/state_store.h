// The per-user, per-version integration state: below HKEY_CURRENT_USER, each
// application's state key holds "Trans" (the state last set) and "applname" (the
// display name of the installation it was set for). A state counts only while
// "applname" equals, byte for byte, the name detection reports now.
// (GetLatestApplicationState and SetLatestApplicationState are exports.)
#pragma once

#include "platform/os/os.h"

namespace catalogue {

// The stored "applname": its length (0 when empty), or -3 when the key, the value or
// memory is missing; with a buffer, the name and its NUL are copied into it.
LONG GetStoredApplicationName(unsigned int appId, char* buffer);
// "Trans" when it is a REG_DWORD, else 0; no name comparison.
DWORD ReadTransValue(unsigned int appId);

}  // namespace catalogue
