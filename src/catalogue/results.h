// The exports' failure results. Text getters answer a length above 0 or one of these;
// state functions answer 0 for off, unknown or not installed.
#pragma once

#include "port/os.h"

namespace results {

constexpr LONG kNoOpenCommand = -1;       // the shell's open command cannot be read
constexpr LONG kUnsupportedProgram = -2;  // it names no supported program
constexpr LONG kNotFound = -3;            // unknown AppId, or nothing found
constexpr LONG kGroupwareMailer = -4;     // the default mailer is the suite's groupware
constexpr int kOff = 0;                   // state: off, unknown, not installed, or not readable

}  // namespace results
