// The tool's commands, the same on both builds: "call" makes one export call exactly
// as the product's programs make it and prints one JSON line.
#pragma once

#include <string>
#include <vector>

#include "session.h"

struct CommandResult {
    int status = 0;      // 0 call made, 2 usage error
    std::string output;  // for standard output
    std::string error;   // one line for standard error
};

// call EXPORT [ARG...]
CommandResult CallCommand(Session& session, const std::vector<std::string>& args, bool withChanges);

// The names of the exports, for messages.
std::string ExportNameList();

// The changes as a JSON array.
std::string ChangesJson(const Session& session, const os::ChangeList& changes);
