// Keeping a run's changes on a machine folder (see folder_commit.h).
#include "platform/os/sim/folder_commit.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/os/sim/host_file.h"
#include "platform/os/sim/machine_folder.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

constexpr char kJournal[] = "zentho-appapi.journal";
constexpr char kNew[] = ".zentho-new";  // a file's new content, beside it until swapped in
constexpr char kOld[] = ".zentho-old";  // what it replaced, until every step is in
constexpr char kCommitted[] = "committed";

// --- The registry's net change ------------------------------------------------------

RegKey* ChildOf(RegKey* key, const std::string& name) {
    if (!key) return nullptr;
    auto it = key->children.find(std::string_view(name));
    return it == key->children.end() ? nullptr : it->get();
}

// What turns base into current below path, parents before their children.
void Diff(RegKey* base, RegKey* current, const std::string& path, const CodePage& cp, std::vector<RegFileKey>* out) {
    RegFileKey key{path, {}};
    for (const auto& value : current->values) {
        const RegValue* was = base ? Registry::FindValue(base, value.name, cp) : nullptr;
        if (!was || was->type != value.type || was->data != value.data)
            key.values.push_back({value.name, value.type, value.data, value.wideName, value.wideData});
    }
    if (base)
        for (const auto& value : base->values)
            if (!Registry::FindValue(current, value.name, cp))
                key.values.push_back({value.name, REG_NONE, "", value.wideName, false, true});
    // The hives themselves are no keys of a file; a key that is new is written even empty.
    if (current->parent && (!base || !key.values.empty())) out->push_back(std::move(key));
    for (const auto& child : current->children)
        Diff(ChildOf(base, child->name), child.get(), path + "\\" + child->name, cp, out);
    if (base)
        for (const auto& child : base->children)
            if (!ChildOf(current, child->name)) out->push_back({path + "\\" + child->name, {}, true});
}

// --- Steps with a journal --------------------------------------------------------------

struct Step {
    enum Kind { kMakeFolder, kWrite, kDelete } kind;
    fs::path target;
    std::string bytes;
};

std::string Reason() { return std::strerror(errno); }

// The commit's operations on the host, each of which a test can make fail
// (ZENTHO_COMMIT_FAULT=N fails the N-th), as a full disk would.
class Host {
public:
    Host() {
        const char* fault = std::getenv("ZENTHO_COMMIT_FAULT");
        failAt_ = fault ? std::strtoul(fault, nullptr, 10) : 0;
    }
    bool Write(const fs::path& path, const std::string& bytes, std::string* error) {
        if (Faulted(path, error)) return false;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) return Fail("cannot write " + path.string(), error);
        return true;
    }
    bool Rename(const fs::path& from, const fs::path& to, std::string* error) {
        if (Faulted(to, error)) return false;
        if (::rename(from.c_str(), to.c_str()) != 0)
            return Fail("cannot move " + from.string() + " to " + to.string(), error);
        return true;
    }
    bool MakeFolder(const fs::path& path, std::string* error) {
        if (Faulted(path, error)) return false;
        if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return Fail("cannot make " + path.string(), error);
        return true;
    }

private:
    bool Faulted(const fs::path& path, std::string* error) {
        if (++count_ != failAt_) return false;
        *error = "cannot change " + path.string() + ": a failure planted by ZENTHO_COMMIT_FAULT";
        return true;
    }
    static bool Fail(const std::string& what, std::string* error) {
        *error = what + ": " + Reason();
        return false;
    }
    unsigned long failAt_ = 0, count_ = 0;
};

bool Exists(const fs::path& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

fs::path With(const fs::path& path, const char* suffix) { return fs::path(path.string() + suffix); }

// The journal names each step as it is reached, so that what was done can be undone
// exactly: "m PATH" a folder made, "w PATH" new content written beside PATH, "s PATH"
// PATH about to be swapped (or, with no new content, deleted), then "committed".
struct JournalLine {
    char step;
    fs::path path;
};

class Journal {
public:
    Journal(Host& host, fs::path file) : host_(host), file_(std::move(file)) {}
    bool Add(char step, const fs::path& path, std::string* error) {
        lines_.push_back({step, path});
        text_ += std::string(1, step) + " " + path.string() + "\n";
        return host_.Write(file_, text_, error);
    }
    const std::vector<JournalLine>& lines() const { return lines_; }
    const fs::path& file() const { return file_; }

private:
    Host& host_;
    fs::path file_;
    std::vector<JournalLine> lines_;
    std::string text_;
};

// Puts every step back, last first: new content goes, what it replaced returns, new
// folders go.
void RollBack(const std::vector<JournalLine>& lines) {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        const fs::path& target = it->path;
        const fs::path fresh = With(target, kNew), old = With(target, kOld);
        if (it->step == 'm') {
            ::rmdir(target.c_str());  // only when empty: what was there before stays
        } else if (it->step == 'w') {
            ::unlink(fresh.c_str());  // written beside, never swapped: the target is untouched
        } else if (it->step == 's') {
            const bool swappedIn = !Exists(fresh);
            ::unlink(fresh.c_str());
            if (Exists(old))
                ::rename(old.c_str(), target.c_str());
            else if (swappedIn && std::any_of(lines.begin(), lines.end(),
                                              [&](const JournalLine& l) { return l.step == 'w' && l.path == target; }))
                ::unlink(target.c_str());  // new content where nothing was before
        }
    }
}

void Finish(const std::vector<JournalLine>& lines, const fs::path& journal) {
    for (const auto& line : lines)
        if (line.step == 's') ::unlink(With(line.path, kOld).c_str());
    ::unlink(journal.c_str());
}

bool ReadJournal(const fs::path& journal, std::vector<JournalLine>* lines, bool* committed, std::string* error) {
    std::string text;
    bool found = false;
    if (!ReadInput(journal.string(), &text, &found, error)) return false;
    std::istringstream in(text);
    std::string line;
    *committed = false;
    while (std::getline(in, line)) {
        if (line == kCommitted)
            *committed = true;
        else if (line.size() > 2)
            lines->push_back({line[0], line.substr(2)});
    }
    return true;
}

}  // namespace

bool RegistryChangesText(Machine& machine, const std::string& folder, std::string* text, std::string* error) {
    // The folder's own files, once more, without the tool's: the change is against them.
    Registry base(&machine.codePage(), machine.registry().order(), machine.registry().userSid());
    std::set<std::string> sids;
    const auto files = RegistryFiles(folder, false);
    const bool unicode = machine.settings().platform == VER_PLATFORM_WIN32_NT;
    if (!CheckRegistryFiles(files, machine.codePage(), unicode, &sids, error) ||
        !ApplyRegistryFiles(files, machine.codePage(), unicode, base, error))
        return false;
    std::vector<RegFileKey> keys;
    Diff(base.machineHive(), machine.registry().machineHive(), "HKEY_LOCAL_MACHINE", machine.codePage(), &keys);
    Diff(base.usersHive(), machine.registry().usersHive(), "HKEY_USERS", machine.codePage(), &keys);
    text->clear();
    if (keys.empty()) return true;
    *text = RegFile4Header();
    for (const auto& key : keys) AppendRegFileKey4(key, machine.codePage(), text);
    return true;
}

bool RecoverMachineFolder(const std::string& folder, std::string* error) {
    const fs::path journal = fs::path(folder) / kJournal;
    if (!Exists(journal)) return true;
    bool committed = false;
    std::vector<JournalLine> steps;
    if (!ReadJournal(journal, &steps, &committed, error)) return false;
    if (committed)
        Finish(steps, journal);
    else
        RollBack(steps);
    if (::unlink(journal.c_str()) != 0 && errno != ENOENT) {
        *error = "cannot remove " + journal.string() + ": " + Reason();
        return false;
    }
    return true;
}

bool CommitMachineFolder(Machine& machine, const std::string& folder, std::string* error) {
    const fs::path root(folder);
    std::vector<Step> steps;
    for (const auto& change : machine.files().StagedChanges()) {
        if (change.kind == FileSystem::StagedChange::kMakeFolder)
            steps.push_back({Step::kMakeFolder, change.host, ""});
        else if (change.kind == FileSystem::StagedChange::kDelete)
            steps.push_back({Step::kDelete, change.host, ""});
        else
            steps.push_back({Step::kWrite, change.host, change.bytes});
    }
    bool registry = false, desktop = false;
    for (const auto& change : machine.changes()) {
        registry |= change.kind == os::Change::kKeyCreated || change.kind == os::Change::kKeyDeleted ||
                    change.kind == os::Change::kValueSet || change.kind == os::Change::kValueDeleted;
        desktop |= change.kind == os::Change::kProgramStarted || change.kind == os::Change::kMessageSent;
    }
    if (registry) {
        std::string text, now;
        if (!RegistryChangesText(machine, folder, &text, error)) return false;
        const fs::path file = root / kToolChangesFile;
        bool found = false;
        if (!ReadInput(file.string(), &now, &found, error)) return false;
        if (text != now) steps.push_back(text.empty() ? Step{Step::kDelete, file, ""} : Step{Step::kWrite, file, text});
    }
    if (desktop) steps.push_back({Step::kWrite, root / kRunningIni, DesktopText(machine)});
    if (steps.empty()) return true;

    // Every step in the journal before it is taken: whatever happens, this run or the
    // next can put things back.
    Host host;
    Journal journal(host, root / kJournal);
    auto fail = [&]() {
        RollBack(journal.lines());
        ::unlink(journal.file().c_str());
        return false;
    };
    // New folders and new content beside their targets: nothing visible has changed yet.
    for (const auto& step : steps) {
        if (step.kind == Step::kMakeFolder) {
            if (Exists(step.target)) continue;
            if (!journal.Add('m', step.target, error) || !host.MakeFolder(step.target, error)) return fail();
        } else if (step.kind == Step::kWrite) {
            if (!journal.Add('w', step.target, error) || !host.Write(With(step.target, kNew), step.bytes, error))
                return fail();
        }
    }
    // Each into place, keeping what it replaces.
    for (const auto& step : steps) {
        if (step.kind == Step::kMakeFolder) continue;
        if (!journal.Add('s', step.target, error)) return fail();
        if (Exists(step.target) && !host.Rename(step.target, With(step.target, kOld), error)) return fail();
        if (step.kind == Step::kWrite && !host.Rename(With(step.target, kNew), step.target, error)) return fail();
    }
    {
        std::ofstream mark(journal.file(), std::ios::app);
        mark << kCommitted << "\n";
        if (!mark) {
            *error = "cannot write " + journal.file().string() + ": " + Reason();
            return fail();
        }
    }
    Finish(journal.lines(), journal.file());
    return true;
}

}  // namespace sim
