// Keeping what a run changed on a machine folder, wholly or not at all.
//
// The machine is loaded with its file changes staged (FileSystem::StageChanges). A
// commit writes, beside their targets, the changed files, the tool's own registry file
// (the net change against the folder's own .reg files, which are never rewritten:
// REGEDIT4 with deletions, compacted each time) and running.ini; then swaps each into
// place, keeping what it replaces until all are in. Everything beside a target is made new,
// never opened where something stands, and nothing outside the machine folder is changed. A
// journal names every step: when a step fails, or a run is killed half way, everything goes
// back as it was (at once, or by the next run's RecoverMachineFolder).
#pragma once

#include <string>

#include "tools/winsim/core/machine.h"

namespace sim {

// False, with the step and the system's reason, when the folder is as it was before.
bool CommitMachineFolder(Machine& machine, const std::string& folder, std::string* error);

// Whether a run that was stopped half way left its journal in the folder, for
// RecoverMachineFolder to put right.
bool HasUnfinishedRun(const std::string& folder);

// Puts back what a commit that was stopped half way left, or finishes one stopped after its
// changes were in, touching only what that run made or kept aside; true when there was nothing
// to do (*note empty) or it is done (*note says what, in one line). False, with nothing done, for
// a journal that is not this folder's (a copy's) or names a path outside it.
bool RecoverMachineFolder(const std::string& folder, std::string* note, std::string* error);

// The registry's net change against the folder's own .reg files (the baseline that
// LoadMachineFolder marks), as the text of the tool's registry file ("" when there is none).
bool RegistryChangesText(Machine& machine, std::string* text, std::string* error);

}  // namespace sim
