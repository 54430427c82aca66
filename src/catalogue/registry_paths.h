// Registry paths of Windows and of other applications that the library reads or
// writes (the product's own are in product.h). All below HKEY_LOCAL_MACHINE unless
// said otherwise.
#pragma once

#include <string>

namespace registry_paths {

// Programs started at logon: one string value per program, the data its command line.
inline constexpr const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// Programs registered with the shell: one key per program file name (the catalogue
// names the program), whose default value holds the executable's path.
inline constexpr const char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
inline std::string AppPathsKey(const char* program) { return std::string(kAppPaths) + "\\" + program; }

// Microsoft Office: one subkey per version, below it <application>\InstallRoot "Path".
inline constexpr const char kOffice[] = "Software\\Microsoft\\Office";
inline constexpr const char kInstallRoot[] = "InstallRoot";

// Netscape: one subkey per version ("4.76 (en)"), below it Main "Install Directory".
inline constexpr const char kNetscapeNavigator[] = "Software\\Netscape\\Netscape Navigator";
inline constexpr const char kNetscapeMain[] = "Main";
inline constexpr const char kNetscapeInstallDirectory[] = "Install Directory";

// Adobe (machine, then user): Software\Adobe\<product>\<version>\InstallPath, default value.
inline constexpr const char kAdobe[] = "Software\\Adobe";
inline constexpr const char kAdobeInstallPath[] = "InstallPath";

// Justsystem Ichitaro.
inline constexpr const char kTaro[] = "Software\\Justsystem\\Taro";
inline constexpr const char kTaroProductName[] = "SETUP\\ProductName";
inline constexpr const char kTaroProductNameValue[] = "Detail";
inline constexpr const char kTaroFolders[] = "Software\\Justsystem\\Common\\SETUP\\Folder";

// The Sarvin Tessaline suite: Software\Sarvin\<application>\<version>, machine-wide
// "Path", "Name", "Description" (and for the groupware "DataPath"); per user
// ...\<version>\Paths\<folder> "JA".
inline constexpr const char kSarvin[] = "Software\\Sarvin";
inline constexpr const char kSuitePaths[] = "Paths";
inline constexpr const char kSuiteJapaneseFolder[] = "JA";

// Internet Explorer's context-menu entries and its Tools-menu and toolbar extensions
// (below HKEY_CURRENT_USER).
inline constexpr const char kIEMenuExt[] = "Software\\Microsoft\\Internet Explorer\\MenuExt";
inline constexpr const char kIEExtensions[] = "Software\\Microsoft\\Internet Explorer\\Extensions";

// Eudora's settings (below HKEY_CURRENT_USER): "Current" holds its command line.
inline constexpr const char kEudoraCommandLine[] = "Software\\Qualcomm\\Eudora\\CommandLine";
inline constexpr const char kEudoraCurrent[] = "Current";

// The maker's mail client Quillon (below HKEY_CURRENT_USER).
inline constexpr const char kQuillon[] = "Software\\Arvelle\\Quillon";
inline constexpr const char kQuillonUsers[] = "Software\\Arvelle\\Quillon\\Users";
inline constexpr const char kQuillonUsersKey[] = "Software\\Arvelle\\Quillon\\Users key";
inline constexpr const char kQuillonTranslationLib[] = "TranslationLib";  // the library Quillon loads

// Internet Explorer's runner of script pages, named in its extension entries.
inline constexpr const char kIEScriptClass[] = "{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}";

// The shell's open commands for links (below HKEY_CLASSES_ROOT).
inline constexpr const char kHttpCommand[] = "http\\shell\\open\\command";
inline constexpr const char kMailtoCommand[] = "mailto\\shell\\open\\command";

}  // namespace registry_paths
