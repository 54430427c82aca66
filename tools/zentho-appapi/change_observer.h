// What the library changes on a real Windows machine, recorded in the same form as
// the simulated machine records it.
//
// The library's code is left as it is: a module's imports of the Windows functions
// that change something (registry writes and deletions, file copies and deletions,
// folder creation, program starts, close messages) are pointed at wrappers that call
// the real function and note the change. Key paths are followed from the handles the
// module opens. The tool observes ZenthoAppAPILib.dll; the Windows test program
// observes itself.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tools/winsim/changes/changes.h"

namespace observe {

// Redirects the module's imports; false, with the reason, when its import table
// cannot be read.
bool Attach(HMODULE module, std::string* error);
// The changes recorded so far; the caller may clear them.
os::ChangeList& Changes();
// Copies, deletes and new folders asked for with a path that depends on the current
// folder, whether or not they succeeded ("delete NAME"); the library must make none.
std::vector<std::string>& RelativePaths();
// Planning, as the simulated machine plans: what the calls would change is recorded,
// judged against the machine as it is, and nothing changes; a key that would be made is
// a handle of its path alone; no program starts (the call answers that it could not);
// a window asked to close stays open.
void SetPlanning(bool planning);
// Whether copies, deletes and program starts that fail are recorded too, with why.
void LogFailures(bool log);

}  // namespace observe
