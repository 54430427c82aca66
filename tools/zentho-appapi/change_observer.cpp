// Recording the library's changes on Windows (see change_observer.h).
#include "tools/zentho-appapi/change_observer.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace observe {
namespace {

os::ChangeList g_changes;
std::vector<std::string> g_relativePaths;
std::map<HKEY, std::string> g_keys;  // open handles and the paths they were opened by
bool g_planning = false, g_logFailures = false;
// Keys that planning would make: handles of no registry key, by the path they stand for.
std::map<HKEY, std::string> g_phantoms;
uintptr_t g_nextPhantom = 0x7E000000;

HKEY Phantom(std::string path) {
    HKEY key = reinterpret_cast<HKEY>(g_nextPhantom);
    g_nextPhantom += 4;
    g_phantoms[key] = std::move(path);
    return key;
}
bool IsPhantom(HKEY key) { return g_phantoms.count(key) != 0; }

// The real functions, taken from their DLLs: the observed module's imports may be
// this module's own, which point at the wrappers.
struct RealFunctions {
    decltype(&::RegOpenKeyExA) RegOpenKeyExA;
    decltype(&::RegCreateKeyExA) RegCreateKeyExA;
    decltype(&::RegCloseKey) RegCloseKey;
    decltype(&::RegSetValueExA) RegSetValueExA;
    decltype(&::RegDeleteValueA) RegDeleteValueA;
    decltype(&::RegDeleteKeyA) RegDeleteKeyA;
    decltype(&::RegQueryValueExA) RegQueryValueExA;
    decltype(&::RegEnumKeyExA) RegEnumKeyExA;
    decltype(&::RegQueryInfoKeyA) RegQueryInfoKeyA;
    decltype(&::CopyFileA) CopyFileA;
    decltype(&::DeleteFileA) DeleteFileA;
    decltype(&::CreateDirectoryA) CreateDirectoryA;
    decltype(&::ShellExecuteA) ShellExecuteA;
    decltype(&::SendMessageTimeoutA) SendMessageTimeoutA;
} g_real;

template <typename F>
bool Load(F* slot, const char* module, const char* name) {
    HMODULE library = LoadLibraryA(module);
    *slot = library ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
    return *slot != nullptr;
}

bool LoadRealFunctions() {
    return Load(&g_real.RegOpenKeyExA, "advapi32.dll", "RegOpenKeyExA") &&
           Load(&g_real.RegCreateKeyExA, "advapi32.dll", "RegCreateKeyExA") &&
           Load(&g_real.RegCloseKey, "advapi32.dll", "RegCloseKey") &&
           Load(&g_real.RegSetValueExA, "advapi32.dll", "RegSetValueExA") &&
           Load(&g_real.RegDeleteValueA, "advapi32.dll", "RegDeleteValueA") &&
           Load(&g_real.RegDeleteKeyA, "advapi32.dll", "RegDeleteKeyA") &&
           Load(&g_real.RegQueryValueExA, "advapi32.dll", "RegQueryValueExA") &&
           Load(&g_real.RegEnumKeyExA, "advapi32.dll", "RegEnumKeyExA") &&
           Load(&g_real.RegQueryInfoKeyA, "advapi32.dll", "RegQueryInfoKeyA") &&
           Load(&g_real.CopyFileA, "kernel32.dll", "CopyFileA") &&
           Load(&g_real.DeleteFileA, "kernel32.dll", "DeleteFileA") &&
           Load(&g_real.CreateDirectoryA, "kernel32.dll", "CreateDirectoryA") &&
           Load(&g_real.ShellExecuteA, "shell32.dll", "ShellExecuteA") &&
           Load(&g_real.SendMessageTimeoutA, "user32.dll", "SendMessageTimeoutA");
}

void Record(os::Change::Kind kind, std::string path, std::string name = {}, std::string detail = {},
            std::string failed = {}) {
    if (!failed.empty() && !g_logFailures) return;
    os::Change change;
    change.kind = kind;
    change.path = std::move(path);
    change.name = std::move(name);
    change.detail = std::move(detail);
    change.failed = std::move(failed);
    g_changes.push_back(std::move(change));
}

std::string KeyPath(HKEY key) {
    if (key == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
    if (key == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    if (key == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    if (key == HKEY_USERS) return "HKEY_USERS";
    auto phantom = g_phantoms.find(key);
    if (phantom != g_phantoms.end()) return phantom->second;
    auto it = g_keys.find(key);
    return it == g_keys.end() ? "?" : it->second;
}

DWORD Attributes(LPCSTR path) { return path ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES; }
bool IsFile(LPCSTR path) {
    DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The parts of a key path, split at backslashes that are no second bytes, empty
// parts dropped: as the registry itself reads the path.
std::vector<std::string> Parts(const char* subKey) {
    std::vector<std::string> parts;
    std::string part;
    for (const char* p = subKey ? subKey : ""; *p; ++p) {
        if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1]) {
            part += *p++;
            part += *p;
        } else if (*p == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += *p;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

std::string Join(std::string base, const std::vector<std::string>& parts, size_t count) {
    for (size_t i = 0; i < count; ++i) base += "\\" + parts[i];
    return base;
}

LONG WINAPI OpenKey(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
    if (IsPhantom(key)) {  // nothing exists below a key that planning would make
        if (!Parts(subKey).empty()) return ERROR_FILE_NOT_FOUND;
        *result = Phantom(KeyPath(key));
        return ERROR_SUCCESS;
    }
    LONG r = g_real.RegOpenKeyExA(key, subKey, options, access, result);
    if (r == ERROR_SUCCESS) {
        auto parts = Parts(subKey);
        g_keys[*result] = Join(KeyPath(key), parts, parts.size());
    }
    return r;
}

LONG WINAPI CreateKey(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                      LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition) {
    // Which levels are missing before the call: those the call creates.
    auto parts = Parts(subKey);
    std::vector<bool> existed(parts.size(), true);
    for (size_t i = 0; i < parts.size(); ++i) {
        HKEY probe;
        existed[i] = !IsPhantom(key) && g_real.RegOpenKeyExA(key, Join("", parts, i + 1).substr(1).c_str(), 0, KEY_READ,
                                                              &probe) == ERROR_SUCCESS;
        if (existed[i]) g_real.RegCloseKey(probe);
    }
    if (g_planning && (IsPhantom(key) || (!parts.empty() && !existed.back()))) {
        const std::string base = KeyPath(key);
        for (size_t i = 0; i < parts.size(); ++i)
            if (!existed[i]) Record(os::Change::kKeyCreated, Join(base, parts, i + 1));
        if (disposition) *disposition = REG_CREATED_NEW_KEY;
        *result = Phantom(Join(base, parts, parts.size()));
        return ERROR_SUCCESS;
    }
    LONG r = g_real.RegCreateKeyExA(key, subKey, reserved, keyClass, options, access, security, result, disposition);
    if (r == ERROR_SUCCESS) {
        std::string base = KeyPath(key);
        for (size_t i = 0; i < parts.size(); ++i)
            if (!existed[i]) Record(os::Change::kKeyCreated, Join(base, parts, i + 1));
        g_keys[*result] = Join(base, parts, parts.size());
    }
    return r;
}

LONG WINAPI CloseKey(HKEY key) {
    if (g_phantoms.erase(key)) return ERROR_SUCCESS;
    LONG r = g_real.RegCloseKey(key);
    if (r == ERROR_SUCCESS) g_keys.erase(key);
    return r;
}

LONG WINAPI SetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
    // Windows counts the NUL that a caller forgot to count when one follows the data.
    if (g_planning && data && size && (type == REG_SZ || type == REG_EXPAND_SZ) && data[size - 1] && !data[size])
        ++size;
    LONG r = g_planning ? ERROR_SUCCESS : g_real.RegSetValueExA(key, name, reserved, type, data, size);
    if (r == ERROR_SUCCESS) {
        os::Change change;
        change.kind = os::Change::kValueSet;
        change.path = KeyPath(key);
        change.name = name ? name : "";
        change.type = type;
        change.data.assign(reinterpret_cast<const char*>(data), data ? size : 0);
        g_changes.push_back(std::move(change));
    }
    return r;
}

LONG WINAPI DeleteValue(HKEY key, LPCSTR name) {
    LONG r = IsPhantom(key) ? ERROR_FILE_NOT_FOUND
             : g_planning   ? g_real.RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr)
                            : g_real.RegDeleteValueA(key, name);
    if (r == ERROR_SUCCESS) Record(os::Change::kValueDeleted, KeyPath(key), name ? name : "");
    return r;
}

LONG WINAPI DeleteKey(HKEY key, LPCSTR subKey) {
    auto parts = Parts(subKey);
    std::string path = Join(KeyPath(key), parts, parts.size());
    LONG r = ERROR_FILE_NOT_FOUND;
    if (IsPhantom(key)) {
    } else if (g_planning) {  // the subkeys it took first are still there: only whether it exists counts
        HKEY probe;
        if ((r = g_real.RegOpenKeyExA(key, subKey, 0, KEY_READ, &probe)) == ERROR_SUCCESS) g_real.RegCloseKey(probe);
    } else {
        r = g_real.RegDeleteKeyA(key, subKey);
    }
    if (r == ERROR_SUCCESS) Record(os::Change::kKeyDeleted, path);
    return r;
}

LONG WINAPI QueryValue(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
    return IsPhantom(key) ? ERROR_FILE_NOT_FOUND : g_real.RegQueryValueExA(key, name, reserved, type, data, size);
}

LONG WINAPI EnumKey(HKEY key, DWORD index, LPSTR name, LPDWORD size, LPDWORD reserved, LPSTR keyClass,
                    LPDWORD classSize, PFILETIME lastWrite) {
    return IsPhantom(key) ? ERROR_NO_MORE_ITEMS
                          : g_real.RegEnumKeyExA(key, index, name, size, reserved, keyClass, classSize, lastWrite);
}

LONG WINAPI QueryInfo(HKEY key, LPSTR keyClass, LPDWORD classSize, LPDWORD reserved, LPDWORD subKeys,
                      LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen,
                      LPDWORD maxValueLen, LPDWORD securityDescriptor, PFILETIME lastWrite) {
    if (!IsPhantom(key))
        return g_real.RegQueryInfoKeyA(key, keyClass, classSize, reserved, subKeys, maxSubKeyLen, maxClassLen, values,
                                       maxValueNameLen, maxValueLen, securityDescriptor, lastWrite);
    for (LPDWORD count : {subKeys, maxSubKeyLen, values, maxValueNameLen, maxValueLen})
        if (count) *count = 0;
    return ERROR_SUCCESS;
}

void CheckAbsolute(const char* operation, LPCSTR path) {
    const bool drive = path && IsCharAlphaA(path[0]) && path[1] == ':' && path[2] == '\\';
    const bool share = path && path[0] == '\\' && path[1] == '\\';
    if (!drive && !share) g_relativePaths.push_back(std::string(operation) + " " + (path ? path : "(null)"));
}

BOOL WINAPI Copy(LPCSTR from, LPCSTR to, BOOL failIfExists) {
    CheckAbsolute("copy from", from);
    CheckAbsolute("copy to", to);
    DWORD error = 0;
    if (!g_planning)
        error = g_real.CopyFileA(from, to, failIfExists) ? 0 : GetLastError();
    else if (!IsFile(from))
        error = ERROR_FILE_NOT_FOUND;
    else if (failIfExists && Attributes(to) != INVALID_FILE_ATTRIBUTES)
        error = ERROR_FILE_EXISTS;
    if (!error) {
        Record(os::Change::kFileCopied, to, {}, from);
        return TRUE;
    }
    Record(os::Change::kFileCopied, to, {}, from,
           error == ERROR_FILE_EXISTS ? "the target exists"
           : IsFile(from)             ? "error " + std::to_string(error)
                                      : "source missing");
    SetLastError(error);
    return FALSE;
}

BOOL WINAPI Delete(LPCSTR path) {
    CheckAbsolute("delete", path);
    DWORD error = 0;
    if (!g_planning)
        error = g_real.DeleteFileA(path) ? 0 : GetLastError();
    else if (!IsFile(path))
        error = ERROR_FILE_NOT_FOUND;
    if (!error) {
        Record(os::Change::kFileDeleted, path);
        return TRUE;
    }
    Record(os::Change::kFileDeleted, path ? path : "", {}, {},
           error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? "nothing there"
                                                                          : "error " + std::to_string(error));
    SetLastError(error);
    return FALSE;
}

BOOL WINAPI MakeFolder(LPCSTR path, LPSECURITY_ATTRIBUTES security) {
    CheckAbsolute("create folder", path);
    if (g_planning && Attributes(path) != INVALID_FILE_ATTRIBUTES) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    BOOL ok = g_planning || g_real.CreateDirectoryA(path, security);
    if (ok) Record(os::Change::kFolderCreated, path);
    return ok;
}

HINSTANCE WINAPI Start(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR folder, INT show) {
    const bool exists = file && Attributes(file) != INVALID_FILE_ATTRIBUTES;
    HINSTANCE r = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(ERROR_FILE_NOT_FOUND));
    if (!g_planning || !exists) r = g_real.ShellExecuteA(owner, verb, file, parameters, folder, show);
    if (reinterpret_cast<uintptr_t>(r) > 32 || (g_planning && exists))  // planning starts nothing: nothing waits
        Record(os::Change::kProgramStarted, file, {}, parameters ? parameters : "");
    else
        Record(os::Change::kProgramStarted, file ? file : "", {}, parameters ? parameters : "", "no such program");
    return r;
}

LRESULT WINAPI Send(HWND window, UINT message, WPARAM w, LPARAM l, UINT flags, UINT timeout, PDWORD_PTR result) {
    if (message == WM_CLOSE && IsWindow(window)) {
        char className[1024] = {}, title[1024] = {};
        GetClassNameA(window, className, sizeof className);
        GetWindowTextA(window, title, sizeof title);
        Record(os::Change::kMessageSent, className, title, "WM_CLOSE");
        if (g_planning) {  // the window stays open
            if (result) *result = 0;
            return 1;
        }
    }
    return g_real.SendMessageTimeoutA(window, message, w, l, flags, timeout, result);
}

const struct {
    const char* name;
    void* wrapper;
} kWrappers[] = {
    {"RegOpenKeyExA", reinterpret_cast<void*>(&OpenKey)},
    {"RegCreateKeyExA", reinterpret_cast<void*>(&CreateKey)},
    {"RegCloseKey", reinterpret_cast<void*>(&CloseKey)},
    {"RegSetValueExA", reinterpret_cast<void*>(&SetValue)},
    {"RegDeleteValueA", reinterpret_cast<void*>(&DeleteValue)},
    {"RegDeleteKeyA", reinterpret_cast<void*>(&DeleteKey)},
    {"RegQueryValueExA", reinterpret_cast<void*>(&QueryValue)},
    {"RegEnumKeyExA", reinterpret_cast<void*>(&EnumKey)},
    {"RegQueryInfoKeyA", reinterpret_cast<void*>(&QueryInfo)},
    {"CopyFileA", reinterpret_cast<void*>(&Copy)},
    {"DeleteFileA", reinterpret_cast<void*>(&Delete)},
    {"CreateDirectoryA", reinterpret_cast<void*>(&MakeFolder)},
    {"ShellExecuteA", reinterpret_cast<void*>(&Start)},
    {"SendMessageTimeoutA", reinterpret_cast<void*>(&Send)},
};

}  // namespace

bool Attach(HMODULE module, std::string* error) {
    if (!g_real.RegOpenKeyExA && !LoadRealFunctions()) {
        *error = "cannot find the Windows functions to observe";
        return false;
    }
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || nt->Signature != IMAGE_NT_SIGNATURE || !imports.VirtualAddress) {
        *error = "cannot read the import table to observe";
        return false;
    }
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); module->Name;
         ++module) {
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(
            base + (module->OriginalFirstThunk ? module->OriginalFirstThunk : module->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            for (const auto& w : kWrappers) {
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), w.name) != 0) continue;
                DWORD old;
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(w.wrapper);
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            }
        }
    }
    return true;
}

os::ChangeList& Changes() { return g_changes; }
std::vector<std::string>& RelativePaths() { return g_relativePaths; }
void SetPlanning(bool planning) { g_planning = planning; }
void LogFailures(bool log) { g_logFailures = log; }

}  // namespace observe
