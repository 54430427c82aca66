// Loading and saving machine folders (see machine_folder.h).
#include "tools/winsim/formats/machine_folder.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <fstream>
#include <set>
#include <sstream>

#include "tools/winsim/core/host_file.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

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

// Reads machine.ini or running.ini into settings and desktop; texts are converted to the
// code page.
class IniReader {
public:
    IniReader(std::string file, std::string* error) : file_(std::move(file)), error_(error) {}

    bool Fail(int line, const std::string& what) {
        *error_ = file_ + (":" + std::to_string(line)) + ": " + what;
        return false;
    }
    // The file's lines in sections; every error names the file and the line.
    bool Parse(const std::string& text, std::vector<IniSection>* sections) {
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
                if (line.back() != ']') return Fail(number, "a section name must end with ]");
                sections->push_back({number, Trim(line.substr(1, line.size() - 2)), {}});
                continue;
            }
            size_t eq = line.find('=');
            if (eq == std::string::npos || sections->empty())
                return Fail(number, "expected NAME=value inside a [section]");
            sections->back().entries.push_back({number, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))});
        }
        return true;
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
    std::string file_;  // as the folder was named, for the messages
    std::string* error_;
};

// An open window of the desktop, as a [window] section of machine.ini or running.ini has it.
struct StartWindow {
    std::string className, title, owner;
    bool hung = false;
};

bool ReadWindowSection(IniReader& r, const CodePage& cp, const IniSection& s, StartWindow* w) {
    for (const auto& e : s.entries) {
        bool ok = IEquals(e.key, "class")   ? r.Text(cp, e, &w->className)
                  : IEquals(e.key, "title") ? r.Text(cp, e, &w->title)
                  : IEquals(e.key, "owner") ? r.Text(cp, e, &w->owner)
                  : IEquals(e.key, "hung")  ? r.Flag(e, &w->hung)
                                            : r.Fail(e.line, "unknown setting " + e.key + " in [window]");
        if (!ok) return false;
    }
    return true;
}

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

// The S-1-5-21 user SID that a registry file's key names below HKEY_USERS, if any.
void AddUserSid(const std::string& key, std::set<std::string>* sids) {
    const std::string prefix = "HKEY_USERS\\";
    if (key.size() <= prefix.size() || strncasecmp(key.c_str(), prefix.c_str(), prefix.size()) != 0) return;
    std::string sid = key.substr(prefix.size(), key.find('\\', prefix.size()) - prefix.size());
    if (sid.size() > 8 && sid.compare(sid.size() - 8, 8, "_Classes") == 0) sid.erase(sid.size() - 8);
    if (strncasecmp(sid.c_str(), "S-1-5-21-", 9) == 0) sids->insert(sid);
}

// Every key but the hives, in enumeration order, as it goes into a .reg file.
void ForEachKey(Registry& registry, const std::function<void(const RegFileKey&)>& visit) {
    RegFileKey out;
    WalkKeys(registry, [&](RegKey* key, const std::string& path, bool wide) {
        out.path = path;
        out.wide = wide;
        out.values.clear();
        for (const auto& v : key->values) out.values.push_back({v.name, v.type, v.data, v.wideName, v.wideData});
        visit(out);
    });
}

}  // namespace

void SubkeyPath(const CodePage& cp, const std::string& path, bool wide, const std::string& name, bool nameWide,
                std::string* out, bool* outWide) {
    *outWide = wide || nameWide;
    *out = (*outWide && !wide ? cp.ToUtf8(path) : path) + "\\" + (*outWide && !nameWide ? cp.ToUtf8(name) : name);
}

void WalkKeys(Registry& registry, const std::function<void(RegKey* key, const std::string& path, bool wide)>& visit) {
    // Depth first from a list of the keys still to visit (the last pushed goes next), not by
    // recursion, however deep keys nest.
    struct Pending {
        RegKey* key;
        std::string path;
        bool wide;
    };
    std::vector<Pending> pending = {{registry.usersHive(), "HKEY_USERS", false},
                                    {registry.machineHive(), "HKEY_LOCAL_MACHINE", false}};
    while (!pending.empty()) {
        Pending next = std::move(pending.back());
        pending.pop_back();
        Registry::Materialize(next.key);
        if (next.key->parent) visit(next.key, next.path, next.wide);  // not the hives themselves
        const std::vector<RegKey*>& children = registry.Children(next.key);
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            Pending child{*it, "", false};
            SubkeyPath(registry.codePage(), next.path, next.wide, child.key->name, child.key->wide, &child.path,
                       &child.wide);
            pending.push_back(std::move(child));
        }
    }
}

std::vector<fs::path> RegistryFiles(const fs::path& folder, bool withToolChanges) {
    std::vector<fs::path> files;
    std::error_code ec;
    // Whatever stands under a .reg name is one of them: something other than a file is refused
    // when it is read, not passed over.
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (strcasecmp(entry.path().extension().c_str(), ".reg") == 0 && entry.path().filename() != kToolChangesFile)
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    if (withToolChanges && fs::exists(fs::symlink_status(folder / kToolChangesFile, ec)))
        files.push_back(folder / kToolChangesFile);
    return files;
}

bool CheckRegistryFiles(const std::vector<fs::path>& files, const CodePage& cp, bool unicode,
                        std::set<std::string>* sids, std::string* error) {
    // All read through before any is applied. Neither their text nor their steps are
    // kept: each is read again to apply it, since a machine's hive is tens of megabytes
    // of text and hundreds of thousands of steps, more than the registry it makes.
    for (const auto& path : files) {
        std::string why;
        UniqueFd fd = OpenInput(path.string(), &why);
        if (!fd) return *error = why, false;
        InputStream in(std::move(fd));
        auto look = [&](const RegFileOp& op) { AddUserSid(op.key, sids); };
        if (!ReadRegFile(in, cp, look, &why, 1 << 20, unicode)) {
            *error = path.string() + ":" + (why.rfind("line ", 0) == 0 ? why.substr(5) : " " + why);
            return false;
        }
    }
    return true;
}

bool ApplyRegistryFiles(const std::vector<fs::path>& files, const CodePage& cp, bool unicode, Registry& registry,
                        std::string* error) {
    for (const auto& path : files) {
        std::string why;
        UniqueFd fd = OpenInput(path.string(), &why);
        const bool opened = static_cast<bool>(fd);
        InputStream in(std::move(fd));
        RegFileApplier applier(registry);
        auto apply = [&](const RegFileOp& op) { applier.Apply(op); };
        if (!opened || !ReadRegFile(in, cp, apply, &why, 1 << 20, unicode)) {
            *error = path.string() + ": changed while the machine was loaded";
            return false;
        }
    }
    return true;
}

RegFileApplier::RegFileApplier(Registry& registry)
    : registry_(registry), linked_("HKEY_USERS\\" + registry.userSid() + "_Classes") {}

std::string RegFileApplier::Target(const std::string& key) const {
    if (key.size() >= linked_.size() && strncasecmp(key.c_str(), linked_.c_str(), linked_.size()) == 0 &&
        (key.size() == linked_.size() || key[linked_.size()] == '\\'))
        return "HKEY_USERS\\" + registry_.userSid() + "\\Software\\Classes" + key.substr(linked_.size());
    return key;
}

// EnsureKey(target), starting from the deepest key of the trail that the target lies in or below.
RegKey* RegFileApplier::Ensure(const std::string& target) {
    // Through HKEY_CLASSES_ROOT a key is the user's or the machine's as a whole path decides;
    // a path whose names begin with a backslash is refused by EnsureKey itself.
    size_t rootEnd = std::min(target.find('\\'), target.size());
    if ((rootEnd == 17 && strncasecmp(target.c_str(), "HKEY_CLASSES_ROOT", 17) == 0) ||
        (rootEnd + 1 < target.size() && target[rootEnd + 1] == '\\')) {
        trail_.clear();
        return registry_.EnsureKey(target);
    }
    size_t from = trail_.size();
    for (; from > 0; --from) {
        size_t end = trail_[from - 1].first;
        if (target.size() >= end && (target.size() == end || target[end] == '\\') &&
            target.compare(0, end, trailPath_, 0, end) == 0)
            break;
    }
    trail_.resize(from);
    if (trail_.empty()) {
        RegKey* root = registry_.EnsureKey(target.substr(0, rootEnd));
        if (!root) return nullptr;
        trail_.emplace_back(rootEnd, root);
    }
    trailPath_ = target;
    // The names below, split as EnsureKey splits them: a double-byte character's second
    // byte is no backslash, and empty names are skipped.
    const CodePage& cp = registry_.codePage();
    RegKey* key = trail_.back().second;
    for (size_t at = trail_.back().first; at < target.size();) {
        size_t start = ++at;
        while (at < target.size() && target[at] != '\\')
            at += cp.IsLeadByte(static_cast<unsigned char>(target[at])) && at + 1 < target.size() ? 2 : 1;
        at = std::min(at, target.size());
        if (at == start) continue;
        key = registry_.EnsureSubkey(key, std::string_view(target).substr(start, at - start));
        trail_.emplace_back(at, key);
    }
    return key;
}

// A step with text that the code page cannot hold, name by name; such steps are few.
void RegFileApplier::ApplyWide(const RegFileOp& op) {
    lastKey_ = nullptr;
    trail_.clear();
    std::string target = Target(op.key);
    size_t cut = std::min(target.find('\\'), target.size());
    RegKey* key = registry_.EnsureKey(target.substr(0, cut));
    bool create = op.kind == RegFileOp::kAddKey || op.kind == RegFileOp::kSetValue;
    for (size_t at = cut; key && at < target.size();) {
        size_t end = std::min(target.find('\\', at + 1), target.size());
        std::string_view name = std::string_view(target).substr(at + 1, end - at - 1);
        if (!name.empty())
            key = create ? registry_.EnsureSubkeyUnicode(key, name) : registry_.FindSubkeyUnicode(key, name);
        at = end;
    }
    if (!key) return;
    if (op.kind == RegFileOp::kDeleteKey)
        registry_.DropKey(key);
    else if (op.kind == RegFileOp::kSetValue)
        registry_.PutValueUnicode(key, op.valueName, op.type, op.data, true);
    else if (op.kind == RegFileOp::kDeleteValue)
        registry_.RemoveValueUnicode(key, op.valueName);
}

void RegFileApplier::Apply(const RegFileOp& op) {
    if (op.wide) return ApplyWide(op);
    if (op.kind == RegFileOp::kDeleteKey) {
        registry_.DeleteTree(Target(op.key));
        lastKey_ = nullptr;  // it may have been a key found before, or above one
        trail_.clear();
        return;
    }
    RegKey* key = lastKey_ && op.key == lastPath_ ? lastKey_ : nullptr;
    if (!key) {
        std::string target = Target(op.key);
        key = op.kind == RegFileOp::kDeleteValue ? registry_.FindKey(target) : Ensure(target);
        if (key) {
            lastPath_ = op.key;
            lastKey_ = key;
        }
    }
    if (!key) return;
    if (op.kind == RegFileOp::kSetValue)
        registry_.PutValue(key, op.valueName, op.type, op.data);
    else if (op.kind == RegFileOp::kDeleteValue)
        registry_.RemoveValue(key, op.valueName);
}

void ApplyRegFile(Registry& registry, const std::vector<RegFileOp>& ops) {
    RegFileApplier applier(registry);
    for (const auto& op : ops) applier.Apply(op);
}

std::vector<RegFileKey> ExportRegistry(Registry& registry) {
    std::vector<RegFileKey> keys;
    ForEachKey(registry, [&](const RegFileKey& key) { keys.push_back(key); });
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
    bool found = false;
    IniReader reader((root / kMachineIni).string(), error);
    if (!ReadInput((root / kMachineIni).string(), &iniText, &found, error)) return nullptr;
    if (found && !reader.Parse(iniText, &sections)) return nullptr;

    bool windirSet = false;
    for (const auto& s : sections)
        if (IEquals(s.name, "windows") && !ReadWindowsSection(reader, s, &settings, &windirSet)) return nullptr;
    CodePage cp(settings.codepage);
    if (!cp.FromUtf8(std::string(settings.windir), &settings.windir)) {
        *error = (root / kMachineIni).string() + ": windir does not fit the code page";
        return nullptr;
    }
    if (windirSet) {  // the defaults that name the Windows folder follow it
        settings.SetEnvironmentDefault("SystemRoot", settings.windir);
        settings.SetEnvironmentDefault("windir", settings.windir);
        settings.SetEnvironmentDefault("PATH", settings.windir + "\\system32;" + settings.windir);
    }
    std::vector<ProgramBehaviour> programs;
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
                DWORD csidl = 0;
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
            if (!ReadWindowSection(reader, cp, s, &w)) return nullptr;
            windows.push_back(std::move(w));
        } else {
            return reader.Fail(s.line, "unknown section [" + s.name + "]"), nullptr;
        }
    }

    const std::vector<fs::path> regFiles = RegistryFiles(root, true);
    std::set<std::string> sids;
    // NT keeps what the code page cannot hold; Windows 9x kept code-page bytes.
    const bool unicode = settings.platform == VER_PLATFORM_WIN32_NT;
    if (!CheckRegistryFiles(regFiles, cp, unicode, &sids, error)) return nullptr;
    bool userGiven = false;
    for (const auto& s : sections)
        for (const auto& e : s.entries)
            if (IEquals(s.name, "windows") && IEquals(e.key, "user")) userGiven = true;
    if (!userGiven) {
        if (sids.size() > 1) {
            *error = (root / kMachineIni).string() +
                     ": the registry files name several users below HKEY_USERS; say which one is current with "
                     "user= in [windows]";
            return nullptr;
        }
        if (sids.size() == 1) settings.userSid = *sids.begin();
    } else if (!sids.empty() && !std::any_of(sids.begin(), sids.end(), [&](const std::string& sid) {
                   return strcasecmp(sid.c_str(), settings.userSid.c_str()) == 0;
               })) {
        // A mistyped user would leave HKEY_CURRENT_USER empty, and every state read off.
        *error = (root / kMachineIni).string() + ": user=" + settings.userSid +
                 " names no user of the registry files; they name:";
        for (const auto& sid : sids) *error += " " + sid;
        return nullptr;
    }

    auto machine = std::make_unique<Machine>(settings);
    // The folder's own files are the baseline that the tool's own file, and a run, change.
    const bool toolFile = !regFiles.empty() && regFiles.back().filename() == kToolChangesFile;
    const std::vector<fs::path> ownFiles(regFiles.begin(), regFiles.end() - (toolFile ? 1 : 0));
    if (!ApplyRegistryFiles(ownFiles, cp, unicode, machine->registry(), error)) return nullptr;
    machine->registry().MarkBaseline();
    if (toolFile && !ApplyRegistryFiles({regFiles.back()}, cp, unicode, machine->registry(), error)) return nullptr;
    machine->changes().clear();
    fs::path drives = root / kDrivesFolder;
    for (const auto& entry : fs::directory_iterator(drives, ec)) {
        std::string name = entry.path().filename().string();
        if (entry.is_directory() && name.size() == 1 && std::isalpha(static_cast<unsigned char>(name[0])))
            machine->files().MapDrive(name[0], fs::absolute(entry.path()).string());
    }
    if (!cwd.empty()) machine->files().SetCurrentDirectory(cwd);
    for (auto& p : programs) machine->desktop().AddBehaviour(std::move(p));
    std::string running;
    if (!ReadInput((root / kRunningIni).string(), &running, &found, error)) return nullptr;
    if (found) {
        std::vector<IniSection> runningSections;
        IniReader runningReader((root / kRunningIni).string(), error);
        if (!runningReader.Parse(running, &runningSections)) return nullptr;
        windows.clear();
        for (const auto& s : runningSections) {
            if (!IEquals(s.name, "window"))
                return runningReader.Fail(s.line, "unknown section [" + s.name + "]"), nullptr;
            StartWindow w;
            if (!ReadWindowSection(runningReader, cp, s, &w)) return nullptr;
            windows.push_back(w);
        }
    }
    for (const auto& w : windows) machine->desktop().AddWindow(w.className, w.title, w.owner, w.hung);
    return machine;
}

std::string DesktopText(Machine& machine) {
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
    return text;
}

bool ExportMachineRegistry(Machine& machine, const std::string& file, std::string* error) {
    // A key at a time: the registry is not held a second time as text.
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    std::string text = RegFile4Header();
    bool written = true;
    ForEachKey(machine.registry(), [&](const RegFileKey& key) {
        written = written && AppendRegFileKey4(key, machine.codePage(), &text, error);
        if (text.size() >= (1u << 20)) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            text.clear();
        }
    });
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) *error = file + ": cannot write";
    return written && out;
}

}  // namespace sim
