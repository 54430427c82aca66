// The tool's session on Linux: a machine folder in the simulation, the library linked
// in, the folder's changes staged and kept at the end (see session.h).
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "frame/exports.h"
#include "tools/winsim/changes/change_text.h"
#include "tools/winsim/formats/folder_commit.h"
#include "tools/winsim/formats/hive_image.h"
#include "tools/winsim/core/host_file.h"
#include "tools/winsim/formats/machine_folder.h"
#include "session.h"

namespace fs = std::filesystem;

struct Session::State {
    std::unique_ptr<sim::Machine> machine;
    std::string folder;
    std::string image;
    std::string keepsNothing;  // why nothing is kept, or ""
    std::string changesReg;    // where the registry changes go as a .reg file, or ""
    int lock = -1;             // the folder, held locked for the run
    size_t changesFrom = 0;
};

namespace {

void* const kExports[] = {
    reinterpret_cast<void*>(&GetDefaultBrowser),         reinterpret_cast<void*>(&GetDefaultBrowserPath),
    reinterpret_cast<void*>(&GetDefaultBrowserState),    reinterpret_cast<void*>(&GetDefaultMailer),
    reinterpret_cast<void*>(&GetDefaultMailerPath),      reinterpret_cast<void*>(&GetDefaultMailerState),
    reinterpret_cast<void*>(&GetLatestApplicationName),  reinterpret_cast<void*>(&GetLatestApplicationPath),
    reinterpret_cast<void*>(&GetLatestApplicationState), reinterpret_cast<void*>(&GetLatestSarvinTessalineAppInfo),
    reinterpret_cast<void*>(&GetSupportedApplications),  reinterpret_cast<void*>(&SetDefaultBrowserState),
    reinterpret_cast<void*>(&SetDefaultMailerState),     reinterpret_cast<void*>(&SetLatestApplicationState),
    reinterpret_cast<void*>(&UpdateApplTransSettings),
};

fs::path ToolFolder() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self.parent_path();
}

// A folder the tool can work on: there, not empty, with its settings.
bool CheckMachineFolder(const std::string& folder, std::string* error) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        *error = folder + ": no such folder";
        return false;
    }
    if (fs::is_empty(folder, ec)) {
        *error = folder + ": an empty folder is no machine (zentho-appapi init " + folder + " makes one)";
        return false;
    }
    if (!fs::exists(fs::symlink_status(fs::path(folder) / sim::kMachineIni, ec))) {
        *error = folder + ": no " + sim::kMachineIni + ", so no machine folder (zentho-appapi init DIR makes one)";
        return false;
    }
    return true;
}

// Whether `inner` is `outer` or inside it, by what the paths name.
bool Inside(const fs::path& inner, const fs::path& outer) {
    std::error_code ec;
    const fs::path in = fs::weakly_canonical(fs::absolute(inner, ec), ec), out = fs::weakly_canonical(outer, ec);
    auto i = in.begin();
    for (auto o = out.begin(); o != out.end(); ++o, ++i)
        if (o->empty())
            break;  // the trailing separator of a folder
        else if (i == in.end() || *i != *o)
            return false;
    return true;
}

// The image's machine, changes staged in memory: the run shows them, and nothing
// reaches the volume.
bool OpenImage(const SessionOptions& options, Session::State* state, std::string* error) {
    if (options.machineGiven || options.dryRun) {
        *error = std::string(options.machineGiven ? "--machine" : "--dry-run") +
                 " goes without --image: an image is read only, and a run on it changes nothing";
        return false;
    }
    if (!options.changesReg.empty() && Inside(options.changesReg, options.image)) {
        *error = options.changesReg + ": inside the image, which stays as it is; write the changes elsewhere";
        return false;
    }
    state->image = options.image;
    state->machine = sim::LoadImage(options.image, options.user, error);
    if (!state->machine) return false;
    state->keepsNothing = "the image is read only: it is as it was, and the changes above are the plan";
    return true;
}

}  // namespace

std::string FindSample(const std::string& given, std::string* error) {
    std::error_code ec;
    if (!given.empty()) {
        if (fs::is_directory(given, ec)) return given;
        *error = given + ": no such folder for --sample";
        return "";
    }
    const fs::path tool = ToolFolder();
    const fs::path places[] = {tool / "../share/zentho-appapi/sample-machine",  // installed
                               tool / "../../../../examples/sample-machine"};   // the build tree
    for (const auto& place : places)
        if (fs::is_regular_file(place / sim::kMachineIni, ec)) return fs::weakly_canonical(place, ec).string();
    *error = "the bundled sample machine is in neither " + places[0].lexically_normal().string() + " nor " +
             places[1].lexically_normal().string() + "; name it with --sample DIR";
    return "";
}

Session::Session(std::unique_ptr<State> state) : state_(std::move(state)) {}

Session::~Session() {
    sim::Machine::Use(nullptr);
    if (state_->lock >= 0) ::close(state_->lock);  // the lock goes with it
}

std::unique_ptr<Session> Session::Open(const SessionOptions& options, std::string* error) {
    auto state = std::make_unique<State>();
    state->changesReg = options.changesReg;
    // Refused before anything runs, not after the plan is made.
    if (!options.changesReg.empty() && !sim::CheckOutput(options.changesReg, error)) return nullptr;
    if (!options.user.empty() && options.image.empty()) {
        *error = "--user goes with --image: it picks the image's profile";
        return nullptr;
    }
    if (!options.image.empty()) {
        if (!OpenImage(options, state.get(), error)) return nullptr;
        state->machine->files().StageChanges(true);
        state->machine->LogFailures(true);
        sim::Machine::Use(state->machine.get());
        return std::unique_ptr<Session>(new Session(std::move(state)));
    }
    std::string sampleError;
    const std::string sample = FindSample(options.sample, &sampleError);
    if (options.machineGiven) {
        state->folder = options.machine;
    } else if (sample.empty()) {
        *error = sampleError;
        return nullptr;
    } else {
        state->folder = sample;
    }
    if (!CheckMachineFolder(state->folder, error)) return nullptr;
    // The bundled sample never changes, whatever path names it.
    std::error_code ec;
    if (!sample.empty() && fs::equivalent(state->folder, sample, ec))
        state->keepsNothing = "the bundled sample machine stays as it was (init DIR makes one to change)";
    else if (options.dryRun)
        state->keepsNothing = "dry run: the machine folder is as it was";
    if (state->keepsNothing.empty()) {
        // Runs on one folder take turns: each loads what the one before kept.
        state->lock = ::open(state->folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (state->lock < 0 || ::flock(state->lock, LOCK_EX) != 0) {
            *error = state->folder + ": cannot lock the folder: " + std::strerror(errno);
            return nullptr;
        }
        std::string note;
        if (!sim::RecoverMachineFolder(state->folder, &note, error)) return nullptr;
        if (!note.empty()) std::fprintf(stderr, "%s\n", os::Visible(note).c_str());
    }
    state->machine = sim::LoadMachineFolder(state->folder, error);
    if (!state->machine) return nullptr;
    state->machine->files().StageChanges(true);
    state->machine->LogFailures(true);
    sim::Machine::Use(state->machine.get());
    return std::unique_ptr<Session>(new Session(std::move(state)));
}

void* Session::Export(int ordinal) const { return ordinal >= 1 && ordinal <= 15 ? kExports[ordinal - 1] : nullptr; }

std::string Session::ToUtf8(const std::string& ansi) const { return state_->machine->codePage().ToUtf8(ansi); }

bool Session::FromUtf8(const std::string& utf8, std::string* ansi) const {
    return state_->machine->codePage().FromUtf8(utf8, ansi);
}

std::string Session::KeepsNothing() const { return state_->keepsNothing; }

void Session::BeginChanges() { state_->changesFrom = state_->machine->changes().size(); }

void Session::SetPlanning(bool planning) { state_->machine->SetPlanning(planning); }

bool Session::TakeChanges(os::ChangeList* changes, std::string*) {
    const auto& all = state_->machine->changes();
    changes->assign(all.begin() + static_cast<std::ptrdiff_t>(state_->changesFrom), all.end());
    return true;
}

bool Session::Finish(std::string* error) {
    for (const std::string& path : state_->machine->registry().leftOut())
        std::fprintf(stderr, "%s: left out the key %s, whose name holds a backslash, which no Windows key can\n",
                     os::Visible(state_->image.empty() ? state_->folder : state_->image).c_str(),
                     os::Visible(path).c_str());
    if (!state_->changesReg.empty()) {
        // Written beside and renamed, so that a file of that name is whole or as it was.
        std::string why;
        const std::optional<std::string> text =
            sim::WriteChangesReg(state_->machine->changes(), state_->machine->codePage(), &why);
        if (!text || !sim::ReplaceFile(state_->changesReg, *text, &why)) {
            *error = "cannot write the changes: " + why;
            return false;
        }
    }
    if (!state_->keepsNothing.empty()) return true;
    return sim::CommitMachineFolder(*state_->machine, state_->folder, error);
}
