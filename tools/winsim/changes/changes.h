// What a call changed on the machine: one record per registry key or value created,
// changed or deleted, file copied or deleted, folder created, program started and
// message sent, in the order the calls were made.
//
// The simulated machine records these as the library calls it; the command-line
// tool prints them. Texts are bytes in the machine's ANSI code page.
#pragma once

#include <string>
#include <vector>

#include "port/os.h"

namespace os {

struct Change {
    enum Kind {
        kKeyCreated,      // path
        kKeyDeleted,      // path
        kValueSet,        // path, name, type, data
        kValueDeleted,    // path, name
        kFileCopied,      // path = target, detail = source
        kFileDeleted,     // path
        kFolderCreated,   // path
        kProgramStarted,  // path = program, detail = parameters
        kMessageSent,     // path = window class, name = window title, detail = message
    };
    Kind kind = kKeyCreated;
    std::string path;
    std::string name;
    DWORD type = 0;
    std::string data;
    std::string detail;
    // Why the call did not do it ("source missing", "nothing there", "no such program"),
    // or "" when it did: a plan shows the attempts that failed too.
    std::string failed;
};

using ChangeList = std::vector<Change>;

}  // namespace os
