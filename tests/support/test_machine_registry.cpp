// What the fixture does the same way on both backends, written once over the port's
// functions: the registry helpers, executables, and waiting for windows.
#include <gtest/gtest.h>

#include "pe-maker/pe_writer.h"
#include "test_machine.h"

bool TestMachine::Windows9x() const {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return os::GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

HKEY TestMachine::RootKey(const std::string& key, std::string* rest) {
    const size_t cut = key.find('\\');
    const std::string root = key.substr(0, cut);
    *rest = cut == std::string::npos ? "" : key.substr(cut + 1);
    const std::pair<const char*, HKEY> roots[] = {{"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                                                  {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                                                  {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                                                  {"HKEY_USERS", HKEY_USERS}};
    for (const auto& [name, handle] : roots)
        if (root == name) return handle;
    ADD_FAILURE() << "not a registry key path: " << key;
    return nullptr;
}

namespace {

HKEY OpenPath(const std::string& key, REGSAM access, bool create = false, Where where = Where()) {
    std::string rest;
    HKEY root = TestMachine::RootKey(key, &rest), h = nullptr;
    if (!create) return os::RegOpenKeyExA(root, rest.c_str(), 0, access, &h) == ERROR_SUCCESS ? h : nullptr;
    TestMachine::CheckWritable(key);
    LONG r = os::RegCreateKeyExA(root, rest.c_str(), 0, nullptr, 0, access, nullptr, &h, nullptr);
    if (r != ERROR_SUCCESS) ADD_FAILURE_AT(where.file, where.line) << "creating " << key << ": error " << r;
    return r == ERROR_SUCCESS ? h : nullptr;
}

void DeleteBelow(HKEY parent, const std::string& name) {
    HKEY h = nullptr;
    if (os::RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS) return;
    char child[512];
    for (DWORD size = sizeof child; os::RegEnumKeyExA(h, 0, child, &size, nullptr, nullptr, nullptr, nullptr) == 0;
         size = sizeof child)
        DeleteBelow(h, child);
    os::RegCloseKey(h);
    os::RegDeleteKeyA(parent, name.c_str());
}

}  // namespace

void TestMachine::SetRaw(const std::string& key, const std::string& name, DWORD type, const std::string& bytes,
                         Where where) {
    // Exactly these bytes: Windows counts a NUL that follows a string the caller did
    // not count, so a non-zero byte stands after them.
    const std::string guarded = bytes + '\xFF';
    if (HKEY h = OpenPath(key, KEY_ALL_ACCESS, true, where)) {
        const LONG r = os::RegSetValueExA(h, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(guarded.data()),
                                          static_cast<DWORD>(bytes.size()));
        if (r != ERROR_SUCCESS) ADD_FAILURE_AT(where.file, where.line) << "setting " << key << " " << name << ": " << r;
        os::RegCloseKey(h);
    }
}

void TestMachine::SetString(const std::string& key, const std::string& name, const std::string& text, DWORD type,
                            Where where) {
    SetRaw(key, name, type, text + '\0', where);
}

void TestMachine::SetDword(const std::string& key, const std::string& name, DWORD value, Where where) {
    SetRaw(key, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4), where);
}

void TestMachine::CreateKey(const std::string& key, Where where) {
    if (HKEY h = OpenPath(key, KEY_ALL_ACCESS, true, where)) os::RegCloseKey(h);
}

void TestMachine::DeleteTree(const std::string& key) {
    const size_t cut = key.rfind('\\');
    if (HKEY parent = OpenPath(key.substr(0, cut), KEY_ALL_ACCESS)) {
        DeleteBelow(parent, key.substr(cut + 1));
        os::RegCloseKey(parent);
    }
}

bool TestMachine::KeyExists(const std::string& key) const {
    HKEY h = OpenPath(key, KEY_READ);
    if (h) os::RegCloseKey(h);
    return h != nullptr;
}

bool TestMachine::GetValue(const std::string& key, const std::string& name, DWORD* type, std::string* data) const {
    HKEY h = OpenPath(key, KEY_READ);
    if (!h) return false;
    DWORD size = 0;
    bool ok = os::RegQueryValueExA(h, name.c_str(), nullptr, type, nullptr, &size) == ERROR_SUCCESS;
    if (ok) {
        data->assign(size, '\0');
        ok = os::RegQueryValueExA(h, name.c_str(), nullptr, type, reinterpret_cast<BYTE*>(&(*data)[0]), &size) == 0;
        data->resize(size);
    }
    os::RegCloseKey(h);
    return ok;
}

std::vector<std::string> TestMachine::Subkeys(const std::string& key) const {
    std::vector<std::string> names;
    HKEY h = OpenPath(key, KEY_READ);
    if (!h) return names;
    char name[512];
    for (DWORD i = 0, size = sizeof name; os::RegEnumKeyExA(h, i, name, &size, nullptr, nullptr, nullptr, nullptr) == 0;
         ++i, size = sizeof name)
        names.emplace_back(name, size);
    os::RegCloseKey(h);
    return names;
}

void TestMachine::WriteExe(const std::string& path, uint16_t major, uint16_t minor, uint16_t build, uint16_t revision,
                           Where where) {
    // Of this process's own architecture, so that 32-bit Wine can start it too.
    auto image = pemaker::MakeVersionedPe(major, minor, build, revision,
                                          sizeof(void*) == 8 ? pemaker::Arch::kAmd64 : pemaker::Arch::kI386);
    WriteFile(path, std::string(image.begin(), image.end()), where);
}

bool TestMachine::WaitForWindow(const std::string& className, bool open, DWORD boundMs) {
    const DWORD start = os::GetTickCount();
    while ((os::FindWindowA(className.c_str(), nullptr) != nullptr) != open) {
        if (os::GetTickCount() - start >= boundMs) return false;
        os::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (os::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) os::DispatchMessageA(&msg);
    }
    return true;
}
