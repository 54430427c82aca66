// The simulated thread's last-error value, which the port's functions set as Windows
// does. The library never reads it; port tests do, to compare error codes with Windows.
#pragma once

#include "port/os.h"

namespace sim {

DWORD LastError();
void SetLastError(DWORD error);

}  // namespace sim
