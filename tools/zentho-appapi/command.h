// What a command of the tool gives back: its exit code (options.h), what it prints and
// the one line it says on standard error.
#pragma once

#include <string>

#include "options.h"

// The heading of a switch's list of changes, and what it says instead when the changes could
// not be kept.
inline constexpr char kChangesHeading[] = "changes:\n";
inline constexpr char kNotKeptHeading[] = "changes planned, not kept:\n";

struct CommandResult {
    int status = kExitDone;
    std::string output;
    std::string error;

    static CommandResult Fail(int status, std::string error) {
        CommandResult r;
        r.status = status;
        r.error = std::move(error);
        return r;
    }
};
