// The file part of a change list as a batch file for cmd.exe: what an offline plan's .reg
// cannot hold (copies, deletes, new folders and program starts), to run on that machine
// after the .reg is imported.
#pragma once

#include <optional>
#include <string>

#include "tools/winsim/changes/changes.h"
#include "tools/winsim/core/codepage.h"

namespace sim {

// The steps in the order made, with the paths as the machine names them, each line stopping
// the file at its first failure with the line's number. The text is in the machine's code page
// (the file switches the console to it first), every path quoted and its '%' doubled. A path
// that such a file cannot carry exactly (a control character, a quote, a wildcard, text that is
// not whole characters of the code page) or that is not absolute is refused: nothing, with
// *error naming it. Registry changes and messages to windows are no file steps: left out.
std::optional<std::string> WriteChangesCmd(const os::ChangeList& changes, const CodePage& cp,
                                           std::string* error = nullptr);

}  // namespace sim
