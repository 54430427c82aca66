// GetLatestApplicationName and GetLatestApplicationPath: where the catalogue meets
// detection. Each application's row names its method (a detection routine for Office,
// the suite, Adobe and Ichitaro; the shell's App Paths registration with the
// executable's version; or Netscape's own registration) and what the method needs.
#include "detect/latest_application.h"

#include <cstring>
#include <string>

#include "catalogue/catalogue.h"
#include "detect/adobe_ichitaro.h"
#include "detect/display_names.h"
#include "detect/office.h"
#include "detect/suite.h"
#include "detect/version_choice.h"
#include "catalogue/results.h"
#include "platform/heap_string.h"
#include "platform/registry_key.h"
#include "catalogue/registry_paths.h"
#include "platform/text.h"

namespace detect {
namespace {

using catalogue::Application;
using catalogue::Detection;
using platform::kWorkBufferSize;

struct Buffers {  // the two 261-byte work buffers of both exports
    char name[kWorkBufferSize] = {};
    char path[kWorkBufferSize] = {};
};

// The default value of a program's App Paths key, as stored; a text longer than the
// 260-byte buffers counts as missing.
bool ReadAppPath(const char* program, char* out) {
    platform::RegistryKey appPath;
    std::string text;
    if (!appPath.Open(HKEY_LOCAL_MACHINE, registry_paths::AppPathsKey(program).c_str(), platform::kReadAccess) ||
        !platform::ReadText(appPath, "", &text, kWorkBufferSize - 1))
        return false;
    std::strcpy(out, text.c_str());
    return true;
}

LONG Measure(const char* text, char* buffer) {
    if (buffer) std::strcpy(buffer, text);
    return static_cast<LONG>(std::strlen(text));
}

// A name built of a prefix and a text, when it fits the work buffers; else nothing.
LONG MeasureJoined(const char* prefix, const std::string& text, char* buffer) {
    std::string name = std::string(prefix) + text;
    return name.size() < kWorkBufferSize ? Measure(name.c_str(), buffer) : results::kNotFound;
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
    *best = kLowestVersion;
    bool found = false, mainFound = false;
    for (const char* version : versions) {
        if (!BeginsLikeVersion(version) || !IsGreaterVersion(version, best->c_str())) continue;
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

LONG ExplorerStyleName(const Application& app, Buffers& b, char* buffer) {
    if (!ReadAppPath(app.program, b.path)) return results::kNotFound;
    unsigned short major, minor, build;
    if (!platform::GetFileVersion(b.path, &major, &minor, &build)) return results::kNotFound;
    std::strcpy(b.name, app.namePrefix);
    return AppendIEVersionLabel(b.name, buffer, major, minor, build, results::kNotFound);
}

LONG VersionedName(const Application& app, Buffers& b, char* buffer) {
    char command[kWorkBufferSize];
    if (!ReadAppPath(app.program, command) || !platform::ExtractProgramFromCommand(command, app.program, b.path))
        return results::kNotFound;
    unsigned short major, minor, build;
    if (!platform::GetFileVersion(b.path, &major, &minor, &build)) return results::kNotFound;
    FormatVersionedName(b.name, app.namePrefix, major, minor, build);
    return Measure(b.name, buffer);
}

LONG NameOf(const Application& app, Buffers& b, char* buffer) {
    switch (app.detection) {
        case Detection::kOffice:
            FindLatestOfficeApp(app.detectName, b.name, b.path, nullptr);
            return Measure(b.name, buffer);
        case Detection::kSuite:
            LatestSuiteAppInfo(const_cast<char*>(app.detectName), b.name, b.path, nullptr);
            return Measure(b.name, buffer);
        case Detection::kExplorerStyle:
            return ExplorerStyleName(app, b, buffer);
        case Detection::kVersioned:
            return VersionedName(app, b, buffer);
        case Detection::kAdobe:
            FindLatestAdobeApp(app.detectName, b.name, b.path);
            if (!b.name[0]) return results::kNotFound;
            return MeasureJoined(app.namePrefix, b.name, buffer);
        case Detection::kIchitaro:
            FindLatestIchitaro(b.name, b.path);
            return Measure(b.name, buffer);
        case Detection::kNetscape: {
            std::string best, unused;
            if (!ScanNetscape(&best, &unused, false)) return results::kNotFound;
            const LONG length = MeasureJoined(app.namePrefix, best, buffer);
            // The Netscape names count their NUL, as the default browser and mailer do.
            return length > 0 ? length + 1 : length;
        }
    }
    return results::kNotFound;
}

// The path as found, before any expansion, into b.path; false when there is none.
bool PathOf(const Application& app, Buffers& b) {
    switch (app.detection) {
        case Detection::kOffice:
            FindLatestOfficeApp(app.detectName, nullptr, b.path, nullptr);
            return b.path[0] != 0;
        case Detection::kSuite:
            LatestSuiteAppInfo(const_cast<char*>(app.detectName), nullptr, b.path, nullptr);
            return b.path[0] != 0;
        case Detection::kExplorerStyle:
        case Detection::kVersioned:
            return ReadAppPath(app.program, b.path);
        case Detection::kAdobe: {
            FindLatestAdobeApp(app.detectName, nullptr, b.name);
            if (b.name[0]) {
                std::string path = std::string(b.name) + "\\" + app.program;
                if (path.size() >= kWorkBufferSize) return false;
                std::strcpy(b.path, path.c_str());
                return true;
            }
            // No folder registered: the shell's registration of the program, expanded.
            if (!ReadAppPath(app.program, b.path)) return false;
            platform::ExpandInPlace(b.path);
            return b.path[0] != 0;
        }
        case Detection::kIchitaro:
            FindLatestIchitaro(nullptr, b.path);
            return b.path[0] != 0;
        case Detection::kNetscape: {
            std::string best, folder;
            if (!ScanNetscape(&best, &folder, true) || folder.empty()) return false;
            std::string path = folder + "\\Program\\" + app.program;
            if (path.size() >= kWorkBufferSize) return false;
            std::strcpy(b.path, path.c_str());
            return true;
        }
    }
    return false;
}

}  // namespace

LONG LatestApplicationName(unsigned int appId, char* name) {
    const Application* app = catalogue::FindApplication(appId);
    if (!app) return results::kNotFound;
    Buffers buffers;
    LONG result = NameOf(*app, buffers, name);
    return result == 0 ? results::kNotFound : result;  // a text getter never answers 0
}

LONG LatestApplicationPath(unsigned int appId, char* path) {
    const Application* app = catalogue::FindApplication(appId);
    Buffers buffers;
    if (!app || !PathOf(*app, buffers) || !buffers.path[0]) return results::kNotFound;
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
