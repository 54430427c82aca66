// The sample machine for the reliability sweeps: loaded fresh for each run that may
// change it (from a scratch copy of the folder, since the installer writes into the
// machine's drive), and the library's exports run over it as a settings program
// runs them, with every result and text kept for comparison.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "tools/winsim/core/machine.h"

namespace reliability {

// A scratch copy of the sample machine folder, removed at the end.
class SampleFolder {
public:
    SampleFolder();
    ~SampleFolder();
    // A machine loaded from a fresh copy (writes == true) or from this copy.
    std::unique_ptr<sim::Machine> Load(bool writes);
    // Every item of a folder by its path: folder or not, size, and time written.
    using Stamps = std::map<std::string, std::tuple<bool, long long, long long, long long>>;

private:
    std::string base_, scratch_;
    Stamps stamps_;  // of the copy as Load left it
};

// What one call gave: its result, the text it wrote, and for the two-call protocol the
// length the sizing call announced and whether the fetch wrote past that length.
struct Result {
    long value = 0;
    std::string text;
    long announced = 0;
    bool overrun = false;
    bool expanded = false;       // a path getter's text, which may be longer than its result
    bool sizingFaulted = false;  // a fault was injected in the sizing call
    bool unterminated = false;   // a text the call gave has no NUL within its buffer
};

// Why a result breaks the two-call protocol, or "" when it keeps it.
std::string ProtocolFault(const Result& result);
// True when each '|'-separated field of got is empty or equal to the same field of base.
bool EachFieldEmptyOr(const std::string& got, const std::string& base);

// One export call as a settings program makes it.
struct Call {
    std::string name;     // for messages, e.g. "GetLatestApplicationName 0x401"
    bool writes = false;  // changes the machine
    enum Kind { kText, kPath, kState, kSetState, kList, kSuite } kind = kText;
    std::function<Result()> run;
};

// Every export: names, paths and states of every AppId (and of values that are none),
// the default programs, the lists; and, writing, switching every AppId and the
// defaults on (and off after on).
std::vector<Call> AllCalls();

}  // namespace reliability
