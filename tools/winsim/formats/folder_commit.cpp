// Keeping a run's changes on a machine folder (see folder_commit.h).
#include "tools/winsim/formats/folder_commit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include "tools/winsim/core/host_file.h"
#include "tools/winsim/formats/machine_folder.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

constexpr char kJournal[] = "zentho-appapi.journal";
constexpr char kNew[] = ".zentho-new";  // a file's new content, beside it until swapped in
constexpr char kOld[] = ".zentho-old";  // what it replaced, until every step is in
constexpr char kCommitted[] = "committed";

// --- The registry's net change ------------------------------------------------------

// What turns the registry of the baseline (the folder's own files) into the current one:
// each key with the values that are new or changed or gone, then its subkeys that went, then
// its subkeys; a key made since is written whole, even empty. Only the keys that changed
// kept what they were (KeyBaseline), so this is one walk of the registry as it is.
std::vector<RegFileKey> Diff(Registry& registry) {
    const CodePage& cp = registry.codePage();
    std::vector<RegFileKey> out;
    auto gone = [&](const KeyBaseline* was, const std::string& path, bool wide) {
        for (const auto& [name, nameWide] : was ? was->goneSubkeys : std::vector<std::pair<std::string, bool>>()) {
            RegFileKey key{"", {}, true, false};
            SubkeyPath(cp, path, wide, name, nameWide, &key.path, &key.wide);
            out.push_back(std::move(key));
        }
    };
    gone(registry.machineHive()->baseline.get(), "HKEY_LOCAL_MACHINE", false);
    gone(registry.usersHive()->baseline.get(), "HKEY_USERS", false);
    WalkKeys(registry, [&](RegKey* key, const std::string& path, bool wide) {
        const bool existed = registry.ExistedAtBaseline(key);
        const KeyBaseline* was = existed ? key->baseline.get() : nullptr;
        RegFileKey entry{path, {}, false, wide};
        if (!existed || (was && was->valuesKept)) {
            std::unordered_multimap<uint64_t, const RegValue*> before;
            if (was)
                for (const RegValue& value : was->values) before.emplace(cp.HashName(value.name, value.wideName), &value);
            auto find = [&](const RegValue& value) -> const RegValue* {
                for (auto [it, end] = before.equal_range(cp.HashName(value.name, value.wideName)); it != end; ++it)
                    if (cp.CompareNames(it->second->name, it->second->wideName, value.name, value.wideName) == 0)
                        return it->second;
                return nullptr;
            };
            std::unordered_set<const RegValue*> kept;
            for (const RegValue& value : key->values) {
                const RegValue* old = find(value);
                if (old) kept.insert(old);
                if (!old || old->type != value.type || old->data != value.data || old->wideData != value.wideData)
                    entry.values.push_back({value.name, value.type, value.data, value.wideName, value.wideData});
            }
            if (was)
                for (const RegValue& value : was->values)
                    if (!kept.count(&value)) entry.values.push_back({value.name, REG_NONE, "", value.wideName, false, true});
        }
        if (!existed || !entry.values.empty()) out.push_back(std::move(entry));
        gone(was, path, wide);
    });
    return out;
}

// --- Steps with a journal --------------------------------------------------------------

struct Step {
    enum Kind { kMakeFolder, kWrite, kDelete } kind;
    std::string path;  // relative to the machine folder
    std::string bytes;
};

std::string Reason() { return std::strerror(errno); }

// An item of the host: its inode, which tells a file this run made or kept aside from one that
// merely has its name now (a copy of the folder, or something put there by hand).
struct Item {
    bool exists = false, folder = false;
    ino_t inode = 0;
};
Item Look(const fs::path& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return {};
    return {true, S_ISDIR(st.st_mode), st.st_ino};
}
bool Is(const fs::path& path, ino_t inode) {
    Item item = Look(path);
    return item.exists && item.inode == inode;
}

fs::path With(const fs::path& path, const char* suffix) { return fs::path(path.string() + suffix); }

// A path of the journal or of a step, relative to the machine folder `root` (a real path): refused
// when it is absolute, has an empty, "." or ".." part, or its folder leads out of the machine
// folder through a link. A step's folder must be there; a journal's may have gone, and then
// nothing there is touched.
bool Resolve(const fs::path& root, const std::string& relative, fs::path* full, std::string* error,
             bool folderThere = true) {
    const fs::path path(relative);
    bool plain = !relative.empty() && path.is_relative();
    for (const auto& part : path) plain = plain && !part.empty() && part != "." && part != "..";
    std::error_code ec;
    const std::string folder = fs::canonical(root / path.parent_path(), ec).string() + "/";
    if (!plain || (ec ? folderThere : folder.compare(0, root.string().size() + 1, root.string() + "/") != 0)) {
        *error = relative + ": outside the machine folder";
        return false;
    }
    *full = root / path;
    return true;
}

// The commit's operations on the host, each of which a test can make fail as a full disk
// would (ZENTHO_COMMIT_FAULT=N fails the N-th), or stop the run there as a kill would (N:kill).
class Host {
public:
    Host() {
        const char* fault = std::getenv("ZENTHO_COMMIT_FAULT");
        char* rest = nullptr;
        failAt_ = fault ? std::strtoul(fault, &rest, 10) : 0;
        kill_ = rest && std::strcmp(rest, ":kill") == 0;
    }
    UniqueFd Create(const fs::path& path, std::string* error) {
        if (Faulted(path, error)) return UniqueFd();
        return CreateNew(path.string(), error);
    }
    bool Append(int fd, const fs::path& path, const std::string& text, std::string* error) {
        if (Faulted(path, error)) return false;
        return WriteAll(fd, text) || Fail("cannot write " + path.string(), error);
    }
    // Never over something that stands at `to`: what is kept aside or swapped in replaces nothing.
    bool Rename(const fs::path& from, const fs::path& to, std::string* error) {
        if (Faulted(to, error)) return false;
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
        if (errno == EINVAL && !Look(to).exists && ::rename(from.c_str(), to.c_str()) == 0) return true;
        return Fail("cannot move " + from.string() + " to " + to.string(), error);
    }
    bool MakeFolder(const fs::path& path, std::string* error) {
        if (Faulted(path, error)) return false;
        return ::mkdir(path.c_str(), 0777) == 0 || Fail("cannot make " + path.string(), error);
    }

private:
    bool Faulted(const fs::path& path, std::string* error) {
        if (++count_ != failAt_) return false;
        if (kill_) std::_Exit(137);
        *error = "cannot change " + path.string() + ": a failure planted by ZENTHO_COMMIT_FAULT";
        return true;
    }
    static bool Fail(const std::string& what, std::string* error) {
        *error = what + ": " + Reason();
        return false;
    }
    unsigned long failAt_ = 0, count_ = 0;
    bool kill_ = false;
};

// The journal names each step before it is taken or, when the step makes something, as soon as
// it is made, with the inode of what the step acts on, so that the steps can be undone exactly
// and nothing else is touched: "m INODE PATH" a folder made, "w INODE PATH" new content written
// beside PATH, "s INODE PATH" PATH about to be swapped (or, with no new content, deleted), INODE
// being that of what PATH held ("-" for nothing), which is kept aside; then "committed". Its first
// line binds it to the folder it was written in, by the folder's device and inode, which a copy of
// the folder does not have. Paths are relative to the folder.
constexpr char kHeader[] = "zentho-appapi journal";
struct JournalLine {
    char step;
    ino_t inode;  // 0 for "-"
    std::string path;
};

std::string Binding(const struct stat& folder) {
    return std::string(kHeader) + " " + std::to_string(folder.st_dev) + " " + std::to_string(folder.st_ino);
}

class Journal {
public:
    Journal(Host& host, fs::path file) : host_(host), file_(std::move(file)) {}
    bool Open(const struct stat& folder, std::string* error) {
        fd_ = host_.Create(file_, error);
        if (!fd_) return false;  // made nothing, so takes nothing away
        if (host_.Append(fd_.get(), file_, Binding(folder) + "\n", error)) return true;
        ::unlink(file_.c_str());
        return false;
    }
    bool Add(char step, ino_t inode, const std::string& path, std::string* error) {
        lines_.push_back({step, inode, path});
        return Write(std::string(1, step) + " " + (inode ? std::to_string(inode) : "-") + " " + path, error);
    }
    bool Write(const std::string& line, std::string* error) {
        return host_.Append(fd_.get(), file_, line + "\n", error);
    }
    const std::vector<JournalLine>& lines() const { return lines_; }
    const fs::path& file() const { return file_; }

private:
    Host& host_;
    fs::path file_;
    UniqueFd fd_;
    std::vector<JournalLine> lines_;
};

// What a putting back did: steps undone or finished, and files left because they were not the
// run's own.
struct Outcome {
    int done = 0, left = 0;
};

// Puts every step back, last first: new content goes, what it replaced returns, new folders go;
// each only when it is what the run made or kept aside.
Outcome RollBack(const fs::path& root, const std::vector<JournalLine>& lines) {
    Outcome outcome;
    // The change is made only on what is the run's own; anything else is counted and left.
    auto act = [&](bool ours, const std::function<int()>& change) {
        if (!ours)
            ++outcome.left;
        else if (change() == 0)
            ++outcome.done;
    };
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        const fs::path target = root / it->path, fresh = With(target, kNew), old = With(target, kOld);
        if (it->step == 'm') {
            if (Look(target).folder) act(Is(target, it->inode), [&] { return ::rmdir(target.c_str()); });
        } else if (it->step == 'w') {
            if (Look(fresh).exists) act(Is(fresh, it->inode), [&] { return ::unlink(fresh.c_str()); });
        } else if (it->step == 's') {
            // What the run wrote there, if it wrote anything.
            auto written = std::find_if(lines.begin(), lines.end(),
                                        [&](const JournalLine& l) { return l.step == 'w' && l.path == it->path; });
            const bool ours = written != lines.end() && Is(target, written->inode);
            if (it->inode && Look(old).exists)
                act(Is(old, it->inode) && (ours || !Look(target).exists),
                    [&] { return ::rename(old.c_str(), target.c_str()); });
            else if (!it->inode && ours)
                act(true, [&] { return ::unlink(target.c_str()); });  // new content where nothing was before
        }
    }
    return outcome;
}

// Once every step is in: what was kept aside goes, and the journal.
Outcome Finish(const fs::path& root, const std::vector<JournalLine>& lines, const fs::path& journal) {
    Outcome outcome;
    for (const auto& line : lines) {
        const fs::path old = With(root / line.path, kOld);
        if (line.step != 's' || !line.inode || !Look(old).exists) continue;
        if (Is(old, line.inode))
            outcome.done += ::unlink(old.c_str()) == 0;
        else
            ++outcome.left;
    }
    ::unlink(journal.c_str());
    return outcome;
}

// A journal read back: refused whole, with its line, when it is not this folder's or a step is
// not one a run writes.
bool ReadJournal(const fs::path& root, const struct stat& folder, const fs::path& journal,
                 std::vector<JournalLine>* lines, bool* committed, std::string* error) {
    std::string text;
    bool found = false;
    if (!ReadInput(journal.string(), &text, &found, error)) return false;
    std::istringstream in(text);
    std::string line;
    *committed = false;
    auto fail = [&](int number, const std::string& what) {
        *error = journal.string() + ":" + std::to_string(number) + ": " + what + "; nothing was undone";
        return false;
    };
    if (!std::getline(in, line) || line != Binding(folder))
        return fail(1,
                    "written by a run on another folder (is this one a copy?), or by no run; move it away to use "
                    "the folder as it is");
    for (int number = 2; std::getline(in, line); ++number) {
        std::istringstream fields(line);
        JournalLine step{};
        std::string inode;
        fields >> step.step >> inode;
        fields.get();
        std::getline(fields, step.path);
        fs::path full;
        std::string why;
        if (line == kCommitted) {
            *committed = true;
        } else if (!std::strchr("mws", step.step) ||
                   (inode != "-" && (inode.empty() || inode.find_first_not_of("0123456789") != std::string::npos))) {
            return fail(number, "not a step of a run");
        } else if (!Resolve(root, step.path, &full, &why, false)) {
            return fail(number, why);
        } else {
            step.inode = inode == "-" ? 0 : static_cast<ino_t>(std::strtoull(inode.c_str(), nullptr, 10));
            lines->push_back(step);
        }
    }
    return true;
}

}  // namespace

bool RegistryChangesText(Machine& machine, std::string* text, std::string* error) {
    const std::vector<RegFileKey> keys = Diff(machine.registry());
    text->clear();
    if (keys.empty()) return true;
    *text = RegFile4Header();
    for (const auto& key : keys)
        if (!AppendRegFileKey4(key, machine.codePage(), text, error)) return false;
    return true;
}

bool HasUnfinishedRun(const std::string& folder) { return Look(fs::path(folder) / kJournal).exists; }

bool RecoverMachineFolder(const std::string& folder, std::string* note, std::string* error) {
    note->clear();
    std::error_code ec;
    const fs::path root = fs::canonical(folder, ec), journal = root / kJournal;
    struct stat self;
    if (ec || !Look(journal).exists) return true;
    if (::stat(root.c_str(), &self) != 0) return *error = folder + ": " + Reason(), false;
    bool committed = false;
    std::vector<JournalLine> steps;
    if (!ReadJournal(root, self, journal, &steps, &committed, error)) return false;
    const Outcome outcome = committed ? Finish(root, steps, journal) : RollBack(root, steps);
    if (::unlink(journal.c_str()) != 0 && errno != ENOENT) {
        *error = "cannot remove " + journal.string() + ": " + Reason();
        return false;
    }
    *note =
        folder + ": " +
        (committed ? "a run stopped after its changes were in was finished (" : "a run stopped half way was undone (") +
        std::to_string(outcome.done) + " files put right" +
        (outcome.left ? ", " + std::to_string(outcome.left) + " not the run's own left as they are)" : ")");
    return true;
}

bool CommitMachineFolder(Machine& machine, const std::string& folder, std::string* error) {
    std::error_code ec;
    const fs::path root = fs::canonical(folder, ec);
    struct stat self;
    if (ec || ::stat(root.c_str(), &self) != 0) return *error = folder + ": " + ec.message(), false;
    // Host paths of the drives, made relative: a drive that is a link to a folder elsewhere is read
    // through, but nothing outside the machine folder is changed.
    const std::string prefix = root.string() + "/";
    std::vector<Step> steps;
    for (const auto& change : machine.files().StagedChanges()) {
        if (change.host.compare(0, prefix.size(), prefix) != 0) {
            *error = change.host + ": outside the machine folder, which is all a run changes";
            return false;
        }
        const std::string relative = change.host.substr(prefix.size());
        if (change.kind == FileSystem::StagedChange::kMakeFolder)
            steps.push_back({Step::kMakeFolder, relative, ""});
        else if (change.kind == FileSystem::StagedChange::kDelete)
            steps.push_back({Step::kDelete, relative, ""});
        else
            steps.push_back({Step::kWrite, relative, change.bytes});
    }
    bool registry = false, desktop = false;
    for (const auto& change : machine.changes()) {
        if (!change.failed.empty()) continue;  // an attempt that changed nothing
        registry |= change.kind == os::Change::kKeyCreated || change.kind == os::Change::kKeyDeleted ||
                    change.kind == os::Change::kValueSet || change.kind == os::Change::kValueDeleted;
        desktop |= change.kind == os::Change::kProgramStarted || change.kind == os::Change::kMessageSent;
    }
    if (registry) {
        std::string text, now;
        if (!RegistryChangesText(machine, &text, error)) return false;
        bool found = false;
        if (!ReadInput((root / kToolChangesFile).string(), &now, &found, error)) return false;
        if (text != now)
            steps.push_back(text.empty() ? Step{Step::kDelete, kToolChangesFile, ""}
                                         : Step{Step::kWrite, kToolChangesFile, text});
    }
    if (desktop) steps.push_back({Step::kWrite, kRunningIni, DesktopText(machine)});
    if (steps.empty()) return true;

    // Every step in the journal before it is taken: whatever happens, this run or the
    // next can put things back.
    Host host;
    Journal journal(host, root / kJournal);
    auto fail = [&]() {
        RollBack(root, journal.lines());
        ::unlink(journal.file().c_str());
        return false;
    };
    if (!journal.Open(self, error)) return false;
    // New folders and new content beside their targets: nothing visible has changed yet. Each
    // is checked to lie inside the folder just before it is made, its folder being there by then.
    fs::path target;
    for (const auto& step : steps) {
        if (!Resolve(root, step.path, &target, error)) return fail();
        if (step.kind == Step::kMakeFolder) {
            if (Look(target).exists) continue;
            if (!host.MakeFolder(target, error)) return fail();
            if (!journal.Add('m', Look(target).inode, step.path, error)) return ::rmdir(target.c_str()), fail();
        } else if (step.kind == Step::kWrite) {
            UniqueFd fresh = host.Create(With(target, kNew), error);
            if (!fresh) return fail();
            struct stat made;
            ::fstat(fresh.get(), &made);
            if (!journal.Add('w', made.st_ino, step.path, error)) return ::unlink(With(target, kNew).c_str()), fail();
            if (!host.Append(fresh.get(), With(target, kNew), step.bytes, error)) return fail();
        }
    }
    // Each into place, keeping what it replaces.
    for (const auto& step : steps) {
        if (step.kind == Step::kMakeFolder) continue;
        target = root / step.path;
        const Item was = Look(target);
        if (!journal.Add('s', was.exists ? was.inode : 0, step.path, error)) return fail();
        if (was.exists && !host.Rename(target, With(target, kOld), error)) return fail();
        if (step.kind == Step::kWrite && !host.Rename(With(target, kNew), target, error)) return fail();
    }
    if (!journal.Write(kCommitted, error)) return fail();
    Finish(root, journal.lines(), journal.file());
    return true;
}

}  // namespace sim
