// How the newest version of an application is chosen everywhere: its registry key's
// version subkeys are visited in enumeration order from the best value "0.0"; a
// subkey counts only when its name is made of digits and full stops; it wins when its
// name is greater than the best so far by byte-wise multi-byte comparison, not by
// number, so 9.0 ranks above 10.0.
#pragma once

#include <string>

#include "port/os.h"
#include "platform/registry_key.h"
#include "platform/text.h"

namespace detect {

inline constexpr char kLowestVersion[] = "0.0";
inline constexpr char kVersionCharacters[] = "0123456789.";

inline const unsigned char* Bytes(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

// Made only of digits and full stops (as 9.0 or 10.0; not Common, 8.0a or 9.7 Beta).
bool IsVersionName(const char* name);
// Begins with a digit or a full stop (as Netscape's 4.76 (en)).
bool BeginsLikeVersion(const char* name);
bool IsGreaterVersion(const char* name, const char* best);

// Visits the version subkeys of base below root in enumeration order and calls
// onBest(version, key path, open key) for each that becomes the best so far: a name
// made like a version, whose key opens, and greater than every one before. Returns
// the best version, "" when none counted. Paths that do not fit 260 bytes are passed by.
template <typename OnBest>
std::string ScanVersionKeys(HKEY root, const std::string& base, OnBest onBest) {
    platform::RegistryKey key;
    platform::KeyNameList versions;
    if (base.size() >= platform::kWorkBufferSize || !key.Open(root, base.c_str(), platform::kReadAccess) ||
        !key.EnumSubkeys(&versions))
        return "";
    std::string best = kLowestVersion;
    bool found = false;
    for (const char* version : versions) {
        if (!IsVersionName(version)) continue;
        std::string versionKey = base + "\\" + version;
        if (versionKey.size() >= platform::kWorkBufferSize) continue;
        platform::RegistryKey opened;
        if (!opened.Open(root, versionKey.c_str(), platform::kReadAccess)) continue;
        if (!IsGreaterVersion(version, best.c_str())) continue;
        best = version;
        found = true;
        onBest(best, versionKey, opened);
    }
    return found ? best : "";
}

}  // namespace detect
