// The port's registry functions (advapi32) over the current simulated machine. The
// registry of the Windows 95 family differs from NT's in three ways that a caller
// sees: it has no security (every handle may do everything), RegDeleteKeyA takes a
// key with all its subkeys, and RegSetValueExA measures a REG_SZ text itself.
#include <cstring>
#include <string>

#include "port/os.h"
#include "tools/winsim/core/machine.h"

namespace os {
namespace {

sim::Registry* Reg() {
    sim::Machine* machine = sim::Machine::Current();
    return machine ? &machine->registry() : nullptr;
}

bool Windows9x() {
    sim::Machine* machine = sim::Machine::Current();
    return machine && machine->settings().platform == VER_PLATFORM_WIN32_WINDOWS;
}

REGSAM Granted(REGSAM access) { return Windows9x() ? KEY_ALL_ACCESS : access; }

// The 95 family's deletion: the deepest first subkey goes first, one at a time, until
// the key itself has none (no recursion: a registry may be deep).
LONG DeleteWithSubkeys(sim::Registry* reg, HKEY key, const std::string& path) {
    for (;;) {
        std::string leaf = path;
        for (;;) {
            HKEY open = nullptr;
            if (LONG error = reg->Open(key, leaf.c_str(), KEY_ALL_ACCESS, &open)) return error;
            char name[MAX_PATH];
            DWORD size = sizeof name;
            const LONG found = reg->EnumKey(open, 0, name, &size);
            reg->Close(open);
            if (found != ERROR_SUCCESS) break;
            leaf += std::string("\\") + name;
        }
        if (leaf == path) return reg->DeleteKey(key, path.c_str());
        if (LONG error = reg->DeleteKey(key, leaf.c_str())) return error;
    }
}

}  // namespace

LONG RegCloseKey(HKEY key) {
    sim::PortCall port;
    auto* reg = Reg();
    return reg ? reg->Close(key) : ERROR_INVALID_HANDLE;
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR, DWORD, REGSAM access, LPSECURITY_ATTRIBUTES,
                     PHKEY result, LPDWORD disposition) {
    sim::PortCall port;
    auto* reg = Reg();
    if (!reg) return ERROR_INVALID_HANDLE;
    if (reserved) return ERROR_INVALID_PARAMETER;
    return reg->Create(key, subKey, Granted(access), result, disposition);
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    sim::PortCall port;
    auto* reg = Reg();
    if (!reg) return ERROR_INVALID_HANDLE;
    if (Windows9x() && subKey && *subKey) return DeleteWithSubkeys(reg, key, subKey);
    return reg->DeleteKey(key, subKey);
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName) {
    sim::PortCall port;
    auto* reg = Reg();
    return reg ? reg->DeleteValue(key, valueName) : ERROR_INVALID_HANDLE;
}

LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPSTR keyClass, LPDWORD classSize,
                   PFILETIME lastWrite) {
    sim::PortCall port;
    auto* reg = Reg();
    if (!reg) return ERROR_INVALID_HANDLE;
    LONG result = reg->EnumKey(key, index, name, nameSize);
    if (result == ERROR_SUCCESS) {
        if (keyClass && classSize && *classSize) keyClass[0] = 0;
        if (classSize) *classSize = 0;
        if (lastWrite) *lastWrite = FILETIME{0, 0};
    }
    return result;
}

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result) {
    sim::PortCall port;
    auto* reg = Reg();
    return reg ? reg->Open(key, subKey, Granted(access), result) : ERROR_INVALID_HANDLE;
}

LONG RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classSize, LPDWORD, LPDWORD subKeys, LPDWORD maxSubKeyLen,
                      LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen, LPDWORD maxValueLen,
                      LPDWORD securityDescriptor, PFILETIME lastWrite) {
    sim::PortCall port;
    auto* reg = Reg();
    if (!reg) return ERROR_INVALID_HANDLE;
    LONG result = reg->QueryInfo(key, subKeys, maxSubKeyLen, values, maxValueNameLen, maxValueLen);
    if (result == ERROR_SUCCESS) {
        if (keyClass && classSize && *classSize) keyClass[0] = 0;
        if (classSize) *classSize = 0;
        if (maxClassLen) *maxClassLen = 0;
        if (securityDescriptor) *securityDescriptor = 0;
        if (lastWrite) *lastWrite = FILETIME{0, 0};
    }
    return result;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    sim::PortCall port;
    auto* reg = Reg();
    if (!reg) return ERROR_INVALID_HANDLE;
    if (reserved) return ERROR_INVALID_PARAMETER;
    return reg->QueryValue(key, valueName, type, data, dataSize);
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize) {
    sim::PortCall port;
    auto* reg = Reg();
    if (!reg) return ERROR_INVALID_HANDLE;
    if (reserved) return ERROR_INVALID_PARAMETER;
    if (Windows9x() && type == REG_SZ) {
        if (!data) return ERROR_INVALID_PARAMETER;
        dataSize = static_cast<DWORD>(std::strlen(reinterpret_cast<const char*>(data)) + 1);  // whatever was given
    }
    return reg->SetValue(key, valueName, type, data, dataSize);
}

}  // namespace os
