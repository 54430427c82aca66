// RegistryKey, KeyNameList and ExpandEnvironment (see registry_key.h).
#include "platform/registry_key.h"

#include <cstring>
#include <vector>

#include "platform/heap_string.h"

namespace platform {
namespace {

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }
bool IsEmpty(const char* text) { return !text || !*text; }

}  // namespace

KeyNameList::~KeyNameList() { RegistryKey::FreeKeyNames(this); }

void RegistryKey::FreeKeyNames(KeyNameList* list) {
    for (char* name : list->names_) os::LocalFree(name);
    list->names_.clear();
}

RegistryKey::RegistryKey(HKEY root, const char* path, REGSAM access, bool createIfMissing) {
    if (!Open(root, path, access) && createIfMissing) Create(root, path, kAllAccess);
}

int RegistryKey::Open(HKEY root, const char* path, REGSAM access) {
    if (IsEmpty(path) || handle_) return 0;
    HKEY key = nullptr;
    if (os::RegOpenKeyExA(root, path, 0, access, &key) != ERROR_SUCCESS) return 0;
    handle_ = key;
    return 1;
}

int RegistryKey::Create(HKEY root, const char* path, REGSAM access) {
    if (IsEmpty(path) || handle_) return 0;
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (os::RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, &disposition) !=
        ERROR_SUCCESS)
        return 0;
    handle_ = key;
    return 1;
}

int RegistryKey::Close() {
    if (!handle_) return 1;
    if (os::RegCloseKey(handle_) != ERROR_SUCCESS) return 0;
    handle_ = nullptr;
    return 1;
}

int RegistryKey::QueryValueSize(const char* name, DWORD* size) {
    if (!size || !handle_) return 0;
    return os::RegQueryValueExA(handle_, name, nullptr, nullptr, nullptr, size) == ERROR_SUCCESS;
}

int RegistryKey::HasValue(const char* name, bool* exists) {
    if (!exists || !handle_) return 0;
    DWORD size = 0;
    const LONG result = os::RegQueryValueExA(handle_, name, nullptr, nullptr, nullptr, &size);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return 0;
    *exists = result == ERROR_SUCCESS;
    return 1;
}

int RegistryKey::QueryString(const char* name, char* buffer, DWORD* size, DWORD* type) {
    if (!buffer || !size || *size == 0 || !handle_) return 0;
    const DWORD capacity = *size;
    DWORD stored = REG_NONE;
    if (os::RegQueryValueExA(handle_, name, nullptr, &stored, reinterpret_cast<BYTE*>(buffer), size) != ERROR_SUCCESS ||
        !IsText(stored))
        return 0;
    // A text stored without its NUL must end inside the buffer, never in the bytes
    // that follow it: with no room left for the NUL it does not fit.
    if (*size == 0) {
        buffer[0] = 0;
    } else if (buffer[*size - 1] != 0) {
        if (*size >= capacity) {
            *size = capacity + 1;
            return 0;
        }
        buffer[*size] = 0;
    }
    if (type) *type = stored;
    return 1;
}

int RegistryKey::ReadString(const char* name, char* buffer, DWORD* size, const char* defaultText, DWORD* type) {
    if (!buffer || !size || *size == 0 || !handle_) return 0;
    const DWORD capacity = *size;
    const DWORD requested = type ? *type : REG_NONE;
    DWORD stored = REG_NONE;
    if (QueryString(name, buffer, size, &stored)) {
        if (type) *type = stored;
        if (requested == REG_EXPAND_SZ && stored == REG_EXPAND_SZ) {
            HeapString expanded(ExpandEnvironment(buffer));
            if (!expanded) return 0;
            *size = static_cast<DWORD>(std::strlen(expanded.get()) + 1);
            if (*size > capacity) return 0;  // the buffer keeps the unexpanded text
            std::memcpy(buffer, expanded.get(), *size);
        }
        return 1;
    }
    if (*size > capacity) return 0;  // the value exists but does not fit: nothing is written
    if (!defaultText) return 0;
    *size = static_cast<DWORD>(std::strlen(defaultText) + 1);
    if (*size > capacity) return 0;
    if (!WriteString(name, defaultText)) return 0;
    std::memcpy(buffer, defaultText, *size);
    if (type) *type = REG_SZ;
    return 1;
}

int RegistryKey::ReadStringAlloc(const char* name, char** out, const char* defaultText, DWORD* type) {
    if (!out || !handle_) return 0;
    DWORD size = 0;
    if (QueryValueSize(name, &size)) {
        // One byte more than stored, for the NUL of a text stored without one.
        DWORD capacity = size + 1;
        HeapString block(static_cast<char*>(os::malloc(capacity)));
        *out = nullptr;
        if (!block) return 0;
        const DWORD requested = type ? *type : REG_NONE;
        if (type) *type = REG_NONE;
        if (!ReadString(name, block.get(), &capacity, nullptr, type)) return 0;  // a number fails here
        if (requested == REG_EXPAND_SZ && *type == REG_EXPAND_SZ) {
            *out = ExpandEnvironment(block.get());
            return *out != nullptr;
        }
        *out = block.release();
        return 1;
    }
    if (!defaultText) return 0;  // *out is not touched
    HeapString copy(DuplicateString(defaultText));
    *out = nullptr;
    if (!copy || !WriteString(name, defaultText)) return 0;
    if (type) *type = REG_SZ;
    *out = copy.release();
    return 1;
}

int RegistryKey::ReadDword(const char* name, DWORD* value) {
    if (!value || !handle_) return 0;
    DWORD read = 0, size = sizeof read, stored = REG_NONE;
    if (os::RegQueryValueExA(handle_, name, nullptr, &stored, reinterpret_cast<BYTE*>(&read), &size) != ERROR_SUCCESS ||
        stored != REG_DWORD)
        return 0;
    *value = read;
    return 1;
}

int RegistryKey::WriteString(const char* name, const char* text) {
    if (!handle_ || !text) return 0;
    return os::RegSetValueExA(handle_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                              static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

int RegistryKey::WriteDword(const char* name, DWORD value) {
    if (!handle_) return 0;
    return os::RegSetValueExA(handle_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

int RegistryKey::CopyValue(const char* from, const char* to) {
    if (!handle_ || !from || !to) return 0;
    // The size is asked first; a value that grows between the two reads is not copied.
    DWORD type = REG_NONE, size = 0;
    if (os::RegQueryValueExA(handle_, from, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return 0;
    std::vector<BYTE> data(size ? size : 1);
    if (os::RegQueryValueExA(handle_, from, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return 0;
    return os::RegSetValueExA(handle_, to, 0, type, data.data(), size) == ERROR_SUCCESS;
}

int RegistryKey::DeleteValue(const char* name) {
    if (!handle_ || IsEmpty(name)) return 0;
    return os::RegDeleteValueA(handle_, name) == ERROR_SUCCESS;
}

int RegistryKey::DeleteSubkeyTree(const char* name) {
    if (!handle_ || IsEmpty(name)) return 0;
    int emptied;
    {
        RegistryKey subkey(handle_, name, kAllAccess, true);
        emptied = subkey.DeleteAllSubkeys();
    }
    if (!emptied) return 0;
    return os::RegDeleteKeyA(handle_, name) == ERROR_SUCCESS;
}

int RegistryKey::DeleteAllSubkeys() {
    if (!handle_) return 0;
    // All names first: nothing is deleted while the registry is being enumerated.
    KeyNameList names;
    if (!EnumSubkeys(&names)) return 0;
    for (const char* name : names)
        if (!DeleteSubkeyTree(name)) return 0;
    return 1;
}

int RegistryKey::EnumSubkeys(KeyNameList* list) {
    if (!list) return 0;
    FreeKeyNames(list);
    if (!handle_) return 0;
    DWORD count = 0, longest = 0;
    if (os::RegQueryInfoKeyA(handle_, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    // The longest name is counted in characters; two bytes each covers double-byte names.
    const DWORD bufferSize = longest * 2 + 2;
    HeapString buffer(static_cast<char*>(os::malloc(bufferSize)));
    if (!buffer) return 0;
    list->names_.reserve(count);  // no allocation between a name's block and its place in the list
    DWORD index = 0;
    for (; index < count; ++index) {
        DWORD size = bufferSize;
        if (os::RegEnumKeyExA(handle_, index, buffer.get(), &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        char* name = static_cast<char*>(os::LocalAlloc(LMEM_FIXED, size + 1));
        if (!name) break;
        std::memcpy(name, buffer.get(), size);
        name[size] = 0;
        list->names_.push_back(name);
    }
    if (index == count) return 1;
    FreeKeyNames(list);
    return 0;
}

bool ReadText(RegistryKey& key, const char* name, std::string* text, size_t limit, bool expand) {
    char* value = nullptr;
    DWORD type = expand ? REG_EXPAND_SZ : REG_NONE;
    if (!key.ReadStringAlloc(name, &value, nullptr, &type)) return false;
    HeapString owned(value);
    if (std::strlen(owned.get()) > limit) return false;
    *text = owned.get();
    return true;
}

char* ExpandEnvironment(const char* text) {
    if (!text) return nullptr;
    DWORD needed = os::ExpandEnvironmentStringsA(text, nullptr, 0);
    if (needed == 0) return nullptr;
    // Some systems count a double-byte character once in the size they report; twice
    // the size holds the text whichever way it was counted.
    const DWORD capacity = needed * 2;
    HeapString block(static_cast<char*>(os::malloc(capacity)));
    if (!block) return nullptr;
    DWORD result = os::ExpandEnvironmentStringsA(text, block.get(), capacity);
    if (result == 0 || result > capacity) return nullptr;  // the environment changed between the calls
    block.get()[capacity - 1] = 0;
    return block.release();
}

}  // namespace platform
