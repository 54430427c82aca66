// Loading and saving machine folders (see machine_folder.h).
#include "platform/os/sim/machine_folder.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace sim {
namespace fs = std::filesystem;
namespace {

bool ReadHostFile(const fs::path& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    *bytes = text.str();
    return true;
}

std::string Trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

bool IEquals(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

struct IniLine {
    int line;
    std::string key;
    std::string value;  // UTF-8 as written
};
struct IniSection {
    int line;
    std::string name;
    std::vector<IniLine> entries;
};

bool ParseMachineIni(const std::string& text, std::vector<IniSection>* sections, std::string* error) {
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        if (number == 1 && raw.rfind("\xEF\xBB\xBF", 0) == 0) raw.erase(0, 3);
        // A ';' that follows a blank (or starts the line) begins a comment.
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == ';' && (i == 0 || raw[i - 1] == ' ' || raw[i - 1] == '\t')) {
                raw.erase(i);
                break;
            }
        }
        std::string line = Trim(raw);
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (line.back() != ']') {
                *error = "machine.ini:" + std::to_string(number) + ": a section name must end with ]";
                return false;
            }
            sections->push_back({number, Trim(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos || sections->empty()) {
            *error = "machine.ini:" + std::to_string(number) + ": expected NAME=value inside a [section]";
            return false;
        }
        sections->back().entries.push_back({number, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))});
    }
    return true;
}

// Reads machine.ini into settings and desktop; texts are converted to the code page.
class IniReader {
public:
    explicit IniReader(std::string* error) : error_(error) {}

    bool Fail(int line, const std::string& what) {
        *error_ = "machine.ini:" + std::to_string(line) + ": " + what;
        return false;
    }
    bool Number(const IniLine& entry, DWORD* out) {
        try {
            size_t used = 0;
            unsigned long value = std::stoul(entry.value, &used, 0);
            if (used != entry.value.size()) throw std::invalid_argument("");
            *out = static_cast<DWORD>(value);
            return true;
        } catch (const std::exception&) {
            return Fail(entry.line, entry.key + " must be a number");
        }
    }
    bool Text(const CodePage& cp, const IniLine& entry, std::string* out) {
        if (!cp.FromUtf8(entry.value, out))
            return Fail(entry.line, "the text of " + entry.key + " does not fit code page " + std::to_string(cp.id()));
        return true;
    }
    bool Flag(const IniLine& entry, bool* out) {
        if (IEquals(entry.value, "yes") || entry.value == "1" || IEquals(entry.value, "true"))
            *out = true;
        else if (IEquals(entry.value, "no") || entry.value == "0" || IEquals(entry.value, "false"))
            *out = false;
        else
            return Fail(entry.line, entry.key + " must be yes or no");
        return true;
    }
    bool Delay(const IniLine& entry, DWORD* out) {
        if (IEquals(entry.value, "never")) {
            *out = INFINITE;
            return true;
        }
        return Number(entry, out);
    }

private:
    std::string* error_;
};

bool ReadWindowsSection(IniReader& r, const IniSection& s, MachineSettings* settings, bool* windirSet) {
    for (const auto& e : s.entries) {
        DWORD n = 0;
        if (IEquals(e.key, "platform")) {
            if (!r.Number(e, &settings->platform)) return false;
        } else if (IEquals(e.key, "major")) {
            if (!r.Number(e, &settings->major)) return false;
        } else if (IEquals(e.key, "minor")) {
            if (!r.Number(e, &settings->minor)) return false;
        } else if (IEquals(e.key, "build")) {
            if (!r.Number(e, &settings->build)) return false;
        } else if (IEquals(e.key, "codepage")) {
            if (!r.Number(e, &n)) return false;
            if (!CodePage::IsSupported(n)) return r.Fail(e.line, "codepage must be 932 or 1252");
            settings->codepage = n;
        } else if (IEquals(e.key, "keyorder")) {
            if (IEquals(e.value, "sorted"))
                settings->keyOrder = KeyOrder::kSorted;
            else if (IEquals(e.value, "created"))
                settings->keyOrder = KeyOrder::kCreated;
            else
                return r.Fail(e.line, "keyorder must be sorted or created");
        } else if (IEquals(e.key, "windir")) {
            settings->windir = e.value;  // converted with the others below
            *windirSet = true;
        } else if (IEquals(e.key, "user")) {
            settings->userSid = e.value;
        } else if (!IEquals(e.key, "cwd")) {
            return r.Fail(e.line, "unknown setting " + e.key + " in [windows]");
        }
    }
    return true;
}

// The S-1-5-21 user SIDs that the registry files name below HKEY_USERS.
std::set<std::string> UserSids(const std::vector<std::vector<RegFileOp>>& files) {
    std::set<std::string> sids;
    const std::string prefix = "HKEY_USERS\\";
    for (const auto& ops : files) {
        for (const auto& op : ops) {
            if (op.key.size() <= prefix.size() || strncasecmp(op.key.c_str(), prefix.c_str(), prefix.size()) != 0)
                continue;
            std::string sid = op.key.substr(prefix.size(), op.key.find('\\', prefix.size()) - prefix.size());
            if (sid.size() > 8 && sid.compare(sid.size() - 8, 8, "_Classes") == 0) sid.erase(sid.size() - 8);
            if (strncasecmp(sid.c_str(), "S-1-5-21-", 9) == 0) sids.insert(sid);
        }
    }
    return sids;
}

}  // namespace

void ApplyRegFile(Registry& registry, const std::vector<RegFileOp>& ops) {
    const std::string linked = "HKEY_USERS\\" + registry.userSid() + "_Classes";
    for (const auto& op : ops) {
        std::string key = op.key;
        if (key.size() >= linked.size() && strncasecmp(key.c_str(), linked.c_str(), linked.size()) == 0 &&
            (key.size() == linked.size() || key[linked.size()] == '\\'))
            key = "HKEY_USERS\\" + registry.userSid() + "\\Software\\Classes" + key.substr(linked.size());
        switch (op.kind) {
            case RegFileOp::kAddKey:
                registry.EnsureKey(key);
                break;
            case RegFileOp::kDeleteKey:
                registry.DeleteTree(key);
                break;
            case RegFileOp::kSetValue:
                if (RegKey* k = registry.EnsureKey(key)) registry.PutValue(k, op.valueName, op.type, op.data);
                break;
            case RegFileOp::kDeleteValue:
                if (RegKey* k = registry.FindKey(key)) registry.RemoveValue(k, op.valueName);
                break;
        }
    }
}

std::vector<RegFileKey> ExportRegistry(Registry& registry) {
    std::vector<RegFileKey> keys;
    registry.Walk([&](const std::string& path, const RegKey& key) {
        if (!key.parent) return;  // the hives themselves
        RegFileKey out;
        out.path = path;
        for (const auto& value : key.values) out.values.push_back({value.name, value.type, value.data});
        keys.push_back(std::move(out));
    });
    return keys;
}

std::unique_ptr<Machine> LoadMachineFolder(const std::string& folder, std::string* error) {
    fs::path root(folder);
    std::error_code ec;
    if (!fs::is_directory(root, ec)) {
        *error = folder + ": no such machine folder";
        return nullptr;
    }
    MachineSettings settings;
    std::vector<IniSection> sections;
    std::string iniText;
    if (ReadHostFile(root / "machine.ini", &iniText) && !ParseMachineIni(iniText, &sections, error)) return nullptr;

    IniReader reader(error);
    bool windirSet = false;
    for (const auto& s : sections)
        if (IEquals(s.name, "windows") && !ReadWindowsSection(reader, s, &settings, &windirSet)) return nullptr;
    CodePage cp(settings.codepage);
    if (!cp.FromUtf8(std::string(settings.windir), &settings.windir)) {
        *error = "machine.ini: windir does not fit the code page";
        return nullptr;
    }
    if (windirSet) {  // the defaults that name the Windows folder follow it
        settings.SetEnvironmentDefault("SystemRoot", settings.windir);
        settings.SetEnvironmentDefault("windir", settings.windir);
        settings.SetEnvironmentDefault("PATH", settings.windir + "\\system32;" + settings.windir);
    }
    std::vector<ProgramBehaviour> programs;
    struct StartWindow {
        std::string className, title, owner;
        bool hung = false;
    };
    std::vector<StartWindow> windows;
    std::string cwd;
    for (const auto& s : sections) {
        if (IEquals(s.name, "windows")) {
            for (const auto& e : s.entries)
                if (IEquals(e.key, "cwd") && !reader.Text(cp, e, &cwd)) return nullptr;
        } else if (IEquals(s.name, "environment")) {
            for (const auto& e : s.entries) {
                std::string name, value;
                IniLine nameLine = e;
                nameLine.value = e.key;
                if (!reader.Text(cp, nameLine, &name) || !reader.Text(cp, e, &value)) return nullptr;
                settings.SetEnvironmentDefault(name, value);
            }
        } else if (IEquals(s.name, "folders")) {
            for (const auto& e : s.entries) {
                IniLine id = e;
                id.value = e.key;
                DWORD csidl;
                std::string path;
                if (!reader.Number(id, &csidl) || !reader.Text(cp, e, &path)) return nullptr;
                settings.folders[static_cast<int>(csidl)] = path;
            }
        } else if (IEquals(s.name, "program")) {
            ProgramBehaviour p;
            for (const auto& e : s.entries) {
                if (IEquals(e.key, "path")) {
                    if (!reader.Text(cp, e, &p.program)) return nullptr;
                } else if (IEquals(e.key, "window")) {
                    size_t bar = e.value.find('|');
                    if (bar == std::string::npos) return reader.Fail(e.line, "window must be CLASS | TITLE"), nullptr;
                    IniLine cls = e, title = e;
                    cls.value = Trim(e.value.substr(0, bar));
                    title.value = Trim(e.value.substr(bar + 1));
                    ProgramBehaviour::Window window;
                    if (!reader.Text(cp, cls, &window.className) || !reader.Text(cp, title, &window.title))
                        return nullptr;
                    p.windows.push_back(window);
                } else if (IEquals(e.key, "show-after")) {
                    if (!reader.Number(e, &p.showAfterMs)) return nullptr;
                } else if (IEquals(e.key, "close-after")) {
                    if (!reader.Delay(e, &p.closeAfterMs)) return nullptr;
                } else if (IEquals(e.key, "hung")) {
                    if (!reader.Flag(e, &p.hung)) return nullptr;
                } else {
                    return reader.Fail(e.line, "unknown setting " + e.key + " in [program]"), nullptr;
                }
            }
            if (p.program.empty()) return reader.Fail(s.line, "[program] needs a path"), nullptr;
            programs.push_back(std::move(p));
        } else if (IEquals(s.name, "window")) {
            StartWindow w;
            for (const auto& e : s.entries) {
                if (IEquals(e.key, "class")) {
                    if (!reader.Text(cp, e, &w.className)) return nullptr;
                } else if (IEquals(e.key, "title")) {
                    if (!reader.Text(cp, e, &w.title)) return nullptr;
                } else if (IEquals(e.key, "owner")) {
                    if (!reader.Text(cp, e, &w.owner)) return nullptr;
                } else if (IEquals(e.key, "hung")) {
                    if (!reader.Flag(e, &w.hung)) return nullptr;
                } else {
                    return reader.Fail(e.line, "unknown setting " + e.key + " in [window]"), nullptr;
                }
            }
            windows.push_back(std::move(w));
        } else {
            return reader.Fail(s.line, "unknown section [" + s.name + "]"), nullptr;
        }
    }

    // Registry files, all parsed before any is applied.
    std::vector<fs::path> regFiles;
    for (const auto& entry : fs::directory_iterator(root, ec))
        if (entry.is_regular_file() && strcasecmp(entry.path().extension().c_str(), ".reg") == 0)
            regFiles.push_back(entry.path());
    std::sort(regFiles.begin(), regFiles.end());
    std::vector<std::vector<RegFileOp>> parsed;
    for (const auto& path : regFiles) {
        std::string bytes, why;
        std::vector<RegFileOp> ops;
        if (!ReadHostFile(path, &bytes) || !ParseRegFile(bytes, cp, &ops, &why)) {
            *error = path.filename().string() + ":" + (why.rfind("line ", 0) == 0 ? why.substr(5) : " " + why);
            return nullptr;
        }
        parsed.push_back(std::move(ops));
    }
    bool userGiven = false;
    for (const auto& s : sections)
        for (const auto& e : s.entries)
            if (IEquals(s.name, "windows") && IEquals(e.key, "user")) userGiven = true;
    if (!userGiven) {
        std::set<std::string> sids = UserSids(parsed);
        if (sids.size() > 1) {
            *error =
                "the registry files name several users below HKEY_USERS; say which one is current with "
                "user= in [windows] of machine.ini";
            return nullptr;
        }
        if (sids.size() == 1) settings.userSid = *sids.begin();
    }

    auto machine = std::make_unique<Machine>(settings);
    for (const auto& ops : parsed) ApplyRegFile(machine->registry(), ops);
    machine->changes().clear();
    fs::path drives = root / "drives";
    for (const auto& entry : fs::directory_iterator(drives, ec)) {
        std::string name = entry.path().filename().string();
        if (entry.is_directory() && name.size() == 1 && std::isalpha(static_cast<unsigned char>(name[0])))
            machine->files().MapDrive(name[0], fs::absolute(entry.path()).string());
    }
    if (!cwd.empty()) machine->files().SetCurrentDirectory(cwd);
    for (auto& p : programs) machine->desktop().AddBehaviour(std::move(p));
    std::string running;
    if (ReadHostFile(root / "running.ini", &running)) {
        std::vector<IniSection> runningSections;
        if (!ParseMachineIni(running, &runningSections, error)) {
            error->replace(0, std::string("machine.ini").size(), "running.ini");
            return nullptr;
        }
        windows.clear();
        for (const auto& s : runningSections) {
            StartWindow w;
            for (const auto& e : s.entries) {
                bool ok = true;
                if (IEquals(e.key, "class"))
                    ok = reader.Text(cp, e, &w.className);
                else if (IEquals(e.key, "title"))
                    ok = reader.Text(cp, e, &w.title);
                else if (IEquals(e.key, "owner"))
                    ok = reader.Text(cp, e, &w.owner);
                else if (IEquals(e.key, "hung"))
                    ok = reader.Flag(e, &w.hung);
                if (!ok) {
                    error->replace(0, std::string("machine.ini").size(), "running.ini");
                    return nullptr;
                }
            }
            windows.push_back(w);
        }
    }
    for (const auto& w : windows) machine->desktop().AddWindow(w.className, w.title, w.owner, w.hung);
    return machine;
}

bool SaveMachineDesktop(Machine& machine, const std::string& folder, std::string* error) {
    Desktop& desktop = machine.desktop();
    desktop.Settle();
    std::string text = "; The top-level windows open on this machine, written by zentho-appapi.\n";
    std::vector<HWND> open = desktop.TopLevelWindows();
    for (auto it = open.rbegin(); it != open.rend(); ++it) {  // oldest first, as they were opened
        const SimWindow* w = desktop.Find(*it);
        text += "\n[window]\nclass=" + machine.codePage().ToUtf8(w->className) +
                "\ntitle=" + machine.codePage().ToUtf8(w->title) + "\n";
        if (!w->owner.empty()) text += "owner=" + machine.codePage().ToUtf8(w->owner) + "\n";
        if (w->hung) text += "hung=yes\n";
    }
    fs::path target = fs::path(folder) / "running.ini";
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) {
        *error = target.string() + ": cannot write";
        return false;
    }
    return true;
}

bool SaveMachineRegistry(Machine& machine, const std::string& folder, std::string* error) {
    fs::path root(folder);
    fs::path target = root / "registry.reg";
    fs::path temporary = root / "registry.reg.new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << WriteRegFile4(ExportRegistry(machine.registry()), machine.codePage());
        if (!out) {
            *error = temporary.string() + ": cannot write";
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        *error = target.string() + ": " + ec.message();
        return false;
    }
    for (const auto& entry : fs::directory_iterator(root, ec)) {
        if (entry.path() != target && entry.is_regular_file() &&
            strcasecmp(entry.path().extension().c_str(), ".reg") == 0)
            fs::remove(entry.path(), ec);
    }
    return true;
}

}  // namespace sim
