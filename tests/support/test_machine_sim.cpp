// The fixture on the simulated machine: a new machine for each test, its C: drive on
// a new host folder, and at the end a check that the test let go of every handle and
// heap block.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "install/texts.h"
#include "tools/winsim/core/last_error.h"
#include "tools/winsim/core/machine.h"
#include "tools/winsim/formats/machine_folder.h"
#include "test_machine.h"

namespace fs = std::filesystem;

struct TestMachine::State {
    sim::Machine machine;
    std::string hostFolder;
};

TestMachine::TestMachine() : state_(std::make_unique<State>()) {
    // In memory where the host offers it: a test makes and removes a whole drive.
    std::error_code ec;
    const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "zentho-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) ADD_FAILURE() << "cannot make a host folder for drive C:";
    state_->hostFolder = pattern;
    state_->machine.files().MapDrive('C', pattern);
    state_->machine.files().MakeFolders(Root());
    sim::Machine::Use(&state_->machine);
}

TestMachine::~TestMachine() {
    sim::Machine& m = state_->machine;
    EXPECT_EQ(m.OpenHandleCount(), 0u) << "registry or find handles left open";
    EXPECT_EQ(m.LiveBlocks(), 0u) << "heap blocks left allocated";
    EXPECT_EQ(m.relativePaths(), std::vector<std::string>{})
        << "copies, deletes or new folders on paths that depend on the current folder";
    sim::Machine::Use(nullptr);
    std::error_code ec;
    fs::remove_all(state_->hostFolder, ec);
}

bool TestMachine::Simulated() { return true; }
void TestMachine::CheckWritable(const std::string&) {}  // every test starts on a new machine
os::ChangeList* TestMachine::changes() { return &state_->machine.changes(); }
void TestMachine::SetWindowsVersion(DWORD platform, DWORD major, DWORD minor) {
    state_->machine.SetVersion(platform, major, minor);
}
sim::Machine* TestMachine::machine() { return &state_->machine; }
void TestMachine::ListKeysInCreationOrder() { state_->machine.registry().SetOrder(sim::KeyOrder::kCreated); }
DWORD TestMachine::LastError() const { return sim::LastError(); }
void TestMachine::SetEnv(const std::string& name, const std::string& value) { state_->machine.SetEnv(name, value); }
void TestMachine::SetAppDataFolder(const std::string& path) { state_->machine.SetFolder(CSIDL_APPDATA, path); }
void TestMachine::SetCurrentFolder(const std::string& path) { state_->machine.files().SetCurrentDirectory(path); }
bool TestMachine::Exists(const std::string& path) const { return !state_->machine.files().HostPath(path).empty(); }
std::string TestMachine::ShortPath(const std::string& path) const { return state_->machine.files().ShortPath(path); }

void TestMachine::WriteFile(const std::string& path, const std::string& bytes, Where where) {
    if (DWORD error = state_->machine.files().WriteFile(path, bytes))
        ADD_FAILURE_AT(where.file, where.line) << "writing " << path << ": error " << error;
}

void TestMachine::MakeFolder(const std::string& path, Where where) {
    if (DWORD error = state_->machine.files().MakeFolders(path))
        ADD_FAILURE_AT(where.file, where.line) << "making " << path << ": error " << error;
}

std::map<std::string, std::string> TestMachine::Files(const std::string& folder) const {
    std::map<std::string, std::string> files;
    const std::string host = state_->machine.files().HostPath(folder);
    std::error_code ec;
    if (host.empty()) return files;
    for (auto it = fs::recursive_directory_iterator(host, ec); it != fs::recursive_directory_iterator(); ++it) {
        if (!it->is_regular_file()) continue;
        std::string path = folder + it->path().string().substr(host.size());
        std::replace(path.begin(), path.end(), '/', '\\');
        std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) { return std::tolower(c); });
        state_->machine.files().ReadFile(path, &files[path]);
    }
    return files;
}

bool TestMachine::ImportReg(const std::string& fileBytes, std::string* error) {
    std::vector<sim::RegFileOp> ops;
    bool nt = state_->machine.settings().platform == VER_PLATFORM_WIN32_NT;
    if (!sim::ParseRegFile(fileBytes, state_->machine.codePage(), &ops, error, nt)) return false;
    sim::ApplyRegFile(state_->machine.registry(), ops);
    return true;
}

std::string TestMachine::ExportReg(const std::string& key) {
    // HKEY_CURRENT_USER is the user's key below HKEY_USERS in the export.
    std::string prefix = key;
    if (prefix.rfind("HKEY_CURRENT_USER", 0) == 0)
        prefix = "HKEY_USERS\\" + state_->machine.registry().userSid() + prefix.substr(17);
    std::vector<sim::RegFileKey> keys;
    for (auto& k : sim::ExportRegistry(state_->machine.registry())) {
        if (k.path.size() < prefix.size() || strncasecmp(k.path.c_str(), prefix.c_str(), prefix.size()) != 0) continue;
        if (k.path.size() > prefix.size() && k.path[prefix.size()] != '\\') continue;
        k.path = key + k.path.substr(prefix.size());
        keys.push_back(std::move(k));
    }
    return sim::WriteRegFile5(keys, state_->machine.codePage()).value();
}

void TestMachine::InstallProgram(const std::string& path, const Behaviour& behaviour, Where where) {
    WriteExe(path, 1, 0, 0, 0, where);
    sim::ProgramBehaviour b;
    b.program = state_->machine.files().FullPath(path);
    for (const auto& [className, title] : behaviour.windows) b.windows.push_back({className, title});
    b.showAfterMs = behaviour.showAfterMs;
    b.closeAfterMs = behaviour.closeAfterMs;
    b.hung = behaviour.hung;
    state_->machine.desktop().AddBehaviour(std::move(b));
}

void TestMachine::InstallProductProgram(const std::string& path, Where where) {
    // As the product's programs behave (src/programs): their windows until closed.
    Behaviour b;
    if (path.substr(path.rfind('\\') + 1) == "ZenthoNSTrans.exe")
        b.windows = {{texts::kNetscapeMain.classPrefix, texts::kNetscapeMain.titlePrefix},
                     {texts::kNetscapeSub.classPrefix, texts::kNetscapeSub.titlePrefix}};
    else
        b.windows = {{texts::kMailToolbar.classPrefix, texts::kMailToolbar.titlePrefix}};
    InstallProgram(path, b, where);
}

HWND TestMachine::OpenWindow(const std::string& className, const std::string& title, const std::string& owner, Where) {
    return state_->machine.desktop().AddWindow(className, title, owner);
}
