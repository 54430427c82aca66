// zentho-appapi check and repair: what is placed on the machine against what the
// stored integration state promises, application by application.
//
// What an application should have comes from the installer itself, never from a list
// kept for the check: its branch runs with the session planning (what it would
// change is recorded, nothing changes), switching on for an "on" record and off for
// any other, and each planned step is judged against the machine as it is. A copy
// whose target already holds the source's bytes, a value already set so, a file to
// delete that is not there: nothing to do. Anything else is drift, with its cause.
#pragma once

#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "command.h"
#include "library.h"

// check [APP...]: all applications when none is named; one named gets its details.
// Exit kExitDone when every one is consistent, kExitNotApplied when one has drift.
CommandResult CheckCommand(const Library& library, const std::vector<std::string>& apps, bool json);

// repair [APP...]: runs the branch as the library would for each application with
// drift (on for an "on" record, the record of another installation removed first; off
// otherwise), printing what changed, then checks again and names what remains.
CommandResult RepairCommand(const Library& library, const std::vector<std::string>& apps);

// What detection reads for an application, a line each: why it may be "not installed".
// The native build has it from the tables the library reads; the Windows build, which
// binds the DLL alone, answers "".
std::string DetectionGuide(const catalogue::Application& app);
