// The simulated desktop (see desktop.h).
#include "tools/winsim/core/desktop.h"

#include <algorithm>
#include <strings.h>

namespace sim {

Desktop::Desktop() = default;

void Desktop::Record(os::Change change) {
    if (log_) log_->push_back(std::move(change));
}

HWND Desktop::AddWindow(const std::string& className, const std::string& title, const std::string& owner, bool hung) {
    unsigned process = 0;
    if (!owner.empty()) {
        for (const auto& w : windows_)
            if (w.process && strcasecmp(w.owner.c_str(), owner.c_str()) == 0) process = w.process;
        if (!process) process = nextProcess_++;
    }
    return AddWindowOf(process, className, title, owner, hung);
}

HWND Desktop::AddWindowOf(unsigned process, const std::string& className, const std::string& title,
                          const std::string& owner, bool hung) {
    SimWindow window;
    window.id = nextWindow_;
    nextWindow_ += 2;  // window handles are never reused, so a stale one stays invalid
    window.className = className;
    window.title = title;
    window.owner = owner;
    window.process = process;
    window.hung = hung;
    windows_.push_back(window);
    return reinterpret_cast<HWND>(window.id);
}

const SimWindow* Desktop::Find(HWND window) const {
    for (const auto& w : windows_)
        if (w.id == reinterpret_cast<uintptr_t>(window)) return &w;
    return nullptr;
}

std::vector<HWND> Desktop::TopLevelWindows() const {
    std::vector<HWND> list;
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) list.push_back(reinterpret_cast<HWND>(it->id));
    return list;
}

bool Desktop::CloseWindow(HWND window) {
    auto it = std::find_if(windows_.begin(), windows_.end(),
                           [&](const SimWindow& w) { return w.id == reinterpret_cast<uintptr_t>(window); });
    if (it == windows_.end()) return false;
    // An instance ends when one of its windows is closed, taking its other windows along.
    if (it->process == 0)
        windows_.erase(it);
    else
        EndProcess(it->process);
    return true;
}

void Desktop::EndProcess(unsigned process) {
    windows_.erase(
        std::remove_if(windows_.begin(), windows_.end(), [&](const SimWindow& w) { return w.process == process; }),
        windows_.end());
    events_.erase(std::remove_if(events_.begin(), events_.end(), [&](const Event& e) { return e.process == process; }),
                  events_.end());
}

void Desktop::AddBehaviour(ProgramBehaviour behaviour) { behaviours_.push_back(std::move(behaviour)); }

void Desktop::Start(const std::string& program, const std::string& fullPath, const std::string& parameters,
                    const std::string& directory) {
    starts_.push_back(ProgramStart{program, parameters, directory, now_});
    os::Change change;
    change.kind = os::Change::kProgramStarted;
    change.path = program;
    change.detail = parameters;
    Record(std::move(change));
    const unsigned process = nextProcess_++;
    for (size_t i = 0; i < behaviours_.size(); ++i) {
        if (strcasecmp(behaviours_[i].program.c_str(), fullPath.c_str()) != 0) continue;
        events_.push_back(Event{now_ + behaviours_[i].showAfterMs, i, true, fullPath, process});
    }
    RunDue();
}

void Desktop::RunDue() {
    // Events run in time order; an event may schedule another (a program that shows
    // its windows and later ends by itself).
    for (;;) {
        auto due = std::min_element(events_.begin(), events_.end(),
                                    [](const Event& a, const Event& b) { return a.at < b.at; });
        if (due == events_.end() || due->at > now_) return;
        Event event = *due;
        events_.erase(due);
        const ProgramBehaviour& behaviour = behaviours_[event.behaviour];
        if (event.open) {
            for (const auto& window : behaviour.windows)
                AddWindowOf(event.process, window.className, window.title, event.owner, behaviour.hung);
            if (behaviour.closeAfterMs != INFINITE)
                events_.push_back(
                    Event{event.at + behaviour.closeAfterMs, event.behaviour, false, event.owner, event.process});
        } else {
            EndProcess(event.process);
        }
    }
}

bool Desktop::SendClose(HWND window, DWORD timeoutMs) {
    const SimWindow* target = Find(window);
    if (!target) return false;
    os::Change change;
    change.kind = os::Change::kMessageSent;
    change.path = target->className;
    change.name = target->title;
    change.detail = "WM_CLOSE";
    Record(std::move(change));
    if (target->hung) {
        Wait(timeoutMs);
        return false;
    }
    CloseWindow(window);
    return true;
}

bool Desktop::Peek(MSG* msg, bool remove) {
    if (queue_.empty()) return false;
    *msg = queue_.front();
    if (remove) queue_.pop_front();
    return true;
}

void Desktop::Settle() {
    while (!events_.empty()) {
        auto next = std::min_element(events_.begin(), events_.end(),
                                     [](const Event& a, const Event& b) { return a.at < b.at; });
        now_ = std::max(now_, next->at);
        RunDue();
    }
}

bool Desktop::Wait(DWORD milliseconds) {
    if (milliseconds == INFINITE) {
        if (events_.empty()) return false;
        auto next = std::min_element(events_.begin(), events_.end(),
                                     [](const Event& a, const Event& b) { return a.at < b.at; });
        now_ = std::max(now_, next->at);
    } else {
        now_ += milliseconds;
    }
    RunDue();
    return true;
}

}  // namespace sim
