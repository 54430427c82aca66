// The tool's check and repair (see check.h).
#include "check.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "catalogue/catalogue.h"
#include "catalogue/product.h"
#include "options.h"
#include "port/os.h"
#include "report.h"
#include "switch_command.h"
#include "text_layout.h"
#include "tools/winsim/changes/change_text.h"

namespace {

using os::Change;

// The record the state store keeps for an application under the user's key.
struct Record {
    bool present = false;  // the state key is there
    bool on = false;       // "Trans" is the number 1
    std::string applname;  // UTF-8
    std::string key;
};

// One step of what the branch would do, judged against the machine as it is.
struct Step {
    Change change;
    std::string cause;  // "" when there is nothing to do
};

struct Verdict {
    const catalogue::Application* app = nullptr;
    Answer name, path;
    Record record;
    bool placing = false;  // the steps are those of switching on
    std::vector<Step> steps;
    std::vector<std::string> causes;
    bool consistent() const { return causes.empty(); }
};

HKEY RootOf(const std::string& path, std::string* rest) {
    const std::pair<const char*, HKEY> roots[] = {{"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                                                  {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                                                  {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                                                  {"HKEY_USERS", HKEY_USERS}};
    for (const auto& [name, root] : roots) {
        const size_t n = std::strlen(name);
        if (path.compare(0, n, name) == 0 && (path.size() == n || path[n] == '\\')) {
            *rest = path.size() > n ? path.substr(n + 1) : "";
            return root;
        }
    }
    return nullptr;
}

bool KeyExists(const std::string& path) {
    std::string rest;
    HKEY root = RootOf(path, &rest), key = nullptr;
    if (!root || os::RegOpenKeyExA(root, rest.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    os::RegCloseKey(key);
    return true;
}

// A value's type and bytes as stored; false when there is none.
bool ReadValue(const std::string& path, const std::string& name, DWORD* type, std::string* data) {
    std::string rest;
    HKEY root = RootOf(path, &rest), key = nullptr;
    if (!root || os::RegOpenKeyExA(root, rest.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    bool found = os::RegQueryValueExA(key, name.c_str(), nullptr, type, nullptr, &size) == ERROR_SUCCESS;
    if (found) {
        data->assign(size, '\0');
        found = os::RegQueryValueExA(key, name.c_str(), nullptr, type, reinterpret_cast<BYTE*>(&(*data)[0]), &size) ==
                ERROR_SUCCESS;
        data->resize(size);
    }
    os::RegCloseKey(key);
    return found;
}

Record ReadRecord(const Library& library, unsigned int appId) {
    char path[catalogue::kStateKeyBufferSize];
    catalogue::MakeStateKeyPath(appId, path);
    Record r;
    r.key = std::string("HKEY_CURRENT_USER\\") + path;
    r.present = KeyExists(r.key);
    DWORD type = 0;
    std::string data;
    uint32_t trans = 0;
    if (ReadValue(r.key, product::kTransValue, &type, &data) && type == REG_DWORD && data.size() == 4) {
        std::memcpy(&trans, data.data(), 4);
        r.on = trans == 1;
    }
    if (ReadValue(r.key, product::kApplNameValue, &type, &data) && (type == REG_SZ || type == REG_EXPAND_SZ))
        r.applname = library.session().ToUtf8(data.substr(0, data.find('\0')));
    return r;
}

// A file's bytes, or false when it cannot be read: not there, a folder, or too large to
// be one of the product's files.
bool FileBytes(const std::string& path, std::string* bytes) {
    constexpr size_t kLargest = 64u << 20;
    HANDLE file = os::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes->clear();
    char block[65536];
    DWORD n = 0;
    bool ok = true;
    while ((ok = os::ReadFile(file, block, sizeof block, &n, nullptr) != FALSE) && n > 0 && bytes->size() <= kLargest)
        bytes->append(block, n);
    os::CloseHandle(file);
    return ok && bytes->size() <= kLargest;
}

std::string Lower(std::string text) {
    for (auto& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string NameOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }
std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }

// The cause of one planned step, or "" when the machine already is as the step makes it.
std::string Judge(const Change& c, bool placing, const Library& library) {
    auto text = [&](const std::string& ansi) { return os::Visible(library.session().ToUtf8(ansi)); };
    const std::string state = placing ? "state on, " : "state off, ";
    const std::string path = text(c.path), name = text(c.name), detail = text(c.detail);
    switch (c.kind) {
        case Change::kFileCopied: {
            if (c.failed == "source missing") return "product source missing: " + detail;
            if (c.failed == "the target exists") return "";  // a kept copy is never overwritten
            if (!c.failed.empty()) return state + "cannot copy " + detail + " to " + path + ": " + c.failed;
            std::string source, target;
            const bool present = FileBytes(c.path, &target);
            if (!placing)
                return state + NameOf(detail) + " kept aside in " + text(FolderOf(c.detail)) +
                       ", waiting to come back as " + path;
            if (!present) return state + NameOf(path) + " missing from " + text(FolderOf(c.path));
            if (!FileBytes(c.detail, &source) || source != target)
                return state + path + " differs from the product's " + detail;
            return "";
        }
        case Change::kFileDeleted:
            if (!c.failed.empty()) return "";  // nothing there: nothing to remove
            return placing ? state + "a second " + NameOf(path) + " in " + text(FolderOf(c.path))
                           : state + NameOf(path) + " left in " + text(FolderOf(c.path));
        case Change::kFolderCreated:
            return placing ? state + "folder missing: " + path : "";
        case Change::kKeyCreated:
            return placing ? state + "key missing: " + path : "";
        case Change::kValueSet: {
            DWORD type = 0;
            std::string data;
            const std::string value = path + " " + (c.name.empty() ? std::string("(default)") : "\"" + name + "\"");
            if (ReadValue(c.path, c.name, &type, &data) && type == c.type && data == c.data) return "";
            if (!placing) return state + "value " + value + " waits to be set back";
            return state + "value " + value + (KeyExists(c.path) ? " is not the product's" : " missing");
        }
        case Change::kValueDeleted:
            return state + "value " + path + " \"" + name + "\" left in place";
        case Change::kKeyDeleted:
            return state + "key " + path + " left in place";
        case Change::kProgramStarted:
            return c.failed.empty() ? "" : "program missing: " + path;
        case Change::kMessageSent:
            return placing ? "" : state + "the window \"" + name + "\" (" + path + ") is still open";
    }
    return "";
}

Verdict Check(const Library& library, const catalogue::Application& app) {
    Verdict v;
    v.app = &app;
    v.name = library.Name(app.id);
    v.record = ReadRecord(library, app.id);
    if (!v.name.found()) {
        if (v.record.on)
            v.causes.push_back("state on, and no installation is found: " + std::string(Reason(v.name.result)));
        return v;
    }
    v.path = library.Path(app.id);
    if (v.record.on && v.record.applname != v.name.text)
        v.causes.push_back("record for " + (v.record.applname.empty() ? "no name" : v.record.applname) + ", " +
                           v.name.text + " installed");
    // What the branch would do now, as if the integration had been on: the steps of
    // switching on for an "on" record, of switching off (every leftover) otherwise.
    v.placing = v.record.on;
    Session& session = library.session();
    session.SetPlanning(true);
    session.BeginChanges();
    library.Update(app.id, v.placing ? 1 : 0, 1);
    os::ChangeList changes;
    std::string why;
    session.TakeChanges(&changes, &why);
    session.SetPlanning(false);
    // Planning changes nothing, so a step does not see the ones before it: a copy that
    // finds its target "there" after a planned delete of it would be made, and a delete
    // followed by a copy to the same place replaces the file (the copy is judged).
    auto same = [](const std::string& a, const std::string& b) { return Lower(a) == Lower(b); };
    for (size_t i = 0; i < changes.size(); ++i) {
        if (changes[i].kind != Change::kFileCopied || changes[i].failed != "the target exists") continue;
        for (size_t j = 0; j < i; ++j)
            if (changes[j].kind == Change::kFileDeleted && changes[j].failed.empty() &&
                same(changes[j].path, changes[i].path))
                changes[i].failed.clear();
    }
    for (size_t i = 0; i < changes.size(); ++i) {
        Step step{changes[i], Judge(changes[i], v.placing, library)};
        if (changes[i].kind == Change::kFileDeleted)
            for (size_t j = i + 1; j < changes.size(); ++j)
                if (changes[j].kind == Change::kFileCopied && same(changes[j].path, changes[i].path))
                    step.cause.clear();
        // A key made on the way to a value is judged by that value.
        if (changes[i].kind == Change::kKeyCreated)
            for (size_t j = i + 1; j < changes.size(); ++j)
                if (changes[j].kind == Change::kValueSet && changes[j].path.rfind(changes[i].path, 0) == 0)
                    step.cause.clear();
        if (!step.cause.empty() && std::find(v.causes.begin(), v.causes.end(), step.cause) == v.causes.end())
            v.causes.push_back(step.cause);
        v.steps.push_back(std::move(step));
    }
    return v;
}

std::string Hex(unsigned int appId) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x", appId);
    return text;
}

std::string StateWord(const Record& r) { return !r.present ? "-" : r.on ? "on" : "off"; }

// The applications named, or all; null with the usage error.
bool Selected(const std::vector<std::string>& names, std::vector<const catalogue::Application*>* apps,
              std::string* error) {
    if (names.empty())
        for (const auto& app : catalogue::kApplications) apps->push_back(&app);
    for (const auto& name : names) {
        const catalogue::Application* app = FindApplication(name, error);
        if (!app) {
            *error += "; the applications are: " + ApplicationNameList() + " (or an AppId such as 0x401)";
            return false;
        }
        apps->push_back(app);
    }
    return true;
}

std::string Details(const Library& library, const Verdict& v) {
    auto text = [&](const std::string& ansi) { return os::Visible(library.session().ToUtf8(ansi)); };
    std::string out = std::string(v.app->description) + " (" + Hex(v.app->id) + "): ";
    out += v.name.found() ? os::Visible(v.name.text) + (v.path.found() ? " (" + os::Visible(v.path.text) + ")" : "")
                          : std::string(Reason(v.name.result)) + " (" + std::to_string(v.name.result) + ")";
    if (!v.name.found() && !DetectionGuide(*v.app).empty()) out += "\ndetection looks at:\n" + DetectionGuide(*v.app);
    out += std::string(v.name.found() || DetectionGuide(*v.app).empty() ? "\n" : "") + "record: " + v.record.key;
    if (!v.record.present)
        out += ": none\n";
    else
        out += ": " + std::string(v.record.on ? "on" : "off") +
               (v.record.applname.empty() ? "" : ", for " + os::Visible(v.record.applname)) + "\n";
    if (v.name.found()) {
        out += std::string(v.placing ? "what switching on places:" : "what switching off removes:") +
               (v.steps.empty() ? " nothing\n" : "\n");
        for (const auto& step : v.steps)
            out +=
                std::string(step.cause.empty() ? "  ok     " : "  DRIFT  ") + os::ChangeWords(step.change, text) + "\n";
    }
    if (v.consistent()) return out + "verdict: consistent\n";
    out += "verdict: drift\n";
    for (const auto& cause : v.causes) out += "  " + cause + "\n";
    return out;
}

std::string Json(const Library& library, const std::vector<Verdict>& verdicts) {
    auto text = [&](const std::string& ansi) { return library.session().ToUtf8(ansi); };
    std::string json = "{\"applications\":[";
    size_t drift = 0;
    for (size_t i = 0; i < verdicts.size(); ++i) {
        const Verdict& v = verdicts[i];
        drift += v.consistent() ? 0 : 1;
        json += std::string(i ? "," : "") + "{\"appId\":\"" + Hex(v.app->id) +
                "\",\"application\":" + os::JsonString(v.app->description) +
                ",\"installed\":" + (v.name.found() ? "true" : "false");
        if (v.name.found()) json += ",\"name\":" + os::JsonString(v.name.text);
        json += ",\"record\":{\"present\":" + std::string(v.record.present ? "true" : "false") +
                ",\"on\":" + (v.record.on ? "true" : "false") + ",\"applname\":" + os::JsonString(v.record.applname) +
                "},\"verdict\":\"" + (v.consistent() ? "consistent" : "drift") + "\",\"causes\":[";
        for (size_t c = 0; c < v.causes.size(); ++c) json += (c ? "," : "") + os::JsonString(v.causes[c]);
        json += "],\"steps\":[";
        for (size_t s = 0; s < v.steps.size(); ++s)
            json += std::string(s ? "," : "") + "{\"change\":" + os::ChangeJson(v.steps[s].change, text) +
                    ",\"cause\":" + os::JsonString(v.steps[s].cause) + "}";
        json += "]}";
    }
    return json + "],\"consistent\":" + std::to_string(verdicts.size() - drift) +
           ",\"drift\":" + std::to_string(drift) + "}\n";
}

std::string Table(const std::vector<Verdict>& verdicts) {
    std::vector<std::vector<std::string>> rows = {{"AppId", "Application", "Installed as", "State", "Verdict"}};
    for (const auto& v : verdicts)
        rows.push_back({Hex(v.app->id), v.app->description,
                        v.name.found()
                            ? os::Visible(v.name.text)
                            : std::string(Reason(v.name.result)) + " (" + std::to_string(v.name.result) + ")",
                        StateWord(v.record), v.consistent() ? "consistent" : "drift"});
    std::vector<size_t> widths(5, 0);
    for (const auto& row : rows)
        for (size_t i = 0; i < 5; ++i) widths[i] = std::max(widths[i], Cells(row[i]));
    std::string out;
    size_t drift = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t i = 0; i < 5; ++i)
            out += rows[r][i] + (i < 4 ? std::string(widths[i] - Cells(rows[r][i]) + 2, ' ') : "\n");
        if (r == 0) continue;
        drift += verdicts[r - 1].consistent() ? 0 : 1;
        for (const auto& cause : verdicts[r - 1].causes) out += "        " + cause + "\n";
    }
    return out + std::to_string(verdicts.size()) + " applications: " + std::to_string(verdicts.size() - drift) +
           " consistent, " + std::to_string(drift) + " with drift\n";
}

}  // namespace

CommandResult CheckCommand(const Library& library, const std::vector<std::string>& names, bool json) {
    std::vector<const catalogue::Application*> apps;
    std::string error;
    if (!Selected(names, &apps, &error)) return CommandResult::Fail(kExitUsage, error);
    std::vector<Verdict> verdicts;
    bool drift = false;
    for (const auto* app : apps) {
        verdicts.push_back(Check(library, *app));
        drift |= !verdicts.back().consistent();
    }
    CommandResult r;
    r.status = drift ? kExitNotApplied : kExitDone;
    if (json)
        r.output = Json(library, verdicts);
    else if (names.empty())
        r.output = Table(verdicts);
    else
        for (const auto& v : verdicts) r.output += Details(library, v);
    return r;
}

CommandResult RepairCommand(const Library& library, const std::vector<std::string>& names) {
    std::vector<const catalogue::Application*> apps;
    std::string error;
    if (!Selected(names, &apps, &error)) return CommandResult::Fail(kExitUsage, error);
    Session& session = library.session();
    auto text = [&](const std::string& ansi) { return os::Visible(session.ToUtf8(ansi)); };
    CommandResult r;
    size_t repaired = 0, remaining = 0;
    for (const auto* app : apps) {
        const Verdict before = Check(library, *app);
        if (before.consistent()) {
            if (!names.empty())
                r.output += std::string(app->description) + " (" + Hex(app->id) + "): consistent, nothing to repair\n";
            continue;
        }
        r.output += std::string(app->description) + " (" + Hex(app->id) + "): " +
                    (before.name.found() ? os::Visible(before.name.text) : std::string(Reason(before.name.result))) +
                    "\n";
        os::ChangeList changes;
        std::string why;
        session.BeginChanges();
        if (before.name.found()) {
            if (before.record.on && before.record.applname != before.name.text)
                library.SetState(app->id, 1);  // the record of the other installation goes first
            else
                library.Update(app->id, before.record.on ? 1 : 0, 1);
        }
        session.TakeChanges(&changes, &why);
        r.output += changes.empty() ? "changes: none\n" : "changes:\n";
        for (const auto& change : changes) r.output += "  " + os::ChangeWords(change, text) + "\n";
        ++repaired;
        const Verdict after = Check(library, *app);
        if (after.consistent()) {
            r.output += "now: consistent\n";
            continue;
        }
        ++remaining;
        r.output += "still drift, from outside what the library places:\n";
        for (const auto& cause : after.causes) r.output += "  " + cause + "\n";
    }
    if (names.empty())
        r.output += std::to_string(repaired) + " repaired, " + std::to_string(remaining) + " with drift that remains\n";
    r.status = remaining ? kExitNotApplied : kExitDone;
    return r;
}
