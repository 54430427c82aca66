// A simulated Windows machine (see machine.h).
#include "tools/winsim/core/machine.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sim {
namespace {
Machine* g_current = nullptr;
thread_local int t_portCalls = 0;
}  // namespace

PortCall::PortCall() { ++t_portCalls; }
PortCall::~PortCall() { --t_portCalls; }
bool InPortCall() { return t_portCalls > 0; }

void HeapMisuse(const char* what) {
    std::fprintf(stderr, "simulated heap: %s\n", what);
    std::abort();
}

Machine* Machine::Current() { return g_current; }
void Machine::Use(Machine* machine) { g_current = machine; }

Machine::Machine(MachineSettings settings)
    : settings_(std::move(settings)),
      cp_(settings_.codepage),
      registry_(std::make_unique<Registry>(&cp_, settings_.keyOrder, settings_.userSid)),
      files_(&cp_) {
    registry_->SetChangeLog(&changes_);
    registry_->SetFaultHook([this] { return Fault(FaultKind::kRegistry); });
    files_.SetChangeLog(&changes_);
    desktop_.SetChangeLog(&changes_);
}

Machine::~Machine() {
    if (g_current == this) g_current = nullptr;
    for (auto& block : blocks_) std::free(block.first);
}

bool Machine::GetEnv(const std::string& name, std::string* value) const {
    for (const auto& entry : settings_.environment) {
        if (strcasecmp(entry.first.c_str(), name.c_str()) == 0) {
            *value = entry.second;
            return true;
        }
    }
    return false;
}

void MachineSettings::SetEnvironmentDefault(const std::string& name, const std::string& value) {
    for (auto& entry : environment) {
        if (strcasecmp(entry.first.c_str(), name.c_str()) == 0) {
            entry.second = value;
            return;
        }
    }
    environment.emplace_back(name, value);
}

void Machine::SetEnv(const std::string& name, const std::string& value) {
    auto& env = settings_.environment;
    auto it = std::find_if(env.begin(), env.end(),
                           [&](const auto& entry) { return strcasecmp(entry.first.c_str(), name.c_str()) == 0; });
    if (value.empty()) {
        if (it != env.end()) env.erase(it);
    } else if (it != env.end()) {
        it->second = value;
    } else {
        env.emplace_back(name, value);
    }
}

void Machine::SetVersion(DWORD platform, DWORD major, DWORD minor) {
    settings_.platform = platform;
    settings_.major = major;
    settings_.minor = minor;
}

void Machine::InjectFault(FaultKind kind, size_t nth) {
    faultKind_ = kind;
    faultAt_ = nth ? operations_[static_cast<int>(kind)] + nth : 0;
}

bool Machine::Fault(FaultKind kind) {
    size_t count = ++operations_[static_cast<int>(kind)];
    if (faultAt_ == 0 || kind != faultKind_ || count != faultAt_) return false;
    ++faultsInjected_;
    return true;
}

void* Machine::Allocate(size_t bytes, HeapFamily family) {
    if (Fault(FaultKind::kHeap)) return nullptr;
    void* block = std::malloc(bytes ? bytes : 1);
    if (block) blocks_.emplace(block, family);
    return block;
}

bool Machine::Release(void* block, HeapFamily family) {
    auto it = blocks_.find(block);
    if (it == blocks_.end() || it->second != family) return false;
    blocks_.erase(it);
    std::free(block);
    return true;
}

HANDLE Machine::OpenFind(std::vector<FindEntry> entries) {
    uintptr_t id = nextFind_;
    nextFind_ += 4;
    finds_.emplace(id, Find{std::move(entries), 0});
    return reinterpret_cast<HANDLE>(id);
}

bool Machine::NextFind(HANDLE find, FindEntry* entry) {
    auto it = finds_.find(reinterpret_cast<uintptr_t>(find));
    if (it == finds_.end() || it->second.next >= it->second.entries.size()) return false;
    *entry = it->second.entries[it->second.next++];
    return true;
}

bool Machine::CloseFind(HANDLE find) { return finds_.erase(reinterpret_cast<uintptr_t>(find)) > 0; }

HANDLE Machine::OpenFile(std::string bytes) {
    uintptr_t id = nextFind_;  // one numbering for find and file handles: never mistaken for each other
    nextFind_ += 4;
    files_open_.emplace(id, OpenFileData{std::move(bytes), 0});
    return reinterpret_cast<HANDLE>(id);
}

bool Machine::ReadOpenFile(HANDLE file, char* out, DWORD size, DWORD* read) {
    auto it = files_open_.find(reinterpret_cast<uintptr_t>(file));
    if (it == files_open_.end()) return false;
    OpenFileData& data = it->second;
    size_t n = std::min<size_t>(size, data.bytes.size() - data.next);
    std::memcpy(out, data.bytes.data() + data.next, n);
    data.next += n;
    *read = static_cast<DWORD>(n);
    return true;
}

bool Machine::CloseFile(HANDLE file) { return files_open_.erase(reinterpret_cast<uintptr_t>(file)) > 0; }

void Machine::NoteRelativePath(const std::string& operation, const std::string& path) {
    relativePaths_.push_back(operation + " " + path);
}

}  // namespace sim
