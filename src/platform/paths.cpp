// The product's folders, paths, folder creation, program start and logon entries
// (see paths.h).
#include "platform/paths.h"

#include <cstring>
#include <string>

#include "platform/heap_string.h"
#include "catalogue/product.h"
#include "platform/registry_key.h"
#include "catalogue/registry_paths.h"

namespace platform {
namespace {

const unsigned char* U(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

char* ProductLocation(const char* valueName, const char* fallback) {
    char* value = ReadProductSetting(valueName);
    return value ? value : DuplicateString(fallback);
}

HKEY RunKeyRoot(HKEY root) { return GetWindowsPlatform() == kWindows95 ? HKEY_LOCAL_MACHINE : root; }

// The shell's allocator, held for one lookup and released on every way out, with the
// item list it handed out, which goes back to it.
class ShellAllocator {
public:
    ShellAllocator() {
        if (os::SHGetMalloc(&allocator_) != S_OK) allocator_ = nullptr;
    }
    ~ShellAllocator() {
        if (items_) allocator_->Free(items_);
        if (allocator_) allocator_->Release();
    }
    ShellAllocator(const ShellAllocator&) = delete;
    ShellAllocator& operator=(const ShellAllocator&) = delete;

    // The folder's item list, or null; freed with the allocator.
    LPITEMIDLIST FolderItems(int csidl) {
        if (!allocator_ || items_) return nullptr;
        if (os::SHGetSpecialFolderLocation(nullptr, csidl, &items_) != S_OK && items_) {
            allocator_->Free(items_);
            items_ = nullptr;
        }
        return items_;
    }

private:
    LPMALLOC allocator_ = nullptr;
    LPITEMIDLIST items_ = nullptr;
};

}  // namespace

// Through the shell's item list rather than SHGetFolderPath, which the shells of
// Windows 95, 98 and NT 4.0 do not have.
char* GetSpecialFolderPath(int csidl) {
    ShellAllocator shell;
    LPITEMIDLIST items = shell.FolderItems(csidl);
    if (!items) return nullptr;
    char path[MAX_PATH] = {};
    if (!os::SHGetPathFromIDListA(items, path) || !path[0]) return nullptr;
    return DuplicateString(path);
}

char* GetAppDataFolder() { return GetSpecialFolderPath(CSIDL_APPDATA); }

char* ReadProductSetting(const char* valueName) {
    RegistryKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, product::kProductKey, kReadAccess)) return nullptr;
    std::string value;
    return ReadText(key, valueName, &value) ? DuplicateString(value.c_str()) : nullptr;
}

char* GetInstallLocation() { return ProductLocation(product::kInstallLocationValue, product::kDefaultInstallLocation); }

char* GetProgramLocation() { return ProductLocation(product::kProgramLocationValue, product::kDefaultProgramLocation); }

char* MakeProgramPath(const char* name) {
    HeapString location(GetProgramLocation());
    return location ? JoinPath(location.get(), name) : nullptr;
}

char* GetDataFolder() {
    HeapString location(GetInstallLocation());
    return location ? JoinPath(location.get(), product::kDataFolder) : nullptr;
}

char* MakeDataPath(const char* first, const char* second) {
    HeapString data(GetDataFolder());
    if (!data) return nullptr;
    HeapString inner(JoinPath(data.get(), first));
    if (!inner || !second) return inner.release();
    return JoinPath(inner.get(), second);
}

char* JoinPath(const char* head, const char* tail) {
    if (!head || !*head || !tail || !*tail) return nullptr;
    size_t headLength = std::strlen(head) - (EndsWithBackslash(head) ? 1 : 0);
    size_t tailLength = std::strlen(tail) - (EndsWithBackslash(tail) ? 1 : 0);
    if (tailLength > 0 && tail[0] == '\\') {
        ++tail;
        --tailLength;
    }
    char* path = static_cast<char*>(os::malloc(headLength + tailLength + 2));
    if (!path) return nullptr;
    std::memcpy(path, head, headLength);
    path[headLength] = '\\';
    std::memcpy(path + headLength + 1, tail, tailLength);
    path[headLength + 1 + tailLength] = 0;
    return path;
}

int EndsWithBackslash(const char* text) {
    if (!text || !*text) return 0;
    const unsigned char* last = os::_mbsrchr(U(text), '\\');
    return last && last[1] == 0;
}

int FileExists(const char* path) {
    if (!path || !*path) return 0;
    return os::_access(path, 0) == 0;
}

int IsAbsolutePath(const char* path) {
    if (!path) return 0;
    const unsigned char c = static_cast<unsigned char>(path[0]);
    if (((c | 0x20) >= 'a' && (c | 0x20) <= 'z') && path[1] == ':' && path[2] == '\\') return 1;
    if (path[0] != '\\' || path[1] != '\\' || !path[2] || path[2] == '\\') return 0;
    // \\server\share: a server name, then a share name after its backslash.
    const unsigned char* share = os::_mbschr(U(path + 2), '\\');
    return share && share[1] && share[1] != '\\';
}

namespace {

// An open file, closed when it goes.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const char* path)
        : handle_(os::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr)) {}
    ~ReadOnlyFile() {
        if (IsOpen()) os::CloseHandle(handle_);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    // The next bytes into buffer; false on a read error. *read is 0 at the end.
    bool Read(char* buffer, DWORD size, DWORD* read) { return os::ReadFile(handle_, buffer, size, read, nullptr) != 0; }

private:
    HANDLE handle_;
};

}  // namespace

int SameFileBytes(const char* a, const char* b) {
    if (!a || !b || !*a || !*b) return 0;
    ReadOnlyFile first(a), second(b);
    if (!first.IsOpen() || !second.IsOpen()) return 0;
    char x[4096], y[4096];
    for (;;) {
        DWORD n = 0, m = 0;
        if (!first.Read(x, sizeof x, &n) || !second.Read(y, sizeof y, &m)) return 0;
        // Files are read in whole blocks until their end, so equal files give equal counts.
        if (n != m || std::memcmp(x, y, n) != 0) return 0;
        if (n == 0) return 1;
    }
}

int FileFingerprint(const char* path, std::string* fingerprint) {
    if (!path || !*path) return 0;
    ReadOnlyFile file(path);
    if (!file.IsOpen()) return 0;
    unsigned long long size = 0, hash = 0xcbf29ce484222325ULL;
    char block[4096];
    for (DWORD n = 0;; size += n) {
        if (!file.Read(block, sizeof block, &n)) return 0;
        if (n == 0) break;
        for (DWORD i = 0; i < n; ++i) hash = (hash ^ static_cast<unsigned char>(block[i])) * 0x100000001b3ULL;
    }
    // The hash's digits by hand: the C runtimes of older Windows know no 64-bit printf formats.
    std::string text = std::to_string(size) + ":";
    for (int shift = 60; shift >= 0; shift -= 4) text += "0123456789abcdef"[(hash >> shift) & 15];
    *fingerprint = text;
    return 1;
}

int EnsureDirectory(const char* path) {
    if (!path || !*path) return 0;
    // A file of that name is no folder: only a folder counts as existing here.
    DWORD attributes = os::GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    return os::CreateDirectoryA(path, nullptr) ? 1 : 0;
}

int MakeDirectoryTree(const char* path) {
    if (!path) return 0;
    const size_t length = std::strlen(path);
    if (length < 3 || length >= MAX_PATH) return 0;
    char work[MAX_PATH];
    std::memcpy(work, path, length + 1);
    // The first three bytes are the root, such as C:\ .
    char kept = work[3];
    work[3] = 0;
    if (!FileExists(work)) return 0;
    work[3] = kept;
    if (os::_mbspbrk(U(work + 3), U("/:*?\"<>|"))) return 0;
    if (!work[3]) return 1;
    char* step = work + 3;
    for (;;) {
        char* separator = reinterpret_cast<char*>(os::_mbschr(U(step), '\\'));
        if (!separator) return EnsureDirectory(work);
        *separator = 0;
        if (!EnsureDirectory(work)) return 0;
        *separator = '\\';
        step = separator + 1;
        if (!*step) return 1;  // a trailing backslash adds no step
    }
}

int ShellOpen(const char* file, const char* parameters, const char* folder) {
    if (!file) return 0;
    // The shell answers above 32 when it started the program and with an error code
    // of 32 or less when it did not.
    auto result =
        reinterpret_cast<uintptr_t>(os::ShellExecuteA(nullptr, "open", file, parameters, folder, SW_SHOWNORMAL));
    return result > 32 ? 1 : 0;
}

int RunFromProgramFolder(const char* file, const char* parameters) {
    if (!file) return 0;
    HeapString path(MakeProgramPath(file));
    return path ? ShellOpen(path.get(), parameters, nullptr) : 0;
}

int SetRunEntry(HKEY root, const char* valueName, const char* command) {
    RegistryKey run(RunKeyRoot(root), registry_paths::kRun, kAllAccess, true);
    return run.WriteString(valueName, command);
}

int RemoveRunEntry(HKEY root, const char* valueName) {
    RegistryKey run(RunKeyRoot(root), registry_paths::kRun, kAllAccess, true);
    return run.DeleteValue(valueName);
}

int GetWindowsPlatform() {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    os::GetVersionExA(&info);  // a failed query reads as platform 0: Win32s
    switch (info.dwPlatformId) {
        case VER_PLATFORM_WIN32s:
            return kWin32s;
        case VER_PLATFORM_WIN32_WINDOWS:
            return info.dwMinorVersion == 0 ? kWindows95 : kWindows98;
        case VER_PLATFORM_WIN32_NT:
            switch (info.dwMajorVersion) {
                case 3:
                    return kWindowsNT3;
                case 4:
                    return kWindowsNT4;
                case 5:
                    return kWindows2000;
                default:
                    return 0;
            }
        default:
            return 0;
    }
}

}  // namespace platform
