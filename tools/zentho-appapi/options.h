// The tool's command line: options in any position, numbers and application names
// read strictly, and the exit codes it ends with.
#pragma once

#include <string>
#include <vector>

#include "catalogue/catalogue.h"

// Exit codes, as the help and the README list them.
enum ExitCode {
    kExitDone = 0,        // the command did what it was asked
    kExitNotApplied = 1,  // a change could not be kept: the machine folder is as it was
    kExitUsage = 2,       // a mistake on the command line, or a machine that cannot be loaded
    kExitNothingToDo = 3, // the application is not installed, or the default program not recognised
};

struct Options {
    std::string machine;  // --machine DIR, -m DIR, --machine=DIR
    bool machineGiven = false;
    std::string sample;  // --sample DIR: where the bundled sample machine is
    std::string image;   // --image DIR: a mounted Windows volume, read only
    std::string user;    // --user NAME: the image's profile
    std::string changesReg;  // --changes-reg FILE: the registry changes as a .reg file
    bool dryRun = false;
    bool changes = false;  // with call: the changes the call made
    bool json = false;     // with report and check
    bool yes = false;      // with repair: go ahead on the machine the Windows build runs on
    bool help = false;
    bool version = false;
    std::string command;
    std::vector<std::string> args;
};

// Reads the command line; false with a message (a usage error) when it cannot.
bool ParseCommandLine(const std::vector<std::string>& argv, Options* options, std::string* error);

// A number as the tool takes it everywhere: "0x" and hexadecimal digits, or decimal
// digits without a leading zero (a leading zero is refused, with a hint, as it is no
// octal here), within 32 bits; signed allows a minus sign and the int range.
bool ParseNumber(const std::string& text, bool isSigned, long long* value, std::string* error);

// An application by its short name (in any case) or its AppId; null with a message,
// and a suggestion for a near miss, when there is none.
const catalogue::Application* FindApplication(const std::string& text, std::string* error);

// "unknown KIND TEXT", with "; did you mean X?" when a candidate is within two edits, and
// otherwise the `nearest` candidates by edits ("; the nearest are A, B, C").
std::string UnknownName(const char* kind, const std::string& text, const std::vector<std::string>& candidates,
                        size_t nearest = 0);
