// Adobe Acrobat, Acrobat Reader and Justsystem Ichitaro detection.
#pragma once

#include "port/os.h"

namespace detect {

// product: "Adobe Acrobat" or "Acrobat Reader". The machine's registration first,
// the user's when the machine's has none. displayName ("Acrobat Reader 5.0") and
// installFolder (the version's InstallPath, as stored) may be null; each holds 261
// bytes. Returns 1 when a version was found.
int FindLatestAdobeApp(const char* product, char* displayName, char* installFolder);
int ScanAdobeVersions(HKEY root, const char* product, char* displayName, char* installFolder);

// The Ichitaro versions detection knows.
struct TaroVersion {
    const char* version;      // the subkey below Software\Justsystem\Taro
    const char* folderValue;  // its program folder's value below ...\SETUP\Folder
    const char* executable;   // appended to the folder
};
inline constexpr TaroVersion kTaroVersions[] = {
    {"9.0", "Tarowin9", "\\Taro9.exe"},
    {"10.0", "Taro10", "\\Taro10.exe"},
    {"11.0", "Taro11", "\\Taro11.exe"},
};

// The newest Ichitaro among those versions: its product name and its executable's
// path (each may be null; 261 bytes). Nothing found: empty outputs.
void FindLatestIchitaro(char* productName, char* exePath);

}  // namespace detect
