// The fixture on Windows (under Wine): the real registry and C: drive.
//
// The registry areas that the library and the tests touch are read once when the
// first test starts and written back as they were after every test; a test that
// writes a key outside them fails, so that nothing leaks from one test to the next.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "pe-maker/pe_writer.h"
#include "platform/os/win32/change_observer.h"
#include "test_machine.h"

namespace {

const char* const kAreas[] = {
    "HKEY_CURRENT_USER\\Software\\Arvelle",
    "HKEY_LOCAL_MACHINE\\Software\\Arvelle",
    "HKEY_CURRENT_USER\\Software\\ZenthoTest",
    "HKEY_LOCAL_MACHINE\\Software\\ZenthoTest",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Office",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\MenuExt",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Extensions",
    "HKEY_LOCAL_MACHINE\\Software\\Netscape",
    "HKEY_LOCAL_MACHINE\\Software\\Adobe",
    "HKEY_CURRENT_USER\\Software\\Adobe",
    "HKEY_LOCAL_MACHINE\\Software\\Justsystem",
    "HKEY_LOCAL_MACHINE\\Software\\Sarvin",
    "HKEY_CURRENT_USER\\Software\\Sarvin",
    "HKEY_CURRENT_USER\\Software\\Qualcomm",
    "HKEY_LOCAL_MACHINE\\Software\\Classes\\http",
    "HKEY_LOCAL_MACHINE\\Software\\Classes\\mailto",
    "HKEY_CURRENT_USER\\Software\\Classes\\http",
    "HKEY_CURRENT_USER\\Software\\Classes\\mailto",
    "HKEY_LOCAL_MACHINE\\Software\\Classes\\zentho-test",
    "HKEY_CURRENT_USER\\Software\\Classes\\zentho-test",
};

// A key with its values and subkeys, as read.
struct Snapshot {
    bool exists = false;
    std::vector<std::tuple<std::string, DWORD, std::string>> values;
    std::vector<std::pair<std::string, Snapshot>> children;
};

Snapshot Read(HKEY parent, const std::string& name) {
    Snapshot s;
    HKEY h;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return s;
    s.exists = true;
    for (DWORD i = 0;; ++i) {
        char valueName[16384];
        DWORD nameSize = sizeof valueName, type = 0, size = 0;
        if (RegEnumValueA(h, i, valueName, &nameSize, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::string data(size, '\0');
        nameSize = sizeof valueName;
        RegEnumValueA(h, i, valueName, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
        s.values.emplace_back(std::string(valueName, nameSize), type, data.substr(0, size));
    }
    for (DWORD i = 0;; ++i) {
        char child[512];
        DWORD size = sizeof child;
        if (RegEnumKeyExA(h, i, child, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        s.children.emplace_back(child, Read(h, child));
    }
    RegCloseKey(h);
    return s;
}

void Write(HKEY parent, const std::string& name, const Snapshot& s) {
    HKEY h;
    if (RegCreateKeyExA(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return;
    for (const auto& [valueName, type, data] : s.values)
        RegSetValueExA(h, valueName.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()));
    for (const auto& [child, snapshot] : s.children) Write(h, child, snapshot);
    RegCloseKey(h);
}

std::map<std::string, Snapshot>& Baseline() {
    static std::map<std::string, Snapshot> baseline;
    if (baseline.empty()) {
        for (const char* area : kAreas) {
            std::string rest;
            HKEY root = TestMachine::RootKey(area, &rest);
            baseline[area] = Read(root, rest);
        }
    }
    return baseline;
}

bool InArea(const std::string& key) {
    for (const char* area : kAreas) {
        size_t n = std::strlen(area);
        if (_strnicmp(key.c_str(), area, n) == 0 && (key.size() == n || key[n] == '\\')) return true;
    }
    return false;
}

void RemoveFolder(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolder(child);
            else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    return DefWindowProcA(window, message, w, l);  // WM_CLOSE destroys the window
}

}  // namespace

struct TestMachine::State {
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
}

BOOL CALLBACK CloseProgramWindow(HWND window, LPARAM) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    if (_strnicmp(name, "#Zentho", 7) == 0 || _strnicmp(name, "js:TARO", 7) == 0 ||
        _strnicmp(name, "ZenthoTest", 10) == 0) {
        DWORD_PTR answer;
        SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
    }
    return TRUE;
}

TestMachine::~TestMachine() {
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
    for (const auto& [area, snapshot] : Baseline()) {
        std::string rest;
        HKEY root = RootKey(area, &rest);
        DeleteTree(area);
        if (snapshot.exists) Write(root, rest, snapshot);
    }
    for (const auto& [name, saved] : state_->savedEnv) {
        SetEnvironmentVariableA(name.c_str(), saved.first ? saved.second.c_str() : nullptr);
        _putenv((name + "=" + (saved.first ? saved.second : "")).c_str());
    }
    for (const auto& file : state_->outsideFiles) DeleteFileA(file.c_str());
    RemoveFolder(Root());
}

bool TestMachine::Simulated() { return false; }

void TestMachine::CheckWritable(const std::string& key) {
    if (!InArea(key)) ADD_FAILURE() << key << " lies outside the registry areas the fixture restores";
}
std::string TestMachine::Root() { return "C:\\zt"; }
sim::Machine* TestMachine::machine() { return nullptr; }
os::ChangeList* TestMachine::changes() { return &observe::Changes(); }
void TestMachine::SetWindowsVersion(DWORD, DWORD, DWORD) {}
std::vector<std::string> TestMachine::ProgramsStarted() const { return {}; }
void TestMachine::ListKeysInCreationOrder() {}
size_t TestMachine::RegistryCalls() const { return 0; }
DWORD TestMachine::LastError() const { return GetLastError(); }

void TestMachine::WriteFile(const std::string& path, const std::string& bytes) {
    if (_strnicmp(path.c_str(), (Root() + "\\").c_str(), Root().size() + 1) != 0) state_->outsideFiles.push_back(path);
    size_t cut = path.find_last_of('\\');
    if (cut != std::string::npos) MakeFolder(path.substr(0, cut));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << "writing " << path;
}

void TestMachine::WriteExe(const std::string& path, uint16_t major, uint16_t minor, uint16_t build, uint16_t revision) {
    // Of this process's own architecture, so that 32-bit Wine can start it too.
    auto image = pemaker::MakeVersionedPe(major, minor, build, revision,
                                          sizeof(void*) == 8 ? pemaker::Arch::kAmd64 : pemaker::Arch::kI386);
    WriteFile(path, std::string(image.begin(), image.end()));
}

void TestMachine::MakeFolder(const std::string& path) {
    for (size_t i = 3; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
}

bool TestMachine::Exists(const std::string& path) const {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void TestMachine::SetEnv(const std::string& name, const std::string& value) {
    if (!state_->savedEnv.count(name)) {
        char old[32768];
        DWORD n = GetEnvironmentVariableA(name.c_str(), old, sizeof old);
        state_->savedEnv[name] = {n > 0 && n<sizeof old, n> 0 && n < sizeof old ? std::string(old, n) : ""};
    }
    SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
    _putenv((name + "=" + value).c_str());
}

namespace {
bool RunRegedit(const std::string& arguments) {
    std::string command = "regedit.exe " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    WaitForSingleObject(pi.hProcess, 60000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}
}  // namespace

bool TestMachine::ImportReg(const std::string& fileBytes, std::string* error) {
    std::string path = Root() + "\\import.reg";
    WriteFile(path, fileBytes);
    if (!RunRegedit("/s " + path)) {
        *error = "regedit did not start";
        return false;
    }
    DeleteFileA(path.c_str());
    return true;
}

std::string TestMachine::ExportReg(const std::string& key) {
    std::string path = Root() + "\\export.reg";
    DeleteFileA(path.c_str());
    if (!RunRegedit("/e " + path + " \"" + key + "\"")) return "";
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    DeleteFileA(path.c_str());
    return bytes.str();
}

namespace {
// The folder of the test program, where the test run placed the product's programs
// and the stand-in.
std::string ProgramFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}
}  // namespace

void TestMachine::InstallProgram(const std::string& path, const Behaviour& behaviour) {
    MakeFolder(path.substr(0, path.find_last_of('\\')));
    EXPECT_TRUE(CopyFileA((ProgramFolder() + "\\zentho-standin.exe").c_str(), path.c_str(), FALSE)) << path;
    std::string text;
    for (const auto& [className, title] : behaviour.windows) text += "window=" + className + "|" + title + "\r\n";
    text += "show-after=" + std::to_string(behaviour.showAfterMs) + "\r\n";
    if (behaviour.closeAfterMs != INFINITE) text += "close-after=" + std::to_string(behaviour.closeAfterMs) + "\r\n";
    text += std::string("hung=") + (behaviour.hung ? "yes" : "no") + "\r\n";
    WriteFile(path + ".standin", text);
}

void TestMachine::InstallProductProgram(const std::string& path) {
    MakeFolder(path.substr(0, path.find_last_of('\\')));
    std::string name = path.substr(path.find_last_of('\\') + 1);
    EXPECT_TRUE(CopyFileA((ProgramFolder() + "\\" + name).c_str(), path.c_str(), FALSE)) << path;
}

HWND TestMachine::OpenWindow(const std::string& className, const std::string& title) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className.c_str();
    RegisterClassA(&wc);  // fails harmlessly when the class exists
    HWND window = CreateWindowExA(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    EXPECT_NE(window, nullptr) << "creating a window of class " << className;
    state_->windows.push_back(window);
    return window;
}
