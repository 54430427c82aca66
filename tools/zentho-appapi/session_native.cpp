// The tool's session on Linux: a machine folder in the simulation, the library
// linked in.
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "frame/exports.h"
#include "platform/os/sim/machine_folder.h"
#include "session.h"

namespace fs = std::filesystem;

struct Session::State {
    std::unique_ptr<sim::Machine> machine;
    std::string folder;   // the folder the machine was loaded from
    std::string scratch;  // a copy worked on instead, removed at the end ("" if none)
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

bool CopyToScratch(const std::string& folder, std::string* scratch, std::string* error) {
    std::string pattern = (fs::temp_directory_path() / "zentho-machine-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        *error = "cannot make a scratch folder in " + fs::temp_directory_path().string();
        return false;
    }
    std::error_code ec;
    fs::copy(folder, pattern, fs::copy_options::recursive, ec);
    if (ec) {
        fs::remove_all(pattern, ec);
        *error = "cannot copy " + folder + ": " + ec.message();
        return false;
    }
    *scratch = pattern;
    return true;
}

}  // namespace

Session::Session(std::unique_ptr<State> state) : state_(std::move(state)) {}

Session::~Session() {
    sim::Machine::Use(nullptr);
    if (!state_->scratch.empty()) {
        std::error_code ec;
        fs::remove_all(state_->scratch, ec);
    }
}

std::unique_ptr<Session> Session::Open(const SessionOptions& options, std::string* error) {
    auto state = std::make_unique<State>();
    // The bundled sample never changes: it is always worked on as a copy.
    state->folder = options.machine.empty() ? ZENTHO_SAMPLE_MACHINE : options.machine;
    std::string from = state->folder;
    if (options.machine.empty() || options.dryRun) {
        if (!fs::is_directory(state->folder)) {
            *error = state->folder + ": no such machine folder";
            return nullptr;
        }
        if (!CopyToScratch(state->folder, &state->scratch, error)) return nullptr;
        from = state->scratch;
    }
    state->machine = sim::LoadMachineFolder(from, error);
    if (!state->machine) {
        if (!state->scratch.empty()) {
            std::error_code ec;
            fs::remove_all(state->scratch, ec);
        }
        return nullptr;
    }
    sim::Machine::Use(state->machine.get());
    return std::unique_ptr<Session>(new Session(std::move(state)));
}

void* Session::Export(int ordinal) const { return ordinal >= 1 && ordinal <= 15 ? kExports[ordinal - 1] : nullptr; }

std::string Session::ToUtf8(const std::string& ansi) const { return state_->machine->codePage().ToUtf8(ansi); }

bool Session::FromUtf8(const std::string& utf8, std::string* ansi) const {
    return state_->machine->codePage().FromUtf8(utf8, ansi);
}

bool Session::UsesBundledSample() const { return state_->folder == ZENTHO_SAMPLE_MACHINE; }

void Session::BeginChanges() { state_->changesFrom = state_->machine->changes().size(); }

bool Session::TakeChanges(os::ChangeList* changes, std::string*) {
    const auto& all = state_->machine->changes();
    changes->assign(all.begin() + static_cast<std::ptrdiff_t>(state_->changesFrom), all.end());
    return true;
}

bool Session::Finish(std::string* error) {
    if (!state_->scratch.empty()) return true;  // a copy: nothing is kept
    bool registry = false, desktop = false;
    for (const auto& change : state_->machine->changes()) {
        registry |= change.kind == os::Change::kKeyCreated || change.kind == os::Change::kKeyDeleted ||
                    change.kind == os::Change::kValueSet || change.kind == os::Change::kValueDeleted;
        desktop |= change.kind == os::Change::kProgramStarted || change.kind == os::Change::kMessageSent;
    }
    // Files changed in place; the registry and the programs left running are written back.
    if (registry && !sim::SaveMachineRegistry(*state_->machine, state_->folder, error)) return false;
    return !desktop || sim::SaveMachineDesktop(*state_->machine, state_->folder, error);
}
