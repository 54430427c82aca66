// The tool's switches: "on APP" / "off APP" through SetLatestApplicationState,
// "browser on|off" and "mailer on|off" through the default program's setter. Each
// prints the application, its state before and after, and every change made in words.
#pragma once

#include <string>

#include "command.h"
#include "library.h"

CommandResult SwitchApplication(const Library& library, const std::string& app, bool on);
CommandResult SwitchDefault(const Library& library, bool browser, const std::string& onOrOff);

// The applications' names for the tool: the catalogue's short names.
std::string ApplicationNameList();
