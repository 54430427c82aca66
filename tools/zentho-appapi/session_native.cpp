// The tool's session on Linux: a machine folder in the simulation, the library linked
// in, the folder's changes staged and kept at the end (see session.h).
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>
#include <system_error>

#include "frame/exports.h"
#include "tools/winsim/changes/change_text.h"
#include "tools/winsim/formats/cmdfile.h"
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
    std::string changesReg;    // where the plan goes as a .reg file and a .cmd beside it, or ""
    bool sample = false;       // the bundled sample machine
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
        *error = folder + (fs::exists(folder, ec) ? ": not a folder; a machine folder holds machine.ini, its .reg files "
                                                     "and drives/ (zentho-appapi init DIR makes one)"
                                                   : ": no such folder");
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
    if (options.machineGiven) {
        *error = "--machine goes without --image: the image is the machine";
        return false;
    }
    if (!options.changesReg.empty() && Inside(options.changesReg, options.image)) {
        *error = options.changesReg + ": inside the image, which stays as it is; write the plan elsewhere";
        return false;
    }
    state->image = options.image;
    state->machine = sim::LoadImage(options.image, options.user, error);
    if (!state->machine) return false;
    state->keepsNothing = "the image is read only: it is as it was, and the changes above are the plan";
    return true;
}

// The process that holds a lock on the folder open as `fd`, as the kernel lists it ("" when
// it does not say).
std::string LockHolder(int fd) {
    struct stat st;
    std::string text;
    bool found = false;
    if (::fstat(fd, &st) != 0 || !sim::ReadInput("/proc/locks", &text, &found, &text, 1 << 20)) return "";
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        // "1: FLOCK  ADVISORY  WRITE 1234 fd:01:5678 0 EOF"; a waiter's line has "->" after the number.
        std::istringstream fields(line);
        std::string number, kind, advisory, mode, pid, device;
        fields >> number >> kind >> advisory >> mode >> pid >> device;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (kind == "FLOCK" && std::sscanf(device.c_str(), "%x:%x:%llu", &major, &minor, &inode) == 3 &&
            major == major(st.st_dev) && minor == minor(st.st_dev) && inode == st.st_ino)
            return pid;
    }
    return "";
}

// Runs on one folder take turns: a run that may change it holds it alone, runs that only read
// it share it. One that has to wait says so, and for whom, once the wait is not short.
bool LockFolder(const std::string& folder, bool shared, int* lock, std::string* error) {
    constexpr int kStepMs = 50, kNoticeMs = 300;
    const int mode = shared ? LOCK_SH : LOCK_EX;
    *lock = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    auto take = [&](int how) { return *lock < 0 ? errno : ::flock(*lock, how) == 0 ? 0 : errno; };
    int failed = take(mode | LOCK_NB);
    for (int waited = 0; failed == EWOULDBLOCK && waited < kNoticeMs; waited += kStepMs) {
        ::usleep(kStepMs * 1000);
        failed = take(mode | LOCK_NB);
    }
    if (failed == EWOULDBLOCK) {
        const std::string holder = LockHolder(*lock);
        std::fprintf(stderr, "%s: waiting for another run of zentho-appapi on it (held by %s)\n",
                     os::Visible(folder).c_str(), holder.empty() ? "another process" : ("pid " + holder).c_str());
        failed = take(mode);
    }
    if (failed) *error = folder + ": cannot lock the folder: " + std::strerror(failed);
    return !failed;
}

}  // namespace

std::string PlanCommandFile(const std::string& changesReg) {
    const fs::path path(changesReg);
    return strcasecmp(path.extension().c_str(), ".reg") == 0 ? fs::path(path).replace_extension(".cmd").string()
                                                             : changesReg + ".cmd";
}

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
    // Refused before anything runs, not after the plan is made. The .reg names its .cmd in a
    // comment line, which a control character would end.
    if (std::any_of(options.changesReg.begin(), options.changesReg.end(),
                    [](unsigned char c) { return c < 0x20 || c == 0x7F; })) {
        *error = "--changes-reg: a file name with a control character, which the plan cannot name";
        return nullptr;
    }
    if (!options.changesReg.empty() && !(sim::CheckOutput(options.changesReg, error) &&
                                         sim::CheckOutput(PlanCommandFile(options.changesReg), error)))
        return nullptr;
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
    state->sample = !sample.empty() && fs::equivalent(state->folder, sample, ec);
    if (state->sample)
        state->keepsNothing = "the bundled sample machine stays as it was (init DIR makes one to change)";
    else if (options.dryRun)
        state->keepsNothing = "dry run: the machine folder is as it was";
    if (!state->sample) {
        // Each run loads what the one before kept. A run stopped half way is put right first, by
        // a run that holds the folder alone for it.
        const bool shared = options.readOnly || options.dryRun;
        if (!LockFolder(state->folder, shared, &state->lock, error)) return nullptr;
        if (!shared || sim::HasUnfinishedRun(state->folder)) {
            std::string note;
            const bool recovered = (!shared || ::flock(state->lock, LOCK_EX) == 0) &&
                                   sim::RecoverMachineFolder(state->folder, &note, error) &&
                                   (!shared || ::flock(state->lock, LOCK_SH) == 0);
            if (!recovered) return error->empty() ? (*error = state->folder + ": " + std::strerror(errno)), nullptr
                                                  : nullptr;
            if (!note.empty()) std::fprintf(stderr, "%s\n", os::Visible(note).c_str());
        }
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

std::string Session::Describe() const {
    if (!state_->image.empty()) return "image " + state_->image;
    return state_->sample ? "the bundled sample machine" : "machine folder " + state_->folder;
}

std::string Session::UserSid() const { return ToUtf8(state_->machine->registry().userSid()); }

namespace {

// The plan as a .reg file for reg import and the .cmd of its file steps, written together,
// or neither when there is nothing to plan; *note says which.
bool WritePlan(sim::Machine& machine, const std::string& reg, std::string* note, std::string* error) {
    const std::string cmd = PlanCommandFile(reg);
    const bool planned = std::any_of(machine.changes().begin(), machine.changes().end(), [](const os::Change& c) {
        return c.kind != os::Change::kMessageSent && c.failed.empty();  // what failed is shown, not planned
    });
    if (!planned) {
        *note = "nothing to plan: " + reg + " and " + cmd + " are not written";
        return true;
    }
    std::string why;
    const std::optional<std::string> regText = sim::WriteChangesReg(
        machine.changes(), machine.codePage(), &why,
        "The file steps of this plan are in " + fs::path(cmd).filename().string() + ": run it after reg import.");
    const std::optional<std::string> cmdText =
        regText ? sim::WriteChangesCmd(machine.changes(), machine.codePage(), &why) : std::nullopt;
    if (!cmdText || !sim::ReplaceFiles({{reg, *regText}, {cmd, *cmdText}}, &why)) {
        *error = "cannot write the plan: " + why;
        return false;
    }
    *note = "wrote " + reg + " (the registry: reg import it) and " + cmd + " (the files: run it after)";
    return true;
}

}  // namespace

bool Session::Finish(std::string* error, std::string* note) {
    for (const std::string& path : state_->machine->registry().leftOut())
        std::fprintf(stderr, "%s: left out the key %s, whose name holds a backslash, which no Windows key can\n",
                     os::Visible(state_->image.empty() ? state_->folder : state_->image).c_str(),
                     os::Visible(path).c_str());
    std::string said;
    if (!state_->changesReg.empty() && !WritePlan(*state_->machine, state_->changesReg, &said, error)) return false;
    if (note) *note = said;
    if (!state_->keepsNothing.empty()) return true;
    return sim::CommitMachineFolder(*state_->machine, state_->folder, error);
}
