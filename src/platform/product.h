// The product's own registry names and built-in defaults.
#pragma once

namespace product {

// Under HKEY_LOCAL_MACHINE: the product's configuration. Under HKEY_CURRENT_USER:
// the per-application integration state below "ApplTrans".
inline constexpr const char kProductKey[] = "SOFTWARE\\Arvelle\\Zentho V4";

inline constexpr const char kInstallLocationValue[] = "InstallLocation";
inline constexpr const char kProgramLocationValue[] = "ProgramLocation";
inline constexpr const char kDefaultInstallLocation[] = "C:\\Program Files\\Arvelle Zentho V4";
inline constexpr const char kDefaultProgramLocation[] = "C:\\Program Files\\Arvelle Zentho V4\\Program";
inline constexpr const char kDataFolder[] = "Data";

// Values of a StateKey.
inline constexpr const char kTransValue[] = "Trans";
inline constexpr const char kApplNameValue[] = "applname";

}  // namespace product
