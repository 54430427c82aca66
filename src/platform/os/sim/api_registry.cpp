// The port's registry functions (advapi32) over the current simulated machine.
#include <cstring>

#include "platform/os/os.h"
#include "platform/os/sim/machine.h"

namespace os {
namespace {

sim::Registry* Reg() {
    sim::Machine* machine = sim::Machine::Current();
    return machine ? &machine->registry() : nullptr;
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
    return reg->Create(key, subKey, access, result, disposition);
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    sim::PortCall port;
    auto* reg = Reg();
    return reg ? reg->DeleteKey(key, subKey) : ERROR_INVALID_HANDLE;
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
    return reg ? reg->Open(key, subKey, access, result) : ERROR_INVALID_HANDLE;
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
    return reg->SetValue(key, valueName, type, data, dataSize);
}

}  // namespace os
