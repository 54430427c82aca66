// The newest installed version of each supported application: its display name and
// its program's path (the exports' bodies; see frame/exports.h).
#pragma once

#include "port/os.h"

namespace detect {

LONG LatestApplicationName(unsigned int appId, char* name);
LONG LatestApplicationPath(unsigned int appId, char* path);

}  // namespace detect
