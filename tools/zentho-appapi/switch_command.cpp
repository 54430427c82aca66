// The tool's switches (see switch_command.h).
#include "switch_command.h"

#include <cstdio>

#include "catalogue/catalogue.h"
#include "tools/winsim/changes/change_text.h"

namespace {

const char* OnOff(int state) { return state ? "on" : "off"; }

// Switches through setter and prints the state before and after and what changed.
template <typename Setter, typename Getter>
std::string Switch(const Library& library, Setter set, Getter get) {
    Session& session = library.session();
    session.BeginChanges();
    const int before = set(), after = get();
    os::ChangeList changes;
    std::string why;
    session.TakeChanges(&changes, &why);
    std::string out = std::string("integration: ") + OnOff(before) + " -> " + OnOff(after) + "\n";
    if (changes.empty()) return out + "changes: none\n";
    out += kChangesHeading;
    // Shown once quoted: a control character in a quoted text stays distinct from its escapes.
    const auto utf8 = [&](const std::string& text) { return session.ToUtf8(text); };
    for (const auto& change : changes) out += "  " + os::Visible(os::ChangeWords(change, utf8)) + "\n";
    return out;
}

}  // namespace

std::string ApplicationNameList() {
    std::string list;
    for (const auto& app : catalogue::kApplications) list += (list.empty() ? "" : ", ") + std::string(app.shortName);
    return list;
}

CommandResult SwitchApplication(const Library& library, const std::string& appName, bool on) {
    std::string error;
    const catalogue::Application* app = FindApplication(appName, &error);
    if (!app) return CommandResult::Fail(kExitUsage, error);
    char header[96];
    std::snprintf(header, sizeof header, "%s (0x%04x): ", app->description, app->id);
    const Answer name = library.Name(app->id);
    CommandResult r;
    if (!name.found()) {
        r.status = kExitNothingToDo;
        r.output = header + std::string(Reason(name.result)) + ": nothing to switch\n";
        return r;
    }
    r.output = header + os::Visible(name.text) + "\n" +
               Switch(library, [&] { return library.SetState(app->id, on ? 1 : 0); },
                      [&] { return library.State(app->id); });
    return r;
}

CommandResult SwitchDefault(const Library& library, bool browser, const std::string& onOrOff) {
    if (onOrOff != "on" && onOrOff != "off")
        return CommandResult::Fail(kExitUsage, std::string("usage: zentho-appapi ") + (browser ? "browser" : "mailer") +
                                                   " on|off");
    const bool on = onOrOff == "on";
    const Answer name = library.DefaultName(browser), path = library.DefaultPath(browser);
    CommandResult r;
    r.output = std::string(browser ? "default browser: " : "default mailer: ");
    if (!name.found()) {
        r.status = kExitNothingToDo;
        r.output += std::string("not recognised: ") + Reason(name.result) + " (" + std::to_string(name.result) +
                    "): nothing to switch\n";
        return r;
    }
    r.output += os::Visible(name.text) + (path.found() ? " (" + os::Visible(path.text) + ")" : "") + "\n" +
                Switch(library, [&] { return library.SetDefaultState(browser, on); },
                       [&] { return library.DefaultState(browser); });
    return r;
}
