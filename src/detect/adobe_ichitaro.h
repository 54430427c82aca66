// Adobe Acrobat, Acrobat Reader and Justsystem Ichitaro detection.
#pragma once

#include "platform/os/os.h"

namespace detect {

// product: "Adobe Acrobat" or "Acrobat Reader". The machine's registration first,
// the user's when the machine's has none. displayName ("Acrobat Reader 5.0") and
// installFolder (the version's InstallPath, as stored) may be null; each holds 261
// bytes. Returns 1 when a version was found.
int FindLatestAdobeApp(const char* product, char* displayName, char* installFolder);
int ScanAdobeVersions(HKEY root, const char* product, char* displayName, char* installFolder);

// The newest Ichitaro among versions 9.0, 10.0 and 11.0: its product name and its
// executable's path (each may be null; 261 bytes). Nothing found: empty outputs.
void FindLatestIchitaro(char* productName, char* exePath);

}  // namespace detect
