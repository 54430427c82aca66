// Lead-byte aware text helpers for paths and command lines in the ANSI code page:
// a double-byte character is always one unit, so a second byte equal to a backslash,
// a double quote or a blank is never taken for one.
#pragma once

#include <cstddef>

namespace platform {

constexpr size_t kWorkBufferSize = 261;  // a 260-byte path and its NUL

// Drops one leading and one trailing double quote (each on its own), then one
// trailing backslash; in place; null is ignored.
void TrimPath(char* text);

// Finds a program's file name (e.g. "iexplore.exe") in a shell command line, without
// regard to case, where a double quote, a blank or the end of the command follows it,
// and puts the program part of the command into output (kWorkBufferSize bytes): up to
// and including that quote, or up to the blank, in the command's own case; the whole
// command in lower case when the name ends it. 0, with output empty, when not found.
int ExtractProgramFromCommand(const char* command, const char* name, char* output);

// Replaces %NAME% references in place, writing at most 260 bytes; a path whose
// expansion would not fit stays as it is. The buffer holds 260 bytes at least.
void ExpandInPlace(char* path);

// The product version of a file (major, minor and build, 16 bits each); %NAME%
// references are expanded and enclosing double quotes dropped first. All 0 when the
// file is missing or has no version. False (all 0 too) when the file has a version
// that could not be read: no memory for it, or the file went between the two reads.
// Callers that name a program by its version then fail rather than record a name
// the program does not have.
bool GetFileVersion(const char* path, unsigned short* major, unsigned short* minor, unsigned short* build);

}  // namespace platform
