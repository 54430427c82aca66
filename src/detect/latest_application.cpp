// GetLatestApplicationName and GetLatestApplicationPath: where the catalogue meets
// detection. Each AppId maps to one method: a detection routine (Office, suite,
// Adobe, Ichitaro), the shell's App Paths registration with the executable's version,
// or Netscape's own registration.
#include <cstring>
#include <string>

#include "detect/adobe_ichitaro.h"
#include "detect/display_names.h"
#include "detect/office.h"
#include "detect/version_choice.h"
#include "detect/latest_application.h"
#include "frame/exports.h"
#include "platform/heap_string.h"
#include "platform/registry_key.h"
#include "platform/registry_paths.h"
#include "platform/text.h"

namespace {

using platform::kWorkBufferSize;

struct Buffers {  // the two 261-byte work buffers of both exports
    char name[kWorkBufferSize] = {};
    char path[kWorkBufferSize] = {};
};

const char* OfficeApplication(unsigned int appId) {
    switch (appId) {
        case 0x202:
        case 0x402:
            return "Outlook";
        case 0x401:
            return "Word";
        case 0x404:
            return "Excel";
        case 0x408:
            return "PowerPoint";
        default:
            return nullptr;
    }
}

const char* SuiteApplication(unsigned int appId) {
    switch (appId) {
        case 0x801:
            return "Corvane";
        case 0x802:
            return "Scrivale";
        case 0x804:
            return "Calvora";
        case 0x808:
            return "Pictora";
        default:
            return nullptr;
    }
}

// The default value of an App Paths key, as stored; a text longer than the 260-byte
// buffers counts as missing.
bool ReadAppPath(const char* key, char* out) {
    platform::RegistryKey appPath;
    std::string text;
    if (!appPath.Open(HKEY_LOCAL_MACHINE, key, platform::kReadAccess) ||
        !platform::ReadText(appPath, "", &text, kWorkBufferSize - 1))
        return false;
    std::strcpy(out, text.c_str());
    return true;
}

LONG Measure(const char* text, char* buffer) {
    if (buffer) std::strcpy(buffer, text);
    return static_cast<LONG>(std::strlen(text));
}

// Netscape's newest version: names that begin like a version, the greatest by string
// order. forPath: each time a name becomes the best, its Main key's "Install
// Directory" replaces the folder read before.
bool ScanNetscape(std::string* best, std::string* folder, bool forPath) {
    platform::RegistryKey navigator;
    platform::KeyNameList versions;
    if (!navigator.Open(HKEY_LOCAL_MACHINE, registry_paths::kNetscapeNavigator, platform::kReadAccess) ||
        !navigator.EnumSubkeys(&versions))
        return false;
    *best = detect::kLowestVersion;
    bool found = false, mainFound = false;
    for (const char* version : versions) {
        if (!detect::BeginsLikeVersion(version) || !detect::IsGreaterVersion(version, best->c_str())) continue;
        *best = version;
        found = true;
        if (!forPath) continue;
        std::string mainKey =
            std::string(registry_paths::kNetscapeNavigator) + "\\" + version + "\\" + registry_paths::kNetscapeMain;
        platform::RegistryKey main;
        if (!main.Open(HKEY_LOCAL_MACHINE, mainKey.c_str(), platform::kReadAccess)) continue;
        folder->clear();
        mainFound = true;
        platform::ReadText(main, registry_paths::kNetscapeInstallDirectory, folder);
    }
    return forPath ? mainFound : found;
}

LONG ExplorerStyleName(const char* appPathsKey, const char* prefix, Buffers& b, char* buffer) {
    if (!ReadAppPath(appPathsKey, b.path)) return -3;
    unsigned short major, minor, build;
    if (!platform::GetFileVersion(b.path, &major, &minor, &build)) return -3;
    std::strcpy(b.name, prefix);
    return detect::AppendIEVersionLabel(b.name, buffer, major, minor, build, -3);
}

LONG VersionedName(const char* appPathsKey, const char* program, bool eudora, Buffers& b, char* buffer) {
    char command[kWorkBufferSize];
    if (!ReadAppPath(appPathsKey, command) || !platform::ExtractProgramFromCommand(command, program, b.path)) return -3;
    unsigned short major, minor, build;
    if (!platform::GetFileVersion(b.path, &major, &minor, &build)) return -3;
    if (eudora)
        detect::FormatEudoraName(b.name, major, minor, build);
    else
        detect::FormatQuillonName(b.name, major, minor, build);
    return Measure(b.name, buffer);
}

LONG NameOf(unsigned int appId, Buffers& b, char* buffer) {
    if (const char* office = OfficeApplication(appId)) {
        detect::FindLatestOfficeApp(office, b.name, b.path, nullptr);
        return Measure(b.name, buffer);
    }
    if (const char* suite = SuiteApplication(appId)) {
        GetLatestSarvinTessalineAppInfo(const_cast<char*>(suite), b.name, b.path, nullptr);
        return Measure(b.name, buffer);
    }
    switch (appId) {
        case 0x101:
            return ExplorerStyleName(registry_paths::kAppPathsIexplore, detect::kInternetExplorerPrefix, b, buffer);
        case 0x201:
            return ExplorerStyleName(registry_paths::kAppPathsMsimn, detect::kOutlookExpressPrefix, b, buffer);
        case 0x208:
            return VersionedName(registry_paths::kAppPathsEudora, "eudora.exe", true, b, buffer);
        case 0x210:
            return VersionedName(registry_paths::kAppPathsQuillon, "quillon.exe", false, b, buffer);
        case 0x1001:
            detect::FindLatestAdobeApp("Adobe Acrobat", b.name, b.path);
            return Measure(b.name, buffer);
        case 0x1002: {
            detect::FindLatestAdobeApp("Acrobat Reader", b.name, b.path);
            if (!b.name[0]) return -3;
            std::string name = std::string(detect::kAdobePrefix) + b.name;
            return name.size() < kWorkBufferSize ? Measure(name.c_str(), buffer) : -3;
        }
        case 0x2001:
            detect::FindLatestIchitaro(b.name, b.path);
            return Measure(b.name, buffer);
        case 0x102:
        case 0x204: {
            std::string best, unused;
            if (!ScanNetscape(&best, &unused, false)) return -3;
            std::string name = (appId == 0x102 ? detect::kNavigatorPrefix : detect::kMessengerPrefix) + best;
            if (name.size() >= kWorkBufferSize) return -3;
            // The Netscape names count their NUL, as the default browser and mailer do.
            return Measure(name.c_str(), buffer) + 1;
        }
        default:
            return -3;
    }
}

// The path as found, before any expansion, into b.path; false when there is none.
bool PathOf(unsigned int appId, Buffers& b) {
    if (const char* office = OfficeApplication(appId)) {
        detect::FindLatestOfficeApp(office, nullptr, b.path, nullptr);
        return b.path[0] != 0;
    }
    if (const char* suite = SuiteApplication(appId)) {
        GetLatestSarvinTessalineAppInfo(const_cast<char*>(suite), nullptr, b.path, nullptr);
        return b.path[0] != 0;
    }
    switch (appId) {
        case 0x101:
            return ReadAppPath(registry_paths::kAppPathsIexplore, b.path);
        case 0x201:
            return ReadAppPath(registry_paths::kAppPathsMsimn, b.path);
        case 0x208:
            return ReadAppPath(registry_paths::kAppPathsEudora, b.path);
        case 0x210:
            return ReadAppPath(registry_paths::kAppPathsQuillon, b.path);
        case 0x1001:
        case 0x1002: {
            const bool reader = appId == 0x1002;
            detect::FindLatestAdobeApp(reader ? "Acrobat Reader" : "Adobe Acrobat", nullptr, b.name);
            if (b.name[0]) {
                std::string path = std::string(b.name) + (reader ? "\\AcroRd32.exe" : "\\Acrobat.exe");
                if (path.size() >= kWorkBufferSize) return false;
                std::strcpy(b.path, path.c_str());
                return true;
            }
            // No folder registered: the shell's registration of the program, expanded.
            if (!ReadAppPath(reader ? registry_paths::kAppPathsAcroRd32 : registry_paths::kAppPathsAcrobat, b.path))
                return false;
            platform::ExpandInPlace(b.path);
            return b.path[0] != 0;
        }
        case 0x2001:
            detect::FindLatestIchitaro(nullptr, b.path);
            return b.path[0] != 0;
        case 0x102:
        case 0x204: {
            std::string best, folder;
            if (!ScanNetscape(&best, &folder, true) || folder.empty()) return false;
            std::string path = folder + "\\Program\\netscape.exe";
            if (path.size() >= kWorkBufferSize) return false;
            std::strcpy(b.path, path.c_str());
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

namespace detect {

LONG LatestApplicationName(unsigned int appId, char* name) {
    Buffers buffers;
    LONG result = NameOf(appId, buffers, name);
    return result == 0 ? -3 : result;  // a text getter never answers 0
}

LONG LatestApplicationPath(unsigned int appId, char* path) {
    Buffers buffers;
    if (!PathOf(appId, buffers) || !buffers.path[0]) return -3;
    // The result counts the path as found; the buffer receives it with its %NAME%
    // references expanded, which may be longer (callers give 260 bytes at least).
    LONG result = static_cast<LONG>(std::strlen(buffers.path));
    if (path) {
        std::strcpy(path, buffers.path);
        platform::ExpandInPlace(path);
    }
    return result;
}

}  // namespace detect
