// The machine the tool works on, and the library's exports bound on it.
//
// Native build: a machine folder loaded into the simulation, with the library linked
// in; the folder is worked on in place, or on a scratch copy for --dry-run and for
// the bundled sample machine. Windows build: the real machine, with
// ZenthoAppAPILib.dll loaded and its exports bound by their decorated names.
#pragma once

#include <memory>
#include <string>

#include "platform/os/changes.h"

struct SessionOptions {
    std::string machine;  // machine folder ("" = the bundled sample machine)
    bool dryRun = false;
};

class Session {
public:
    // Returns null with *error set (a message for the user) when it cannot start.
    static std::unique_ptr<Session> Open(const SessionOptions& options, std::string* error);
    ~Session();

    // The export with this ordinal (1-15), or null.
    void* Export(int ordinal) const;

    // Texts cross the tool's boundary as UTF-8 and the library's as ANSI code page.
    std::string ToUtf8(const std::string& ansi) const;
    bool FromUtf8(const std::string& utf8, std::string* ansi) const;

    // What the calls since the last BeginChanges changed; false when this build
    // cannot tell, with the reason.
    void BeginChanges();
    bool TakeChanges(os::ChangeList* changes, std::string* why);

    // True when the machine is the bundled sample, worked on as a copy.
    bool UsesBundledSample() const;

    // Keeps what the calls changed (unless --dry-run) and lets the machine go.
    bool Finish(std::string* error);

    struct State;

private:
    explicit Session(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};
