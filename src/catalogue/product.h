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
// Beside them in Outlook's state key: what the installer placed as Outlook's macro
// project, as the size and a hash of its bytes.
inline constexpr const char kPlacedMacroProjectValue[] = "PlacedVbaProject";

// The product's own names in other applications' keys: its logon entries (values
// under the Run key), its add-in key below PowerPoint's "AddIns", and Internet
// Explorer's entries: context-menu keys by their name prefix, Tools-menu and toolbar
// extensions by the product's GUIDs (two of them of earlier editions, only removed).
inline constexpr const char kNetscapeRunValue[] = "ZenthoNSTrans";
inline constexpr const char kMailToolbarRunValue[] = "ZenthoMailTrans";
inline constexpr const char kPowerPointAddInKey[] = "Zentho4";
inline constexpr const char kMenuPrefix[] = "Zentho: ";
inline constexpr const char kStatusPrefix[] = "Zenthora: ";
inline constexpr const char kButtonExtension[] = "{1B11B63A-E206-40F4-AA40-7B082F6C00B1}";
inline constexpr const char kTranslateExtension[] = "{21591720-45D9-4019-8B88-B77876EA8ECD}";
inline constexpr const char kUnknownWordsExtension[] = "{83A2EC0C-D0BC-4E0D-8804-1C71BF891CBD}";
inline constexpr const char kSettingsExtension[] = "{24B9A113-3B3B-49E9-99E1-55773FCA78CD}";
inline constexpr const char kEarlierExtensions[2][39] = {"{D27DFD22-B6B4-4B05-B365-259518DD1BBF}",
                                                         "{3EB3F2E4-534B-41AD-91B8-35E556F5FE08}"};

}  // namespace product
