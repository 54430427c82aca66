// The tool's switches (see switch_command.h).
#include "switch_command.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "catalogue/catalogue.h"
#include "platform/os/os.h"

namespace {

const catalogue::Application* FindApplication(const std::string& name) {
    for (const auto& app : catalogue::kApplications)
        if (name == app.shortName) return &app;
    char* end = nullptr;
    unsigned long id = std::strtoul(name.c_str(), &end, 0);
    return !name.empty() && end && !*end ? catalogue::FindApplication(static_cast<unsigned int>(id)) : nullptr;
}

std::string Value(const Session& session, const os::Change& c) {
    if ((c.type == REG_SZ || c.type == REG_EXPAND_SZ) && !c.data.empty() && c.data.back() == 0)
        return "\"" + session.ToUtf8(c.data.substr(0, c.data.size() - 1)) + "\"";
    if (c.type == REG_DWORD && c.data.size() == 4) {
        DWORD value;
        std::memcpy(&value, c.data.data(), 4);
        return std::to_string(value) + " (REG_DWORD)";
    }
    return std::to_string(c.data.size()) + " bytes of type " + std::to_string(c.type);
}

std::string Changes(const Session& session, os::ChangeList changes) {
    if (changes.empty()) return "changes: none\n";
    std::string out = "changes:\n";
    for (const auto& change : changes) out += "  " + ChangeWords(session, change) + "\n";
    return out;
}

const char* OnOff(int state) { return state ? "on" : "off"; }

}  // namespace

std::string ChangeWords(const Session& session, const os::Change& c) {
    auto text = [&](const std::string& ansi) { return session.ToUtf8(ansi); };
    auto name = [&]() { return c.name.empty() ? std::string("(default)") : "\"" + text(c.name) + "\""; };
    switch (c.kind) {
        case os::Change::kKeyCreated:
            return "created key " + text(c.path);
        case os::Change::kKeyDeleted:
            return "deleted key " + text(c.path);
        case os::Change::kValueSet:
            return "set " + text(c.path) + " " + name() + " = " + Value(session, c);
        case os::Change::kValueDeleted:
            return "deleted value " + text(c.path) + " " + name();
        case os::Change::kFileCopied:
            return "copied " + text(c.detail) + " to " + text(c.path);
        case os::Change::kFileDeleted:
            return "deleted file " + text(c.path);
        case os::Change::kFolderCreated:
            return "created folder " + text(c.path);
        case os::Change::kProgramStarted:
            return "started " + text(c.path) + (c.detail.empty() ? "" : " " + text(c.detail));
        case os::Change::kMessageSent:
            return "sent " + c.detail + " to the window \"" + text(c.name) + "\" (" + text(c.path) + ")";
    }
    return "";
}

std::string ApplicationNameList() {
    std::string list;
    for (const auto& app : catalogue::kApplications) list += (list.empty() ? "" : ", ") + std::string(app.shortName);
    return list;
}

CommandResult SwitchApplication(const Library& library, const std::string& appName, bool on) {
    CommandResult r;
    const catalogue::Application* app = FindApplication(appName);
    if (!app) {
        r.status = 2;
        r.error = "unknown application " + appName + "; the applications are: " + ApplicationNameList() +
                  " (or an AppId such as 0x401)";
        return r;
    }
    char header[96];
    std::snprintf(header, sizeof header, "%s (0x%04x): ", app->description, app->id);
    std::string name = library.Name(app->id);
    Session& session = library.session();
    session.BeginChanges();
    int before = library.SetState(app->id, on ? 1 : 0);
    int after = library.State(app->id);
    os::ChangeList changes;
    std::string why;
    session.TakeChanges(&changes, &why);
    r.output = header + (name.empty() ? std::string("not installed") : name) + "\n";
    r.output += std::string("integration: ") + OnOff(before) + " -> " + OnOff(after) + "\n";
    r.output += Changes(session, changes);
    return r;
}

CommandResult SwitchDefault(const Library& library, bool browser, const std::string& onOrOff) {
    CommandResult r;
    if (onOrOff != "on" && onOrOff != "off") {
        r.status = 2;
        r.error = std::string("usage: zentho-appapi ") + (browser ? "browser" : "mailer") + " on|off";
        return r;
    }
    const bool on = onOrOff == "on";
    std::string name = browser ? library.DefaultBrowser() : library.DefaultMailer();
    std::string path = browser ? library.DefaultBrowserPath() : library.DefaultMailerPath();
    Session& session = library.session();
    session.BeginChanges();
    int before = browser ? library.SetDefaultBrowserState(on) : library.SetDefaultMailerState(on);
    int after = browser ? library.DefaultBrowserState() : library.DefaultMailerState();
    os::ChangeList changes;
    std::string why;
    session.TakeChanges(&changes, &why);
    r.output = std::string(browser ? "default browser: " : "default mailer: ") +
               (name.empty() ? std::string("not recognised") : name + " (" + path + ")") + "\n";
    r.output += std::string("integration: ") + OnOff(before) + " -> " + OnOff(after) + "\n";
    r.output += Changes(session, changes);
    return r;
}
