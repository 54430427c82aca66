// The simulated machine's desktop: top-level windows, programs started through the
// shell, the calling thread's message queue, and a clock.
//
// Programs do nothing by themselves; a machine may give a program a behaviour: when
// started it opens top-level windows (after a delay), which close on WM_CLOSE or by
// themselves after a while, or hang. Time passes only when the caller waits, so
// waits and time limits are exact and cost no real time.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "tools/winsim/changes/changes.h"
#include "port/os.h"

namespace sim {

struct SimWindow {
    uintptr_t id = 0;
    std::string className;
    std::string title;
    std::string owner;     // full path of the program that owns it, or ""
    unsigned process = 0;  // the running instance of that program, 0 for none
    bool hung = false;     // does not answer messages
};

struct ProgramBehaviour {
    std::string program;  // full Windows path; matched without regard to case
    struct Window {
        std::string className;
        std::string title;
    };
    std::vector<Window> windows;    // opened when the program has started
    DWORD showAfterMs = 0;          // delay from the start to the windows
    DWORD closeAfterMs = INFINITE;  // the program ends by itself this long after showing
    bool hung = false;              // its windows never answer WM_CLOSE
};

struct ProgramStart {
    std::string program;  // as the caller named it
    std::string parameters;
    std::string directory;
    DWORD at = 0;  // clock time of the start
};

class Desktop {
public:
    Desktop();

    void SetChangeLog(os::ChangeList* log) { log_ = log; }

    // Windows, top first (the newest is on top, as Windows enumerates them). A window
    // added with an owner belongs to the instance of that program that was running
    // when the machine came up: one instance per program, shared by its windows.
    HWND AddWindow(const std::string& className, const std::string& title, const std::string& owner = "",
                   bool hung = false);
    const SimWindow* Find(HWND window) const;
    std::vector<HWND> TopLevelWindows() const;
    bool CloseWindow(HWND window);

    // Programs.
    void AddBehaviour(ProgramBehaviour behaviour);
    const std::vector<ProgramBehaviour>& behaviours() const { return behaviours_; }
    // Records the start and runs the program's behaviour; fullPath is used to find it.
    void Start(const std::string& program, const std::string& fullPath, const std::string& parameters,
               const std::string& directory);
    const std::vector<ProgramStart>& starts() const { return starts_; }

    // Messages. Close: WM_CLOSE with a bound; false when the window is gone or hung
    // (the clock then moves on by the bound).
    bool SendClose(HWND window, DWORD timeoutMs);
    void Post(const MSG& msg) { queue_.push_back(msg); }
    bool Peek(MSG* msg, bool remove);
    size_t dispatched() const { return dispatched_; }
    void CountDispatch() { ++dispatched_; }

    // Clock.
    DWORD Now() const { return now_; }
    // Lets time pass; returns false when asked to wait for ever with nothing to come.
    bool Wait(DWORD milliseconds);
    // Lets time pass until nothing more is due: programs have shown their windows, and
    // those that end by themselves have ended.
    void Settle();
    // Drops every window (a machine folder's record of the open windows replaces them).
    void ClearWindows() { windows_.clear(); }

private:
    // Each start is an instance of its own: when it ends, only its windows go, never
    // those of another instance of the same program (the user's own Ichitaro, say).
    struct Event {
        DWORD at;
        size_t behaviour;
        bool open;  // open the windows, or end the instance
        std::string owner;
        unsigned process;
    };
    HWND AddWindowOf(unsigned process, const std::string& className, const std::string& title, const std::string& owner,
                     bool hung);
    void EndProcess(unsigned process);
    void RunDue();
    void Record(os::Change change);

    std::vector<SimWindow> windows_;  // oldest first
    uintptr_t nextWindow_ = 0x10010;
    unsigned nextProcess_ = 100;
    std::vector<ProgramBehaviour> behaviours_;
    std::vector<ProgramStart> starts_;
    std::vector<Event> events_;
    std::deque<MSG> queue_;
    size_t dispatched_ = 0;
    DWORD now_ = 1000000;
    os::ChangeList* log_ = nullptr;
};

}  // namespace sim
