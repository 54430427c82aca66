// RegistryKey: the one way the library reaches the registry. It owns at most one open
// key handle and closes it when it goes; it fixes which requests are refused before
// the registry is asked, which value types count as text, when a default value is
// written back, when %NAME% references are expanded, and in which order a subtree
// is deleted.
//
// Every operation answers 1 for success and 0 for failure; registry error codes are
// never passed on. A request that is refused answers 0 without any registry call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "port/os.h"

namespace platform {

// Access masks the library asks for.
constexpr REGSAM kReadAccess = 0x20019;
constexpr REGSAM kWriteAccess = 0x20006;
constexpr REGSAM kReadWriteAccess = 0x2001F;
constexpr REGSAM kAllAccess = 0xF003F;

// The names of a key's direct subkeys, in the order the registry lists them. Each
// name is a block of its own from the local heap, released only by FreeKeyNames.
class KeyNameList {
public:
    KeyNameList() = default;
    ~KeyNameList();
    KeyNameList(const KeyNameList&) = delete;
    KeyNameList& operator=(const KeyNameList&) = delete;

    size_t size() const { return names_.size(); }
    const char* operator[](size_t i) const { return names_[i]; }
    const char* const* begin() const { return names_.data(); }
    const char* const* end() const { return names_.data() + names_.size(); }

private:
    friend class RegistryKey;
    std::vector<char*> names_;
};

class RegistryKey {
public:
    RegistryKey() = default;
    // Opens the key; when that fails and createIfMissing is set, creates it with all
    // access, whatever mask was asked for. A caller that must know tests IsOpen.
    RegistryKey(HKEY root, const char* path, REGSAM access, bool createIfMissing);
    ~RegistryKey() { Close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY handle() const { return handle_; }
    bool IsOpen() const { return handle_ != nullptr; }

    // Refused for a null or empty path and while a handle is held.
    int Open(HKEY root, const char* path, REGSAM access);
    int Create(HKEY root, const char* path, REGSAM access);
    // 1 when no handle is held or it closed; a handle that fails to close is kept.
    int Close();

    int QueryValueSize(const char* name, DWORD* size);
    // Whether the value exists: 1 with *exists set when the registry could say, 0 when
    // it could not (a caller about to overwrite must then leave the value alone).
    int HasValue(const char* name, bool* exists);
    // Reads a text value (REG_SZ or REG_EXPAND_SZ) into a buffer of *size bytes.
    int QueryString(const char* name, char* buffer, DWORD* size, DWORD* type);
    // QueryString with a default: a missing value, or one of another type that fits,
    // is replaced by the default in the registry. A type of REG_EXPAND_SZ on entry asks
    // for %NAME% references of an expandable value to be expanded.
    int ReadString(const char* name, char* buffer, DWORD* size, const char* defaultText, DWORD* type);
    // ReadString into a new heap string (see heap_string.h) that the caller releases.
    int ReadStringAlloc(const char* name, char** out, const char* defaultText, DWORD* type);
    int ReadDword(const char* name, DWORD* value);
    int WriteString(const char* name, const char* text);
    int WriteDword(const char* name, DWORD value);
    // Copies a value of any type, its bytes exactly, to another name in the same key.
    int CopyValue(const char* from, const char* to);
    // Refused for "" so that the default value is never deleted here.
    int DeleteValue(const char* name);
    // Deletes the named subkey with everything below it, depth first; a missing
    // subkey is created first so that its deletion succeeds.
    int DeleteSubkeyTree(const char* name);
    int DeleteAllSubkeys();
    int EnumSubkeys(KeyNameList* list);
    static void FreeKeyNames(KeyNameList* list);

private:
    HKEY handle_ = nullptr;
};

// A text value read with ReadStringAlloc (no default) into *text; an expandable value
// is expanded when expand is set. False when the value is missing or no text, and when
// it is longer than limit bytes (texts that do not fit the 260-byte buffers they are
// meant for count as missing).
bool ReadText(RegistryKey& key, const char* name, std::string* text, size_t limit = SIZE_MAX, bool expand = false);

// A new heap string with every %NAME% reference replaced by the variable's value;
// null for null text, when the expansion yields nothing, or when memory runs out.
char* ExpandEnvironment(const char* text);

}  // namespace platform
