// The installer's shared steps (see mechanics.h).
#include "install/mechanics.h"

#include "detect/latest_application.h"
#include "platform/two_calls.h"
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
    WIN32_FIND_DATAA data;
    HANDLE find = os::FindFirstFileA(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    os::FindClose(find);
    return folder;
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

std::string Lower(std::string text) {
    os::_mbslwr(reinterpret_cast<unsigned char*>(&text[0]));
    return text;
}

// True when path is folder or lies below it, without regard to case.
bool IsWithin(const std::string& path, const char* folder) {
    if (!folder || !*folder) return false;
    std::string inner = Lower(path), outer = Lower(folder);
    if (platform::EndsWithBackslash(outer.c_str())) outer.pop_back();
    return inner.compare(0, outer.size(), outer) == 0 && (inner.size() == outer.size() || inner[outer.size()] == '\\');
}

}  // namespace

bool IsSafeTarget(const std::string& path) {
    if (!platform::IsAbsolutePath(path.c_str())) return false;
    platform::HeapString install(platform::GetInstallLocation()), program(platform::GetProgramLocation());
    // Without the product's folders there is no telling what lies inside them.
    if (!install || !program) return false;
    return !IsWithin(path, install.get()) && !IsWithin(path, program.get());
}

void CopyOver(const std::string& from, const std::string& to) {
    if (platform::IsAbsolutePath(from.c_str()) && IsSafeTarget(to)) os::CopyFileA(from.c_str(), to.c_str(), FALSE);
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
