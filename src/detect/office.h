// Microsoft Office detection: the newest installed Word, Excel, PowerPoint or Outlook.
#pragma once

namespace detect {

// application: "Word", "Outlook", "Excel" or "PowerPoint". Outputs (each may be null,
// each holds 261 bytes): the display name with the edition ("Microsoft Word 2000"),
// the executable's path, and the application's key below HKEY_LOCAL_MACHINE
// ("Software\Microsoft\Office\9.0\Word"). Nothing found: the outputs are empty.
void FindLatestOfficeApp(const char* application, char* displayName, char* exePath, char* appKey);

}  // namespace detect
