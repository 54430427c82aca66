// A simulated Windows machine: registry, drives, environment, Windows version, code
// page, shell folders, Windows directory, desktop, and the accounting of everything
// the library holds (registry handles, find handles, heap blocks).
//
// The Win32-shaped functions of the port (os::RegOpenKeyExA, ...) act on the machine
// made current with Machine::Use. Tests build machines in code; the command-line tool
// loads one from a machine folder.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "tools/winsim/changes/changes.h"
#include "port/os.h"
#include "tools/winsim/core/codepage.h"
#include "tools/winsim/core/desktop.h"
#include "tools/winsim/core/filesystem.h"
#include "tools/winsim/core/registry.h"

namespace sim {

constexpr const char* kDefaultUserSid = "S-1-5-21-0-0-0-1000";

// The settings of machine.ini, with the defaults of a Japanese Windows 2000 desktop.
struct MachineSettings {
    DWORD platform = VER_PLATFORM_WIN32_NT;
    DWORD major = 5;
    DWORD minor = 0;
    DWORD build = 2195;
    unsigned codepage = 932;
    KeyOrder keyOrder = KeyOrder::kSorted;
    std::string windir = "C:\\WINNT";
    std::string userSid = kDefaultUserSid;
    std::vector<std::pair<std::string, std::string>> environment = {
        {"SystemRoot", "C:\\WINNT"},
        {"windir", "C:\\WINNT"},
        {"SystemDrive", "C:"},
        {"ProgramFiles", "C:\\Program Files"},
        {"CommonProgramFiles", "C:\\Program Files\\Common Files"},
        {"USERPROFILE", "C:\\Documents and Settings\\user"},
        {"APPDATA", "C:\\Documents and Settings\\user\\Application Data"},
        {"TEMP", "C:\\DOCUME~1\\user\\LOCALS~1\\Temp"},
        {"PATH", "C:\\WINNT\\system32;C:\\WINNT;C:\\WINNT\\System32\\Wbem"},
    };
    // A Windows image's volume: the port refuses to copy, delete or make files on it.
    bool readOnlyDisk = false;
    std::map<int, std::string> folders = {
        {CSIDL_APPDATA, "C:\\Documents and Settings\\user\\Application Data"},
        {CSIDL_PERSONAL, "C:\\Documents and Settings\\user\\My Documents"},
        {CSIDL_PROGRAM_FILES, "C:\\Program Files"},
    };

    // Sets a variable, replacing one of the same name (names match without regard to case).
    void SetEnvironmentDefault(const std::string& name, const std::string& value);
};

// Heap blocks come in families that must not be mixed: a block is released only by
// the family's own release function.
enum class HeapFamily { kCrt, kLocal, kShell };

// Faults a test can inject: the N-th operation of a kind fails as Windows can fail it
// (no memory; access denied by the registry or the disk). kNew is the library's own
// operator new, which tests may route through Fault (see PortCall); the others are
// the port's.
enum class FaultKind { kHeap, kRegistry, kFile, kNew };
constexpr int kFaultKinds = 4;

// Held by every port function while it runs. Windows functions fail with an error
// code; they never throw into their caller. So a test that makes operator new fail
// fails only the library's own allocations, never one the simulation makes on its
// behalf: InPortCall() tells them apart.
class PortCall {
public:
    PortCall();
    ~PortCall();
    PortCall(const PortCall&) = delete;
    PortCall& operator=(const PortCall&) = delete;
};
bool InPortCall();

// A block released by the wrong function, or twice: on Windows this corrupts the
// heap; here it stops the run where it happens.
[[noreturn]] void HeapMisuse(const char* what);

class Machine {
public:
    explicit Machine(MachineSettings settings = MachineSettings());
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // The machine that the port's functions act on (one per process at a time).
    static Machine* Current();
    static void Use(Machine* machine);

    const MachineSettings& settings() const { return settings_; }
    const CodePage& codePage() const { return cp_; }
    Registry& registry() { return *registry_; }
    FileSystem& files() { return files_; }
    Desktop& desktop() { return desktop_; }
    os::ChangeList& changes() { return changes_; }
    // Planning: the port's calls that would change something are logged as the change
    // they would make, judged against the machine as it is, and change nothing. A
    // program is not started (the call answers that it could not be, so nothing waits
    // for its windows) and a window asked to close stays open.
    void SetPlanning(bool planning) {
        planning_ = planning;
        registry_->SetPlanning(planning);
    }
    bool planning() const { return planning_; }
    // Whether a copy, delete or program start that fails is logged too, with why (the
    // tool's plans show them; the tests' lists of changes hold what was done only).
    void LogFailures(bool log) { logFailures_ = log; }
    void NoteChange(os::Change change) { changes_.push_back(std::move(change)); }
    void NoteFailure(os::Change change, std::string why) {
        if (!logFailures_) return;
        change.failed = std::move(why);
        changes_.push_back(std::move(change));
    }

    // Environment variables; names match without regard to case.
    bool GetEnv(const std::string& name, std::string* value) const;
    void SetEnv(const std::string& name, const std::string& value);  // "" removes it
    const std::vector<std::pair<std::string, std::string>>& environment() const { return settings_.environment; }
    void SetVersion(DWORD platform, DWORD major, DWORD minor);
    void SetFolder(int csidl, const std::string& path) { settings_.folders[csidl] = path; }
    // Something the registry's lazy keys read from (a hive file), kept while the machine lives.
    void Keep(std::shared_ptr<void> resource) { resources_.push_back(std::move(resource)); }

    // Accounting.
    void* Allocate(size_t bytes, HeapFamily family);
    bool Release(void* block, HeapFamily family);  // false for a block of another family or none
    size_t LiveBlocks() const { return blocks_.size(); }
    HANDLE OpenFind(std::vector<FindEntry> entries);
    bool NextFind(HANDLE find, FindEntry* entry);
    bool CloseFind(HANDLE find);
    size_t OpenFindCount() const { return finds_.size(); }
    // Files opened for reading hold their bytes as they were when opened.
    HANDLE OpenFile(std::string bytes);
    bool ReadOpenFile(HANDLE file, char* out, DWORD size, DWORD* read);
    bool CloseFile(HANDLE file);
    // References to the shell's allocator (SHGetMalloc), each to be released once.
    void TakeShellAllocator() { ++shellAllocatorReferences_; }
    bool ReleaseShellAllocator() { return shellAllocatorReferences_ > 0 && shellAllocatorReferences_-- > 0; }
    // Registry handles, find handles, file handles and allocator references still held.
    size_t OpenHandleCount() const {
        return registry_->OpenHandleCount() + finds_.size() + files_open_.size() + shellAllocatorReferences_;
    }

    // A copy, delete or new folder asked for with a path that depends on the current
    // folder ("name", "\\name", "C:name"). Windows resolves it, and so does the
    // simulation, but the library must never ask: tests require this list to stay empty.
    void NoteRelativePath(const std::string& operation, const std::string& path);
    const std::vector<std::string>& relativePaths() const { return relativePaths_; }

    // Fault injection: the nth operation of the kind (counted from now) fails; 0 for
    // none. Operations of every kind are counted whether or not a fault is set.
    void InjectFault(FaultKind kind, size_t nth);
    // Counts one operation; true when it is the one that must fail.
    bool Fault(FaultKind kind);
    // A file operation that only looks (attributes, find, version, access, profile):
    // fails when injected, and every time while the disk is hidden, as if nothing
    // were there; copies, deletes and new folders still work on a hidden disk.
    bool LookupFault() { return Fault(FaultKind::kFile) || diskHidden_; }
    void HideDisk(bool hidden) { diskHidden_ = hidden; }
    size_t Operations(FaultKind kind) const { return operations_[static_cast<int>(kind)]; }
    size_t FaultsInjected() const { return faultsInjected_; }

private:
    MachineSettings settings_;
    CodePage cp_;
    std::vector<std::shared_ptr<void>> resources_;  // goes after the registry that reads from it
    std::unique_ptr<Registry> registry_;
    FileSystem files_;
    Desktop desktop_;
    os::ChangeList changes_;
    std::unordered_map<void*, HeapFamily> blocks_;
    struct Find {
        std::vector<FindEntry> entries;
        size_t next = 0;
    };
    std::unordered_map<uintptr_t, Find> finds_;
    uintptr_t nextFind_ = 0x2000;
    struct OpenFileData {
        std::string bytes;
        size_t next = 0;
    };
    std::unordered_map<uintptr_t, OpenFileData> files_open_;
    std::vector<std::string> relativePaths_;
    size_t shellAllocatorReferences_ = 0;
    bool planning_ = false;
    bool logFailures_ = false;
    FaultKind faultKind_ = FaultKind::kHeap;
    size_t faultAt_ = 0;  // operation number that fails, 0 for none
    bool diskHidden_ = false;
    size_t operations_[kFaultKinds] = {};
    size_t faultsInjected_ = 0;
};

}  // namespace sim
