// What ZenthoAppAPILib.dll changes on a real Windows machine.
//
// The DLL is left as it is: the tool points the DLL's imports of the Windows functions
// that change something (registry writes and deletions, file copies and deletions,
// folder creation, program starts, close messages) at wrappers that call the real
// function and note the change in the same form as the simulated machine does. Key
// paths are followed from the handles the DLL opens.
#pragma once

#include <windows.h>

#include <string>

#include "platform/os/changes.h"

namespace observe {

// Redirects the library's imports; false, with the reason, when its import table
// cannot be read.
bool Attach(HMODULE library, std::string* error);
void Begin();
os::ChangeList Take();

}  // namespace observe
