// The installer's shared steps (see mechanics.h).
#include "install/mechanics.h"

#include "detect/latest_application.h"
#include "platform/two_calls.h"
#include "platform/found_file.h"
#include "platform/heap_string.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace install {

std::string In(const std::string& folder, const char* name) { return folder + "\\" + name; }

std::string DetectedProgramPath(unsigned int appId) {
    platform::HeapString path(
        platform::TakeText([&](char* buffer) { return detect::LatestApplicationPath(appId, buffer); }));
    return path ? path.get() : "";
}

std::string FolderOf(const std::string& programPath, const char* literal) {
    size_t cut = std::char_traits<char>::length(literal);
    return programPath.size() >= cut ? programPath.substr(0, programPath.size() - cut) : "";
}

bool IsExistingFolder(const std::string& path) {
    if (path.empty()) return false;
    platform::FoundFile found(path.c_str());
    return found && (found.data().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string UserFolder(const char* relative) {
    platform::HeapString appData(platform::GetAppDataFolder());
    return appData ? std::string(appData.get()) + relative : "";
}

std::string DataFolder(const char* subfolder) {
    platform::HeapString folder(platform::MakeDataPath(subfolder, nullptr));
    return folder ? folder.get() : "";
}

std::string ProgramFile(const char* file) {
    platform::HeapString path(platform::MakeProgramPath(file));
    return path ? path.get() : "";
}

namespace {

const unsigned char* U(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

std::string Lower(std::string text) {
    os::_mbslwr(reinterpret_cast<unsigned char*>(&text[0]));
    return text;
}

// The path as Windows finds it: its full form (".", ".." and "/" resolved by the
// system) with every part that may be a short name spelled by its long name. Windows
// makes a short name only for a name that is none itself, always with a tilde
// (PROGRA~1, or the hashed forms of other file systems). "" when it cannot be told.
std::string Resolved(const std::string& path) {
    char full[MAX_PATH];
    const DWORD length = os::GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full || os::_mbspbrk(U(full), U("*?"))) return "";
    std::string resolved = full;
    // A device path (\\.\C:\...; \\?\ ones hold a question mark) names files past these
    // rules, and the installer never needs one.
    if (resolved.compare(0, 4, "\\\\.\\") == 0) return "";
    // The parts begin after the root: "C:\" or "\\server\share\".
    size_t at = 3;
    if (resolved[1] != ':') {
        const unsigned char* server = os::_mbschr(U(full + 2), '\\');
        const unsigned char* share = server ? os::_mbschr(server + 1, '\\') : nullptr;
        at = share ? static_cast<size_t>(share - U(full)) + 1 : resolved.size();
    }
    while (at < resolved.size()) {
        const unsigned char* next = os::_mbschr(U(resolved.c_str() + at), '\\');
        const size_t end = next ? static_cast<size_t>(next - U(resolved.c_str())) : resolved.size();
        std::string part = resolved.substr(at, end - at);
        if (os::_mbschr(U(part.c_str()), '~')) {
            platform::FoundFile found(resolved.substr(0, end).c_str());
            if (!found) return "";
            const char* longName = found.data().cFileName;
            resolved.replace(at, part.size(), longName);
            at += std::char_traits<char>::length(longName);
        } else {
            at = end;
        }
        ++at;
    }
    return Lower(resolved);
}

// True when path is folder or lies below it; both resolved.
bool IsWithin(const std::string& path, std::string folder) {
    if (platform::EndsWithBackslash(folder.c_str())) folder.pop_back();
    return path.compare(0, folder.size(), folder) == 0 && (path.size() == folder.size() || path[folder.size()] == '\\');
}

}  // namespace

bool IsSafeTarget(const std::string& path) {
    if (!platform::IsAbsolutePath(path.c_str())) return false;
    platform::HeapString install(platform::GetInstallLocation()), program(platform::GetProgramLocation());
    // Without the product's folders there is no telling what lies inside them.
    if (!install || !program) return false;
    const std::string target = Resolved(path), installFolder = Resolved(install.get()),
                      programFolder = Resolved(program.get());
    if (target.empty() || installFolder.empty() || programFolder.empty()) return false;
    return !IsWithin(target, installFolder) && !IsWithin(target, programFolder);
}

bool CopyOver(const std::string& from, const std::string& to) {
    return platform::IsAbsolutePath(from.c_str()) && IsSafeTarget(to) &&
           os::CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool CopyNew(const std::string& from, const std::string& to) {
    return platform::IsAbsolutePath(from.c_str()) && IsSafeTarget(to) &&
           os::CopyFileA(from.c_str(), to.c_str(), TRUE) != 0;
}

void Remove(const std::string& path) {
    if (IsSafeTarget(path)) os::DeleteFileA(path.c_str());
}

void MakeFolders(const std::string& path) {
    if (IsSafeTarget(path)) platform::MakeDirectoryTree(path.c_str());
}

void Start(const std::string& program, const char* parameters) {
    platform::ShellOpen(program.c_str(), parameters, nullptr);
}

}  // namespace install
