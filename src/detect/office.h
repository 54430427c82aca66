// Microsoft Office detection: the newest installed Word, Excel, PowerPoint or Outlook.
#pragma once

namespace detect {

// application: "Word", "Outlook", "Excel" or "PowerPoint". Outputs (each may be null,
// each holds 261 bytes): the display name with the edition ("Microsoft Word 2000"),
// the executable's path, and the application's key below HKEY_LOCAL_MACHINE
// ("Software\Microsoft\Office\9.0\Word"). Nothing found: the outputs are empty.
void FindLatestOfficeApp(const char* application, char* displayName, char* exePath, char* appKey);

// The edition a display name ends with, from the executable's product version: 9.x is
// "2000", 8.5 "98", another 8.x "97?" (the question mark is part of it), others "".
const char* OfficeEditionLabel(unsigned short major, unsigned short minor);

}  // namespace detect
