// The exported functions. Until the detection, state and installer code exists, the
// exports behind it answer their documented "nothing found" results.
#include "frame/exports.h"

#include <cstring>
#include <initializer_list>
#include <string>

#include "catalogue/catalogue.h"

LONG GetDefaultBrowser(char*) { return -1; }
LONG GetDefaultBrowserPath(char*) { return -1; }
int GetDefaultBrowserState() { return 0; }
LONG GetDefaultMailer(char*) { return -1; }
LONG GetDefaultMailerPath(char*) { return -1; }
int GetDefaultMailerState() { return 0; }
LONG GetLatestApplicationName(unsigned int, char*) { return -3; }
LONG GetLatestApplicationPath(unsigned int, char*) { return -3; }
int GetLatestApplicationState(unsigned int) { return 0; }

void GetLatestSarvinTessalineAppInfo(char*, char* displayName, char* exePath, char* versionKey) {
    for (char* out : {displayName, exePath, versionKey})
        if (out) out[0] = 0;
}

LONG GetSupportedApplications(unsigned int groupMask, char* list) {
    // A group is listed when the mask holds its bit and a low byte of 0xFF; the groups'
    // texts stand back to back, each entry quoted, entries of a group separated by
    // comma, CR, LF.
    std::string text;
    for (const auto& group : catalogue::kGroups) {
        if ((groupMask & catalogue::GroupMask(group)) != catalogue::GroupMask(group)) continue;
        for (size_t i = 0; i < group.entryCount; ++i) {
            if (i) text += ",\r\n";
            text += '"';
            text += group.entries[i];
            text += '"';
        }
    }
    if (list) std::memcpy(list, text.c_str(), text.size() + 1);
    return 0;
}

int SetDefaultBrowserState(int) { return 0; }
int SetDefaultMailerState(int) { return 0; }
int SetLatestApplicationState(unsigned int, int) { return 0; }
void UpdateApplTransSettings(unsigned int, int, int) {}
