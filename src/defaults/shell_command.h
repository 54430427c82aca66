// The program the shell opens for a protocol ("http", "mailto"): its open command,
// and which of a list of program files stands in it.
#pragma once

#include <cstddef>

#include "port/os.h"
#include "platform/text.h"

namespace defaults {

// The first program file of the list found in the protocol's open command (see
// platform::ExtractProgramFromCommand for how it is found), its index in *which and
// its path in program (261 bytes). Returns 1 when found, -1 when the command cannot be
// read, -2 when it names none of the files.
LONG FindProgramInCommand(const char* commandKey, const char* const* files, size_t fileCount, size_t* which,
                          char* program);

// The product version of a program path; readable is false when the program has a
// version that could not be read (see platform::GetFileVersion).
struct Version {
    unsigned short major = 0, minor = 0, build = 0;
    bool readable = true;
};
Version VersionOf(const char* program);

// Copies text into buffer when given; returns its length, plus one when countNul.
LONG Answer(const char* text, char* buffer, bool countNul = false);

// The catalogue AppId a display name maps to by its first bytes, or 0.
struct NamePrefix {
    const char* prefix;
    size_t bytes;  // how many bytes are compared (a prefix's NUL included makes it exact)
    unsigned int appId;
};
unsigned int AppIdOfName(const char* name, const NamePrefix* prefixes, size_t count);

// The beginning of the display names the catalogue gives an application.
const char* DisplayNamePrefix(unsigned int appId);

}  // namespace defaults
