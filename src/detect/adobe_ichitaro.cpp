// Adobe and Ichitaro detection (see adobe_ichitaro.h).
#include "detect/adobe_ichitaro.h"

#include <cstring>
#include <string>

#include "detect/version_choice.h"
#include "platform/heap_string.h"
#include "platform/registry_key.h"
#include "catalogue/registry_paths.h"
#include "platform/text.h"

namespace detect {
namespace {

// A string value read into a 261-byte output; a longer one counts as missing.
bool ReadInto(platform::RegistryKey& key, const char* name, char* out) {
    std::string text;
    if (!platform::ReadText(key, name, &text, platform::kWorkBufferSize - 1)) return false;
    std::strcpy(out, text.c_str());
    return true;
}

}  // namespace

int ScanAdobeVersions(HKEY root, const char* product, char* displayName, char* installFolder) {
    for (char* out : {displayName, installFolder})
        if (out) out[0] = 0;
    if (!product) return 0;
    char folder[platform::kWorkBufferSize] = {};
    // A version without InstallPath counts too, with no folder.
    const std::string best = ScanVersionKeys(
        root, std::string(registry_paths::kAdobe) + "\\" + product,
        [&](const std::string&, const std::string& versionKey, platform::RegistryKey&) {
            folder[0] = 0;
            std::string installPath = versionKey + "\\" + registry_paths::kAdobeInstallPath;
            platform::RegistryKey install;
            if (install.Open(root, installPath.c_str(), platform::kReadAccess) && !ReadInto(install, "", folder))
                folder[0] = 0;
        });
    if (best.empty()) return 0;
    std::string name = std::string(product) + " " + best;
    if (name.size() >= platform::kWorkBufferSize) return 0;
    if (displayName) std::strcpy(displayName, name.c_str());
    if (installFolder) std::strcpy(installFolder, folder);
    return 1;
}

int FindLatestAdobeApp(const char* product, char* displayName, char* installFolder) {
    if (ScanAdobeVersions(HKEY_LOCAL_MACHINE, product, displayName, installFolder)) return 1;
    return ScanAdobeVersions(HKEY_CURRENT_USER, product, displayName, installFolder);
}

void FindLatestIchitaro(char* productName, char* exePath) {
    for (char* out : {productName, exePath})
        if (out) out[0] = 0;
    platform::RegistryKey taro;
    platform::KeyNameList versions;
    if (!taro.Open(HKEY_LOCAL_MACHINE, registry_paths::kTaro, platform::kReadAccess) || !taro.EnumSubkeys(&versions))
        return;
    std::string best = kLowestVersion;
    for (const char* version : versions)  // the version keys themselves are not opened
        if (IsVersionName(version) && IsGreaterVersion(version, best.c_str())) best = version;
    // Only the three known versions count: 9.0 ranks above 10.0 and 11.0, and a
    // greater unknown version (12.0 beside 10.0) hides them all.
    const TaroVersion* row = nullptr;
    for (const auto& candidate : kTaroVersions)
        if (best == candidate.version) row = &candidate;
    if (!row) return;

    char text[platform::kWorkBufferSize];
    std::string productKey =
        std::string(registry_paths::kTaro) + "\\" + row->version + "\\" + registry_paths::kTaroProductName;
    platform::RegistryKey product;
    if (product.Open(HKEY_LOCAL_MACHINE, productKey.c_str(), platform::kReadAccess) &&
        ReadInto(product, registry_paths::kTaroProductNameValue, text) && productName)
        std::strcpy(productName, text);
    platform::RegistryKey folders;
    if (folders.Open(HKEY_LOCAL_MACHINE, registry_paths::kTaroFolders, platform::kReadAccess) &&
        ReadInto(folders, row->folderValue, text) && exePath) {
        platform::TrimPath(text);
        if (std::strlen(text) + std::strlen(row->executable) < platform::kWorkBufferSize) {
            std::strcpy(exePath, text);
            std::strcat(exePath, row->executable);
        }
    }
}

}  // namespace detect
