// The library's exports as the tool uses them: texts by the two-call protocol,
// converted to UTF-8, and states.
#pragma once

#include <string>

#include "session.h"

class Library {
public:
    explicit Library(Session& session) : session_(session) {}

    // "" when the export reports nothing (a negative code).
    std::string Name(unsigned int appId) const;
    std::string Path(unsigned int appId) const;
    int State(unsigned int appId) const;
    int SetState(unsigned int appId, int state) const;

    std::string DefaultBrowser() const;
    std::string DefaultBrowserPath() const;
    int DefaultBrowserState() const;
    int SetDefaultBrowserState(int state) const;
    std::string DefaultMailer() const;
    std::string DefaultMailerPath() const;
    int DefaultMailerState() const;
    int SetDefaultMailerState(int state) const;

    Session& session() const { return session_; }

private:
    void* Export(const char* name) const;
    std::string Text(const char* exportName, bool withAppId, unsigned int appId) const;
    Session& session_;
};
