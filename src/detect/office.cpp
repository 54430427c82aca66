// Microsoft Office detection (see office.h).
//
// Every version subkey of Software\Microsoft\Office whose <application>\InstallRoot
// key opens raises the bar, even when its "Path" value is missing; the result stays
// with the last version that had the value. The edition comes from the executable's
// product version, not from the key's name.
#include "detect/office.h"

#include <cstring>
#include <string>

#include "catalogue/catalogue.h"
#include "detect/version_choice.h"
#include "platform/heap_string.h"
#include "platform/registry_key.h"
#include "catalogue/registry_paths.h"
#include "platform/text.h"

namespace detect {
const char* OfficeEditionLabel(unsigned short major, unsigned short minor) {
    if (major == 9) return "2000";
    if (major == 8) return minor == 5 ? "98" : "97?";
    return "";
}

void FindLatestOfficeApp(const char* application, char* displayName, char* exePath, char* appKey) {
    for (char* out : {displayName, exePath, appKey})
        if (out) out[0] = 0;
    const catalogue::Application* row = catalogue::FindByDetection(catalogue::Detection::kOffice, application);
    if (!row) return;
    const std::string program = std::string("\\") + row->program;  // appended to the install folder

    platform::RegistryKey office;
    platform::KeyNameList versions;
    if (!office.Open(HKEY_LOCAL_MACHINE, registry_paths::kOffice, platform::kReadAccess) ||
        !office.EnumSubkeys(&versions))
        return;
    std::string best = kLowestVersion, foundVersion;
    char folder[platform::kWorkBufferSize] = {};
    bool found = false;
    for (const char* version : versions) {
        if (!IsVersionName(version)) continue;
        std::string rootPath = std::string(registry_paths::kOffice) + "\\" + version + "\\" + row->detectName + "\\" +
                               registry_paths::kInstallRoot;
        if (rootPath.size() >= platform::kWorkBufferSize) continue;
        platform::RegistryKey root;
        if (!root.Open(HKEY_LOCAL_MACHINE, rootPath.c_str(), platform::kReadAccess)) continue;
        if (!IsGreaterVersion(version, best.c_str())) continue;
        best = version;  // the bar rises before the value is read
        // A folder that does not fit the work buffers, executable appended, counts as missing.
        std::string path;
        if (!platform::ReadText(root, "Path", &path, platform::kWorkBufferSize - 1)) continue;
        char trimmed[platform::kWorkBufferSize];
        std::memcpy(trimmed, path.c_str(), path.size() + 1);
        platform::TrimPath(trimmed);
        if (std::strlen(trimmed) + program.size() >= platform::kWorkBufferSize) continue;
        std::memcpy(folder, trimmed, sizeof trimmed);
        foundVersion = version;
        found = true;
    }
    if (!found) return;

    std::string executable = std::string(folder) + program;
    if (displayName) {
        unsigned short major, minor, build;
        if (platform::GetFileVersion(executable.c_str(), &major, &minor, &build)) {
            std::strcpy(displayName, row->namePrefix);
            std::strcat(displayName, OfficeEditionLabel(major, minor));
        }
    }
    if (exePath) std::strcpy(exePath, executable.c_str());
    if (appKey) {
        std::string key = std::string(registry_paths::kOffice) + "\\" + foundVersion + "\\" + row->detectName;
        std::strcpy(appKey, key.c_str());  // shorter than the InstallRoot path that was checked
    }
}

}  // namespace detect
