// The port's kernel services (kernel32) over the current simulated machine:
// environment expansion, Windows version and folder, settings files, files and
// folders, the code page, local memory and the clock.
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "port/os.h"
#include "tools/winsim/core/last_error.h"
#include "tools/winsim/core/machine.h"

namespace sim {
namespace {
thread_local DWORD t_lastError = 0;
}
DWORD LastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }
}  // namespace sim

namespace os {
namespace {

constexpr DWORD kErrorSharingViolation = 32;

sim::Machine* M() { return sim::Machine::Current(); }

// A file operation that the test's fault plan makes fail: the disk denies it.
bool FileFault() { return M() && M()->Fault(sim::FaultKind::kFile); }
// An image's volume is never written; changes staged in memory (the tool's plan) are.
bool ReadOnlyDisk() { return M()->settings().readOnlyDisk && !M()->files().Staging(); }
bool LookupFault() { return M() && M()->LookupFault(); }

BOOL Fail(DWORD error) {
    sim::SetLastError(error);
    return FALSE;
}

// What planning looks at: the disk as it is.
bool Exists(const char* path) {
    DWORD attributes;
    return M()->files().GetAttributes(path, &attributes) == 0;
}
bool IsFile(const char* path) {
    DWORD attributes;
    return M()->files().GetAttributes(path, &attributes) == 0 && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
os::Change FileChange(os::Change::Kind kind, const char* path, const char* source = nullptr) {
    os::Change change;
    change.kind = kind;
    change.path = path;
    if (source) change.detail = source;
    return change;
}

// Copies text into a caller's buffer of `size` bytes, cut to fit, NUL-terminated.
DWORD CopyOut(const std::string& text, LPSTR out, DWORD size) {
    if (!out || size == 0) return 0;
    DWORD n = std::min<DWORD>(static_cast<DWORD>(text.size()), size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = 0;
    return n;
}

std::string Trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return "";
    size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

// The sections of a settings file, in file order, each with its keys in file order.
struct IniFile {
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
    };
    std::vector<Section> sections;
};

IniFile ParseIni(const std::string& bytes) {
    IniFile ini;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        std::string line = Trim(bytes.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            ini.sections.push_back(
                {Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)), {}});
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos || ini.sections.empty()) continue;
        std::string value = Trim(line.substr(eq + 1));
        // A value written in double quotes is read without them.
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        ini.sections.back().entries.emplace_back(Trim(line.substr(0, eq)), value);
    }
    return ini;
}

}  // namespace

DWORD ExpandEnvironmentStringsA(LPCSTR text, LPSTR out, DWORD outSize) {
    sim::PortCall port;
    if (!text) return Fail(ERROR_INVALID_PARAMETER), 0;
    std::string result;
    const char* p = text;
    while (*p) {
        if (*p != '%') {
            result += *p++;
            continue;
        }
        const char* close = std::strchr(p + 1, '%');
        if (!close) {  // an unmatched % stays, with the rest of the text
            result += p;
            break;
        }
        std::string name(p + 1, close), value;
        if (!name.empty() && M() && M()->GetEnv(name, &value))
            result += value;
        else
            result.append(p, close + 1);  // an unknown name stays as written, both % included
        p = close + 1;
    }
    DWORD needed = static_cast<DWORD>(result.size() + 1);
    if (out && outSize) CopyOut(result, out, outSize);
    return needed;
}

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
    sim::PortCall port;
    if (!info || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) && info->dwOSVersionInfoSize != 156))
        return Fail(122);  // ERROR_INSUFFICIENT_BUFFER
    if (!M()) return Fail(ERROR_INVALID_PARAMETER);
    const auto& s = M()->settings();
    info->dwMajorVersion = s.major;
    info->dwMinorVersion = s.minor;
    info->dwBuildNumber = s.platform == VER_PLATFORM_WIN32_NT ? s.build : ((s.major << 24) | (s.minor << 16) | s.build);
    info->dwPlatformId = s.platform;
    info->szCSDVersion[0] = 0;
    return TRUE;
}

UINT GetWindowsDirectoryA(LPSTR out, UINT outSize) {
    sim::PortCall port;
    if (!M()) return 0;
    const std::string& windir = M()->settings().windir;
    if (!out || outSize <= windir.size()) return static_cast<UINT>(windir.size() + 1);
    return CopyOut(windir, out, outSize);
}

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText, LPSTR out, DWORD outSize,
                               LPCSTR fileName) {
    sim::PortCall port;
    if (!out || outSize == 0) return 0;
    std::string fallback = defaultText ? defaultText : "";
    while (!fallback.empty() && fallback.back() == ' ') fallback.pop_back();  // as Windows trims it
    std::string path = fileName ? fileName : "";
    if (!M() || path.empty()) return CopyOut(fallback, out, outSize);
    // A bare file name lives in the Windows folder.
    if (path.find_first_of("\\/:") == std::string::npos) path = M()->settings().windir + "\\" + path;
    std::string bytes;
    if (LookupFault() || !M()->files().ReadFile(path, &bytes)) return CopyOut(fallback, out, outSize);
    IniFile ini = ParseIni(bytes);

    // Lists (no section or no key asked for): NUL-separated names ending in a double NUL.
    auto copyList = [&](const std::vector<std::string>& names) -> DWORD {
        std::string list;
        for (const auto& name : names) list += name + '\0';
        if (outSize < 2) {
            out[0] = 0;
            return 0;
        }
        DWORD n = std::min<DWORD>(static_cast<DWORD>(list.size()), outSize - 2);
        std::memcpy(out, list.data(), n);
        out[n] = 0;
        out[n + 1] = 0;
        return n;
    };
    if (!section) {
        std::vector<std::string> names;
        for (const auto& s : ini.sections) names.push_back(s.name);
        return copyList(names);
    }
    for (const auto& s : ini.sections) {
        if (strcasecmp(s.name.c_str(), section) != 0) continue;
        if (!key) {
            std::vector<std::string> names;
            for (const auto& entry : s.entries) names.push_back(entry.first);
            return copyList(names);
        }
        for (const auto& entry : s.entries)
            if (strcasecmp(entry.first.c_str(), key) == 0) return CopyOut(entry.second, out, outSize);
    }
    return CopyOut(fallback, out, outSize);
}

// A path that does not name its drive and root, noted on the machine (see machine.h).
void CheckAbsolute(const char* operation, LPCSTR path) {
    const bool drive = std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && path[2] == '\\';
    const bool share = path[0] == '\\' && path[1] == '\\';
    if (!drive && !share) M()->NoteRelativePath(operation, path);
}

BOOL CopyFileA(LPCSTR existing, LPCSTR target, BOOL failIfExists) {
    sim::PortCall port;
    if (!M() || !existing || !target) return Fail(ERROR_PATH_NOT_FOUND);
    CheckAbsolute("copy from", existing);
    CheckAbsolute("copy to", target);
    if (FileFault()) return Fail(kErrorSharingViolation);
    if (ReadOnlyDisk()) return Fail(ERROR_ACCESS_DENIED);
    DWORD error = 0;
    if (!M()->planning())
        error = M()->files().Copy(existing, target, failIfExists != FALSE);
    else if (!IsFile(existing))
        error = ERROR_FILE_NOT_FOUND;
    else if (failIfExists && Exists(target))
        error = ERROR_FILE_EXISTS;
    else
        M()->NoteChange(FileChange(os::Change::kFileCopied, target, existing));
    if (!error) return TRUE;
    M()->NoteFailure(FileChange(os::Change::kFileCopied, target, existing),
                     error == ERROR_FILE_EXISTS ? "the target exists"
                     : IsFile(existing)         ? "error " + std::to_string(error)
                                                : "source missing");
    return Fail(error);
}

BOOL DeleteFileA(LPCSTR path) {
    sim::PortCall port;
    if (!M() || !path) return Fail(ERROR_PATH_NOT_FOUND);
    CheckAbsolute("delete", path);
    if (FileFault() || ReadOnlyDisk()) return Fail(ERROR_ACCESS_DENIED);
    DWORD error = 0;
    if (!M()->planning())
        error = M()->files().Delete(path);
    else if (!IsFile(path))
        error = ERROR_FILE_NOT_FOUND;
    else
        M()->NoteChange(FileChange(os::Change::kFileDeleted, path));
    if (!error) return TRUE;
    M()->NoteFailure(FileChange(os::Change::kFileDeleted, path),
                     error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? "nothing there"
                                                                                     : "error " + std::to_string(error));
    return Fail(error);
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    sim::PortCall port;
    if (!M() || !path) return Fail(ERROR_PATH_NOT_FOUND);
    CheckAbsolute("create folder", path);
    if (FileFault() || ReadOnlyDisk()) return Fail(ERROR_ACCESS_DENIED);
    if (M()->planning()) {
        if (Exists(path)) return Fail(ERROR_ALREADY_EXISTS);
        M()->NoteChange(FileChange(os::Change::kFolderCreated, path));
        return TRUE;
    }
    DWORD error = M()->files().CreateFolder(path);
    return error ? Fail(error) : TRUE;
}

DWORD GetFileAttributesA(LPCSTR path) {
    sim::PortCall port;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (!M() || !path) return Fail(ERROR_PATH_NOT_FOUND), attributes;
    if (LookupFault()) return Fail(ERROR_ACCESS_DENIED), attributes;
    if (DWORD error = M()->files().GetAttributes(path, &attributes)) sim::SetLastError(error);
    return attributes;
}

namespace {

// A network or device path (\\server\share\..., \\.\C:\...): no share is reachable here,
// but the text resolves as on Windows, "." and ".." applied below the share.
std::string FullNetworkPath(const std::string& path, const sim::CodePage& cp, size_t* last) {
    std::vector<std::string> parts;
    std::string part;
    for (size_t i = 2;; ++i) {
        if (i < path.size() && cp.IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
            part += path.substr(i++, 2);
        } else if (i < path.size() && path[i] != '\\' && path[i] != '/') {
            part += path[i];
        } else {
            const bool below = parts.size() >= 2;  // past the server and share (or "." and the device)
            if (below && part == "..") {
                if (parts.size() > 2) parts.pop_back();
            } else if (!part.empty() && !(below && part == ".")) {
                parts.push_back(part);
            }
            part.clear();
            if (i >= path.size()) break;
        }
    }
    std::string full = "\\";
    for (const auto& each : parts) full += "\\" + each;
    const bool folder = path.back() == '\\' || path.back() == '/';
    if (folder && parts.size() > 2) full += '\\';
    *last = folder || parts.empty() ? 0 : parts.back().size();
    return full;
}

}  // namespace

// Text only, as on Windows: the disk is not looked at.
DWORD GetFullPathNameA(LPCSTR path, DWORD outSize, LPSTR out, LPSTR* filePart) {
    sim::PortCall port;
    if (!M() || !path) return Fail(ERROR_INVALID_PARAMETER), 0;
    std::string full;
    size_t last = 0;  // the length of the file part, 0 for a folder
    if ((path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/')) {
        full = FullNetworkPath(path, M()->codePage(), &last);
    } else {
        sim::WinPath parsed;
        if (DWORD error = sim::ParseWinPath(path, M()->codePage(), M()->files().currentDirectory(), &parsed))
            return Fail(error), 0;
        full = parsed.Text();
        if (!parsed.parts.empty() && parsed.trailingSeparator) full += '\\';
        last = parsed.parts.empty() || parsed.trailingSeparator ? 0 : parsed.parts.back().size();
    }
    if (full.size() >= outSize) return static_cast<DWORD>(full.size() + 1);  // the size needed, NUL included
    std::memcpy(out, full.c_str(), full.size() + 1);
    if (filePart) *filePart = last ? out + full.size() - last : nullptr;
    return static_cast<DWORD>(full.size());
}

namespace {
void FillFind(const sim::FindEntry& entry, LPWIN32_FIND_DATAA data) {
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = entry.attributes;
    data->nFileSizeHigh = static_cast<DWORD>(entry.size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(entry.size);
    CopyOut(entry.name, data->cFileName, MAX_PATH);
}
}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    sim::PortCall port;
    if (!M() || !pattern || !data) return Fail(ERROR_PATH_NOT_FOUND), INVALID_HANDLE_VALUE;
    if (LookupFault()) return Fail(ERROR_ACCESS_DENIED), INVALID_HANDLE_VALUE;
    std::vector<sim::FindEntry> entries;
    if (DWORD error = M()->files().Find(pattern, &entries)) return Fail(error), INVALID_HANDLE_VALUE;
    HANDLE find = M()->OpenFind(std::move(entries));
    sim::FindEntry first;
    M()->NextFind(find, &first);
    FillFind(first, data);
    return find;
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
    sim::PortCall port;
    sim::FindEntry entry;
    if (!M() || !data) return Fail(ERROR_INVALID_HANDLE);
    if (!M()->NextFind(find, &entry)) return Fail(ERROR_NO_MORE_FILES);
    FillFind(entry, data);
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    sim::PortCall port;
    return M() && M()->CloseFind(find) ? TRUE : Fail(ERROR_INVALID_HANDLE);
}

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD, HANDLE) {
    sim::PortCall port;
    // Opening an existing file for reading is all the library asks for.
    if (!M() || !path) return Fail(ERROR_PATH_NOT_FOUND), INVALID_HANDLE_VALUE;
    if (access != GENERIC_READ || disposition != OPEN_EXISTING) return Fail(ERROR_ACCESS_DENIED), INVALID_HANDLE_VALUE;
    if (LookupFault()) return Fail(ERROR_ACCESS_DENIED), INVALID_HANDLE_VALUE;
    DWORD attributes = 0;
    if (DWORD error = M()->files().GetAttributes(path, &attributes)) return Fail(error), INVALID_HANDLE_VALUE;
    std::string bytes;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || !M()->files().ReadFile(path, &bytes))
        return Fail(ERROR_ACCESS_DENIED), INVALID_HANDLE_VALUE;
    return M()->OpenFile(std::move(bytes));
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED) {
    sim::PortCall port;
    if (!M() || !buffer || !read) return Fail(ERROR_INVALID_PARAMETER);
    *read = 0;
    if (!M()->ReadOpenFile(file, static_cast<char*>(buffer), size, read)) return Fail(ERROR_INVALID_HANDLE);
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    sim::PortCall port;
    return M() && M()->CloseFile(handle) ? TRUE : Fail(ERROR_INVALID_HANDLE);
}

UINT GetACP() { return M() ? M()->codePage().id() : 932; }

BOOL IsDBCSLeadByte(BYTE byte) { return M() && M()->codePage().IsLeadByte(byte) ? TRUE : FALSE; }

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
    sim::PortCall port;
    if (!M()) return nullptr;
    void* block = M()->Allocate(bytes, sim::HeapFamily::kLocal);
    if (block && (flags & LMEM_ZEROINIT)) std::memset(block, 0, bytes);
    if (!block) sim::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return block;
}

HLOCAL LocalFree(HLOCAL block) {
    sim::PortCall port;
    if (!block) return nullptr;
    if (!M() || !M()->Release(block, sim::HeapFamily::kLocal)) {
        sim::SetLastError(ERROR_INVALID_HANDLE);
        return block;
    }
    return nullptr;
}

DWORD GetTickCount() { return M() ? M()->desktop().Now() : 0; }

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE*, BOOL, DWORD milliseconds, DWORD) {
    sim::PortCall port;
    // The simulation has no kernel objects to wait for; only input and time.
    if (!M() || count) return WAIT_FAILED;
    MSG msg;
    sim::Desktop& desktop = M()->desktop();
    if (desktop.Peek(&msg, false)) return WAIT_OBJECT_0;
    if (!desktop.Wait(milliseconds)) return WAIT_FAILED;
    return desktop.Peek(&msg, false) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

}  // namespace os
