// The machine the tool works on, and the library's exports bound on it.
//
// Native build: a machine folder loaded into the simulation, with the library linked
// in. Its file changes are staged in memory and, unless the run is a dry run or the
// machine is the bundled sample, kept at the end wholly or not at all; the folder is
// locked for the run, so that runs on one folder take turns. Or an offline Windows
// image, whose registry is read from its hive files and which never changes: what a
// run would change is the plan it prints, and with changesReg a .reg file of its
// registry part that `reg import` replays on that machine. Windows build: the real
// machine, with ZenthoAppAPILib.dll loaded and its exports bound by their decorated
// names.
#pragma once

#include <memory>
#include <string>

#include "tools/winsim/changes/changes.h"

struct SessionOptions {
    std::string machine;  // machine folder
    bool machineGiven = false;
    std::string sample;  // where the bundled sample machine is ("" = beside the tool)
    bool dryRun = false;
    std::string image;       // a mounted Windows volume instead of a folder: read only
    std::string user;        // the image's profile ("" = its only one)
    std::string changesReg;  // where to write the plan: its registry part as this .reg file, its
                             // file steps as the .cmd beside it (PlanCommandFile); or ""
    bool readOnly = false;   // the command only reads: runs that only read a folder share it
};

// The batch file of a plan's file steps, beside its .reg file: the same name with .cmd for .reg.
std::string PlanCommandFile(const std::string& changesReg);

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
    // Planning: the calls record what they would change, and nothing changes (check).
    void SetPlanning(bool planning);

    // Why nothing the calls change is kept ("" when it is kept): a dry run, or the
    // bundled sample machine.
    std::string KeepsNothing() const;

    // Keeps what the calls changed (unless nothing is kept) and writes the plan's files when
    // asked, saying so in *note (one line, or ""); false, with the reason, when it could not,
    // and then the machine is as it was.
    bool Finish(std::string* error, std::string* note = nullptr);

    // For the header of report and check: the machine ("machine folder DIR", "image DIR", "the
    // bundled sample machine", "this machine"), and the current user's SID. UTF-8.
    std::string Describe() const;
    std::string UserSid() const;

    struct State;

private:
    explicit Session(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// The bundled sample machine: the folder given, or the one installed beside the tool
// (share/zentho-appapi/sample-machine) or in its source tree; "" with the places looked
// at when there is none.
std::string FindSample(const std::string& given, std::string* error);
