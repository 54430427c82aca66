// The fixture on Windows (under Wine): the real registry and C: drive.
//
// The registry areas that the library and the tests touch are read once when the
// first test starts and written back as they were after every test; a test that
// writes a key outside them fails, so that nothing leaks from one test to the next.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <tuple>

#include "tools/zentho-appapi/change_observer.h"
#include "test_machine.h"

namespace {

// Below Software in both HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, then in one of them.
const std::vector<std::string> kAreas = [] {
    std::vector<std::string> areas = {
        "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths",
        "HKEY_LOCAL_MACHINE\\Software\\Netscape", "HKEY_LOCAL_MACHINE\\Software\\Justsystem",
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\MenuExt",
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Extensions",
        "HKEY_CURRENT_USER\\Software\\Qualcomm",
        // A test may move the user's application-data folder into its own.
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"};
    for (const char* both : {"Arvelle", "ZenthoTest", "Microsoft\\Office", "Adobe", "Sarvin", "Classes\\http",
                             "Classes\\mailto", "Classes\\zentho-test", "Microsoft\\Windows\\CurrentVersion\\Run"})
        for (const char* root : {"HKEY_LOCAL_MACHINE\\Software\\", "HKEY_CURRENT_USER\\Software\\"})
            areas.push_back(std::string(root) + both);
    return areas;
}();

// The keys of the areas, parents first, and their values (key, name, type, bytes).
struct Saved {
    std::vector<std::string> keys;
    std::vector<std::tuple<std::string, std::string, DWORD, std::string>> values;
};

void Save(const std::string& key, Saved* saved) {
    std::string rest;
    HKEY root = TestMachine::RootKey(key, &rest), h;
    if (RegOpenKeyExA(root, rest.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return;
    saved->keys.push_back(key);
    char name[16384];
    std::vector<std::string> children;
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, type = 0, size = 0;
        if (RegEnumValueA(h, i, name, &nameSize, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::string data(size, '\0');
        nameSize = sizeof name;
        RegEnumValueA(h, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
        saved->values.emplace_back(key, std::string(name, nameSize), type, data.substr(0, size));
    }
    for (DWORD i = 0, size = sizeof name; RegEnumKeyExA(h, i, name, &size, nullptr, nullptr, nullptr, nullptr) == 0;
         ++i, size = sizeof name)
        children.push_back(name);
    RegCloseKey(h);
    for (const auto& child : children) Save(key + "\\" + child, saved);
}

const Saved& Baseline() {
    static const Saved baseline = [] {
        Saved saved;
        for (const auto& area : kAreas) Save(area, &saved);
        return saved;
    }();
    return baseline;
}

// Calls visit(path, isFolder) for every item below folder, each folder after its items.
template <typename Visit>
void Walk(const std::string& folder, const Visit& visit) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = data.cFileName, path = folder + "\\" + name;
        if (name == "." || name == "..") continue;
        const bool isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (isFolder) Walk(path, visit);
        visit(path, isFolder);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

void RemoveFolder(const std::string& folder) {
    Walk(folder, [](const std::string& path, bool isFolder) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        isFolder ? RemoveDirectoryA(path.c_str()) : DeleteFileA(path.c_str());
    });
    RemoveDirectoryA(folder.c_str());
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

BOOL CALLBACK CloseProgramWindow(HWND window, LPARAM) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    DWORD_PTR answer;
    for (const char* prefix : {"#Zentho", "js:TARO", "ZenthoTest"})
        if (_strnicmp(name, prefix, std::strlen(prefix)) == 0)
            SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
    return TRUE;
}

// The folder of the test program, where the test run placed the product's programs
// and the stand-in.
std::string ProgramFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

bool RunRegedit(std::string command) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    command = "regedit.exe " + command;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    WaitForSingleObject(pi.hProcess, 60000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

}  // namespace

struct TestMachine::State {
    std::string savedCurrentFolder;
    std::map<std::string, std::pair<bool, std::string>> savedEnv;
    std::vector<HWND> windows;
    std::vector<std::string> outsideFiles;  // written outside the test folder, removed at the end
};

TestMachine::TestMachine() : state_(std::make_unique<State>()) {
    // The library is linked into this program: its calls are observed here.
    static const bool observed = [] {
        std::string error;
        return observe::Attach(GetModuleHandleA(nullptr), &error);
    }();
    EXPECT_TRUE(observed) << "cannot observe this program's changes";
    Baseline();
    RemoveFolder(Root());
    CreateDirectoryA(Root().c_str(), nullptr);
    observe::Changes().clear();  // what the test does, from here
    observe::RelativePaths().clear();
}

TestMachine::~TestMachine() {
    EXPECT_EQ(observe::RelativePaths(), std::vector<std::string>{})
        << "copies, deletes or new folders on paths that depend on the current folder";
    if (!state_->savedCurrentFolder.empty()) SetCurrentDirectoryA(state_->savedCurrentFolder.c_str());
    for (HWND window : state_->windows)
        if (IsWindow(window)) DestroyWindow(window);
    // Programs a test started and left running end here; one that is still starting
    // shows its window a moment later, and its file cannot go while it runs.
    for (int attempt = 0; attempt < 50; ++attempt) {
        EnumWindows(CloseProgramWindow, 0);
        Sleep(100);
        RemoveFolder(Root());
        if (GetFileAttributesA(Root().c_str()) == INVALID_FILE_ATTRIBUTES) break;
    }
    for (const auto& area : kAreas) DeleteTree(area);
    for (const auto& key : Baseline().keys) CreateKey(key);
    for (const auto& [key, name, type, data] : Baseline().values) SetRaw(key, name, type, data);
    for (const auto& [name, saved] : state_->savedEnv) {
        SetEnvironmentVariableA(name.c_str(), saved.first ? saved.second.c_str() : nullptr);
        _putenv((name + "=" + saved.second).c_str());
    }
    for (const auto& file : state_->outsideFiles) DeleteFileA(file.c_str());
}

bool TestMachine::Simulated() { return false; }
void TestMachine::CheckWritable(const std::string& key) {
    for (const auto& area : kAreas) {
        const size_t n = area.size();
        if (_strnicmp(key.c_str(), area.c_str(), n) == 0 && (key.size() == n || key[n] == '\\')) return;
    }
    ADD_FAILURE() << key << " lies outside the registry areas the fixture restores";
}
os::ChangeList* TestMachine::changes() { return &observe::Changes(); }
void TestMachine::SetWindowsVersion(DWORD, DWORD, DWORD) {}
void TestMachine::ListKeysInCreationOrder() {}
sim::Machine* TestMachine::machine() { return nullptr; }
DWORD TestMachine::LastError() const { return GetLastError(); }
bool TestMachine::Exists(const std::string& path) const {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
std::string TestMachine::ShortPath(const std::string& path) const {
    char text[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(path.c_str(), text, sizeof text);
    return length && length < sizeof text ? text : "";
}

void TestMachine::WriteFile(const std::string& path, const std::string& bytes, Where where) {
    if (_strnicmp(path.c_str(), (Root() + "\\").c_str(), Root().size() + 1) != 0) state_->outsideFiles.push_back(path);
    MakeFolder(path.substr(0, path.find_last_of('\\')));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.good()) ADD_FAILURE_AT(where.file, where.line) << "writing " << path;
}

void TestMachine::MakeFolder(const std::string& path, Where) {
    for (size_t i = 3; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
}

std::map<std::string, std::string> TestMachine::Files(const std::string& folder) const {
    std::map<std::string, std::string> files;
    Walk(folder, [&](std::string path, bool isFolder) {
        if (isFolder) return;
        const std::string bytes = ReadAll(path);
        CharLowerA(&path[0]);
        files[path] = bytes;
    });
    return files;
}

void TestMachine::SetEnv(const std::string& name, const std::string& value) {
    if (!state_->savedEnv.count(name)) {
        char old[32768];
        DWORD n = GetEnvironmentVariableA(name.c_str(), old, sizeof old);
        bool set = n > 0 && n < sizeof old;
        state_->savedEnv[name] = {set, set ? std::string(old, n) : ""};
    }
    SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
    _putenv((name + "=" + value).c_str());
}

bool TestMachine::ImportReg(const std::string& fileBytes, std::string* error) {
    const std::string path = Root() + "\\import.reg";
    WriteFile(path, fileBytes);
    const bool started = RunRegedit("/s " + path);
    if (!started) *error = "regedit did not start";
    DeleteFileA(path.c_str());
    return started;
}

std::string TestMachine::ExportReg(const std::string& key) {
    const std::string path = Root() + "\\export.reg";
    DeleteFileA(path.c_str());
    const std::string bytes = RunRegedit("/e " + path + " \"" + key + "\"") ? ReadAll(path) : "";
    DeleteFileA(path.c_str());
    return bytes;
}

void TestMachine::InstallProgram(const std::string& path, const Behaviour& behaviour, Where where) {
    MakeFolder(path.substr(0, path.find_last_of('\\')));
    if (!CopyFileA((ProgramFolder() + "\\zentho-standin.exe").c_str(), path.c_str(), FALSE))
        ADD_FAILURE_AT(where.file, where.line) << "installing the stand-in program as " << path;
    std::string text;
    for (const auto& [className, title] : behaviour.windows) text += "window=" + className + "|" + title + "\r\n";
    text += "show-after=" + std::to_string(behaviour.showAfterMs) + "\r\n";
    if (behaviour.closeAfterMs != INFINITE) text += "close-after=" + std::to_string(behaviour.closeAfterMs) + "\r\n";
    text += std::string("hung=") + (behaviour.hung ? "yes" : "no") + "\r\n";
    WriteFile(path + ".standin", text, where);
}

void TestMachine::InstallProductProgram(const std::string& path, Where where) {
    MakeFolder(path.substr(0, path.find_last_of('\\')));
    const std::string name = path.substr(path.find_last_of('\\') + 1);
    if (!CopyFileA((ProgramFolder() + "\\" + name).c_str(), path.c_str(), FALSE))
        ADD_FAILURE_AT(where.file, where.line) << "installing " << name << " as " << path;
}

void TestMachine::SetAppDataFolder(const std::string& path) {
    SetString("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
              "AppData", path, REG_EXPAND_SZ);
}

void TestMachine::SetCurrentFolder(const std::string& path) {
    char current[MAX_PATH];
    if (state_->savedCurrentFolder.empty() && GetCurrentDirectoryA(MAX_PATH, current))
        state_->savedCurrentFolder = current;
    SetCurrentDirectoryA(path.c_str());
}

HWND TestMachine::OpenWindow(const std::string& className, const std::string& title, const std::string&,
                             Where where) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;  // WM_CLOSE destroys the window
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className.c_str();
    RegisterClassA(&wc);  // fails harmlessly when the class exists
    HWND window = CreateWindowExA(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    if (!window) ADD_FAILURE_AT(where.file, where.line) << "creating a window of class " << className;
    state_->windows.push_back(window);
    return window;
}
