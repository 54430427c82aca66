// Sarvin Tessaline suite detection (see suite.h).
//
// The suite registers each application under Software\Sarvin\<application>, one
// subkey per version holding "Path", "Name" and "Description"; per user, below the
// same path under HKEY_CURRENT_USER, its folders.
#include "detect/suite.h"

#include <cstring>
#include <string>

#include "catalogue/catalogue.h"
#include "detect/version_choice.h"
#include "platform/found_file.h"
#include "platform/heap_string.h"
#include "platform/registry_key.h"
#include "catalogue/registry_paths.h"
#include "platform/text.h"

namespace detect {
namespace {

constexpr char kSettingsFile[] = "Corvane.ini";
constexpr char kSettingsSection[] = "Corvane";
constexpr char kIconPathKey[] = "WinNTIconPath";
constexpr unsigned int kGroupwareAppId = ZENTHO_APP_CORVANE;  // its state key holds the search switches

// The version keys of an application below root (see ScanVersionKeys).
template <typename OnBest>
void ScanVersions(HKEY root, const char* application, OnBest onBest) {
    if (!application) return;
    ScanVersionKeys(
        root, std::string(registry_paths::kSarvin) + "\\" + application,
        [&](const std::string&, const std::string& key, platform::RegistryKey& opened) { onBest(key, opened); });
}

std::string Trimmed(const std::string& text) {
    char buffer[platform::kWorkBufferSize];
    if (text.size() >= sizeof buffer) return "";
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    platform::TrimPath(buffer);
    return buffer;
}

bool FileFound(const std::string& path) { return static_cast<bool>(platform::FoundFile(path.c_str())); }

}  // namespace

void GetSuiteUserFolder(const char* application, const char* folderName, std::string* out) {
    std::string chosen;
    ScanVersions(HKEY_CURRENT_USER, application, [&](const std::string& key, platform::RegistryKey&) { chosen = key; });
    if (chosen.empty() || !folderName) return;
    std::string pathsKey = chosen + "\\" + registry_paths::kSuitePaths + "\\" + folderName;
    platform::RegistryKey key;
    if (!key.Open(HKEY_CURRENT_USER, pathsKey.c_str(), platform::kReadAccess)) return;
    // An expandable folder is expanded; one too long for a folder counts as missing.
    std::string folder;
    if (!platform::ReadText(key, registry_paths::kSuiteJapaneseFolder, &folder, platform::kWorkBufferSize - 1, true))
        return;
    *out = Trimmed(folder);
}

long FindCorvaneIconPath(const char* versionKey, char* out) {
    char found[platform::kWorkBufferSize] = {};
    if (!versionKey) {
        LatestSuiteAppInfo(const_cast<char*>(catalogue::FindApplication(kGroupwareAppId)->detectName), nullptr, nullptr,
                           found);
        versionKey = found;
    }
    DWORD forceDataPath = 0, forcePathEnv = 0;
    {
        char stateKey[catalogue::kStateKeyBufferSize];
        catalogue::MakeStateKeyPath(kGroupwareAppId, stateKey);
        platform::RegistryKey state;
        if (state.Open(HKEY_CURRENT_USER, stateKey, platform::kReadAccess)) {
            state.ReadDword("ForceSearchDataPath", &forceDataPath);
            state.ReadDword("ForceSearchPathEnv", &forcePathEnv);
        }
    }
    // The settings file: the first candidate that exists wins.
    auto fromVersionKey = [&](const char* valueName) -> std::string {
        platform::RegistryKey key;
        std::string folder;
        if (!key.Open(HKEY_LOCAL_MACHINE, versionKey, platform::kReadAccess) ||
            !platform::ReadText(key, valueName, &folder, platform::kWorkBufferSize - 1))
            return "";
        folder = Trimmed(folder);
        return folder.empty() ? "" : folder + "\\" + kSettingsFile;
    };
    std::string file;
    if (forceDataPath) {
        std::string candidate = fromVersionKey("DataPath");
        if (!candidate.empty() && FileFound(candidate)) file = candidate;
    }
    if (file.empty()) {
        std::string candidate = fromVersionKey("Path");
        if (!candidate.empty() && FileFound(candidate)) file = candidate;
    }
    if (file.empty() && forcePathEnv) {
        char searched[MAX_PATH] = {};
        os::_searchenv(kSettingsFile, "PATH", searched);
        if (searched[0]) file = searched;
    }
    if (file.empty()) {
        char windows[MAX_PATH] = {};
        UINT length = os::GetWindowsDirectoryA(windows, MAX_PATH);
        std::string candidate = std::string(windows) + "\\" + kSettingsFile;
        if (length > 0 && length < MAX_PATH && FileFound(candidate)) file = candidate;
    }
    char folder[platform::kWorkBufferSize] = {};
    if (!file.empty()) os::GetPrivateProfileStringA(kSettingsSection, kIconPathKey, "", folder, MAX_PATH, file.c_str());
    if (out) std::strcpy(out, folder);
    return static_cast<long>(std::strlen(folder));
}

}  // namespace detect

namespace detect {

void LatestSuiteAppInfo(char* application, char* displayName, char* exePath, char* versionKey) {
    for (char* out : {displayName, exePath, versionKey})
        if (out) out[0] = 0;
    std::string name, path;
    detect::ScanVersions(HKEY_LOCAL_MACHINE, application, [&](const std::string& key, platform::RegistryKey& opened) {
        if (versionKey) std::strcpy(versionKey, key.c_str());  // every greater version moves the key on
        std::string raw, file, description;                    // a folder too long for the buffers counts as missing
        if (!platform::ReadText(opened, "Path", &raw, platform::kWorkBufferSize - 1) ||
            !platform::ReadText(opened, "Name", &file) || !platform::ReadText(opened, "Description", &description))
            return;
        std::string folder = detect::Trimmed(raw);
        // Name and path change together, and only for a version with all three
        // values: a half-registered newer version never pairs its folder with an older
        // version's name.
        std::string candidateName = std::string(kSuiteDisplayPrefix) + description;
        std::string candidatePath = folder + "\\" + file;
        if (candidateName.size() >= platform::kWorkBufferSize || candidatePath.size() >= platform::kWorkBufferSize)
            return;
        name = candidateName;
        path = candidatePath;
    });
    if (name.empty()) return;
    if (displayName) std::strcpy(displayName, name.c_str());
    if (exePath) std::strcpy(exePath, path.c_str());
}

}  // namespace detect
