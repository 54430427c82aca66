// The machine a test runs on, built through one interface that both backends
// implement, and put back afterwards.
//
// Native build: a fresh simulated machine for each test, its C: drive on a new host
// folder. Windows build (under Wine): the real registry and C: drive; the registry
// areas that the library and the tests touch, the test folder and the environment
// variables a test set are restored when the test ends.
//
// Key paths begin with a root name: HKEY_LOCAL_MACHINE\Software\...
// File paths are Windows paths; Root() is an empty folder owned by the test.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tools/winsim/changes/changes.h"
#include "port/os.h"

namespace sim {
class Machine;
}

// Where a test called a helper, taken by default at the call: a helper that cannot do
// what it was asked fails the test at the caller's line (Wine's ok_(file, line)).
struct Where {
    Where(const char* file = __builtin_FILE(), int line = __builtin_LINE()) : file(file), line(line) {}
    const char* file;
    int line;
};

class TestMachine {
public:
    TestMachine();
    ~TestMachine();
    TestMachine(const TestMachine&) = delete;
    TestMachine& operator=(const TestMachine&) = delete;

    static bool Simulated();
    static std::string Root() { return "C:\\zt"; }

    // Registry.
    void SetString(const std::string& key, const std::string& name, const std::string& text, DWORD type = REG_SZ,
                   Where where = Where());
    void SetDword(const std::string& key, const std::string& name, DWORD value, Where where = Where());
    void SetRaw(const std::string& key, const std::string& name, DWORD type, const std::string& bytes,
                Where where = Where());
    void CreateKey(const std::string& key, Where where = Where());
    void DeleteTree(const std::string& key);
    bool KeyExists(const std::string& key) const;
    bool GetValue(const std::string& key, const std::string& name, DWORD* type, std::string* data) const;
    std::vector<std::string> Subkeys(const std::string& key) const;  // in enumeration order

    // Files.
    void WriteFile(const std::string& path, const std::string& bytes, Where where = Where());
    void WriteExe(const std::string& path, uint16_t major, uint16_t minor, uint16_t build = 0, uint16_t revision = 0,
                  Where where = Where());
    void MakeFolder(const std::string& path, Where where = Where());
    bool Exists(const std::string& path) const;
    std::string ShortPath(const std::string& path) const;  // GetShortPathName's answer; "" for none
    // Every file below folder: its full path (lower case) and its bytes.
    std::map<std::string, std::string> Files(const std::string& folder) const;
    // The user's application-data folder, and the current folder; both put back after.
    void SetAppDataFolder(const std::string& path);
    void SetCurrentFolder(const std::string& path);

    // Environment variables, for both the system's and the C runtime's copy.
    void SetEnv(const std::string& name, const std::string& value);

    // Registry files, through regedit on Windows and the simulation's reader natively.
    bool ImportReg(const std::string& fileBytes, std::string* error);
    std::string ExportReg(const std::string& key);  // "Windows Registry Editor Version 5.00" bytes

    // Top-level windows owned by the test: they close on WM_CLOSE. Natively a window
    // may be given a program that owns it, as one the user started.
    HWND OpenWindow(const std::string& className, const std::string& title, const std::string& owner = "",
                    Where where = Where());

    // A program at path that behaves so when started: natively the simulation's
    // program behaviour, under Wine the stand-in program (or, for the product's own
    // background programs, the real one, which opens its own windows).
    struct Behaviour {
        std::vector<std::pair<std::string, std::string>> windows;  // class, title
        DWORD showAfterMs = 0;
        DWORD closeAfterMs = INFINITE;
        bool hung = false;
    };
    void InstallProgram(const std::string& path, const Behaviour& behaviour, Where where = Where());
    // ZenthoNSTrans.exe, ZenthoMailTransToolBar.exe
    void InstallProductProgram(const std::string& path, Where where = Where());
    // Waits (simulated time natively) until a window of the class is open (or closed);
    // false after the bound.
    bool WaitForWindow(const std::string& className, bool open, DWORD boundMs = 10000);

    // The calling thread's last error, as the port's functions left it.
    DWORD LastError() const;

    // Simulation only (null or no effect on Windows), but for changes(), which Windows
    // records too: what the port's functions changed (programs started included), the
    // Windows version, the order of subkeys.
    os::ChangeList* changes();
    void SetWindowsVersion(DWORD platform, DWORD major, DWORD minor);
    // Whether the machine is of the Windows 95 family, whose registry has no security,
    // deletes keys with their subkeys and measures REG_SZ texts itself: natively as
    // SetWindowsVersion made it, under Wine the Windows the run reports.
    bool Windows9x() const;
    void ListKeysInCreationOrder();  // as Windows 9x does
    sim::Machine* machine();          // the machine itself, for faults and the desktop's queue

    static HKEY RootKey(const std::string& key, std::string* rest);
    // Fails the test when it would write a registry key that the fixture cannot put back.
    static void CheckWritable(const std::string& key);

private:
    struct State;
    std::unique_ptr<State> state_;
};
