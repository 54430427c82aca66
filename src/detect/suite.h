// Sarvin Tessaline suite detection.
#pragma once

#include <string>

namespace detect {

// What a suite application's display name begins with, before its "Description".
inline constexpr char kSuiteDisplayPrefix[] = "Sarvin ";

// One of a suite application's per-user folders for the Japanese language ("JA"
// below ...\Paths\<folder> of the newest version under HKEY_CURRENT_USER), expanded
// and trimmed; assigned to *out only when found, otherwise *out keeps what it held.
void GetSuiteUserFolder(const char* application, const char* folderName, std::string* out);

// The groupware's toolbar-icon folder, read from its settings file "Corvane.ini";
// versionKey is the groupware's machine-wide version key, or null to look it up.
// Returns the length of the folder (0 when nothing was found) and copies it into out
// (261 bytes) when out is given.
long FindCorvaneIconPath(const char* versionKey, char* out);

// The newest installed version of one suite application (the body of the export
// GetLatestSarvinTessalineAppInfo). Outputs (each may be null, each 261 bytes) are
// emptied first: the display name ("Sarvin " and the version's "Description"), the
// executable's path ("Path", a backslash, "Name") and the version key below
// HKEY_LOCAL_MACHINE.
void LatestSuiteAppInfo(char* application, char* displayName, char* exePath, char* versionKey);

}  // namespace detect
