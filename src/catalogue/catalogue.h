// The catalogue: the one table of supported applications. A row says everything the
// library knows of an application: its AppId, its group, its names, the key of its
// integration state, how detection finds it and which installer branch places its
// integration. Detection, the installer, the default programs and the tool all read
// it; nothing else spells an AppId.
//
// An AppId holds one group bit (0x100 to 0x2000) and one member bit (0x01 to 0x10).
// Outlook has two AppIds, mail and Office, that share one state key.
#pragma once

#include <cstddef>

#define ZENTHOAPPAPILIB_NAMES_ONLY
#include "ZenthoAppAPILib.h"

namespace catalogue {

using AppId = unsigned int;

struct Group {
    unsigned int bit;         // 0x100 ... 0x2000; the group's mask is bit | 0xFF
    const char* description;  // for people
    // The entries that GetSupportedApplications lists for the group, in order.
    const char* const* entries;
    size_t entryCount;
};

// How detection finds an application's newest installation and names it.
enum class Detection {
    kOffice,         // Office's registration; detectName is the application's key ("Word")
    kSuite,          // the suite's registration; detectName is the application ("Corvane")
    kExplorerStyle,  // the shell's App Paths key of program; the program's version as a label
    kVersioned,      // the App Paths command naming program; its version as three numbers
    kAdobe,          // Adobe's registration of detectName; program lies in its folder
    kIchitaro,       // Justsystem's registration
    kNetscape,       // Netscape's registration, named by its greatest version
};

// Which installer branch places and removes the integration.
enum class Branch {
    kInternetExplorer,
    kNetscape,
    kMailToolbar,  // shared by two mail clients: each acts only while the other is off
    kEudora,
    kQuillon,
    kOfficeAddIn,
    kOutlook,
    kCorvane,
    kSuiteScripts,  // Scrivale and Calvora
    kPictora,
    kAcrobat,
    kIchitaro,
};

// Where the Office add-in branch puts an application's add-in.
struct AddIn {
    const char* installSubfolder;  // below the application's own folder
    const char* userSubfolder;     // below the user's application-data folder
    const char* dataFolder;        // the product's data subfolder that holds it
    const char* file;
    bool registered;  // the application also lists its add-ins in the registry
};

// The files the suite-scripts branch deletes from an application's toolbar-icon
// folder and script folder, and copies into them (null-terminated lists).
struct SuiteScripts {
    const char* scriptFolder;  // the folder's name in the suite's registration
    const char* const* iconDeletions;
    const char* const* scriptDeletions;
    const char* const* iconCopies;
    const char* const* scriptCopies;
    const char* dataFolder;
    const char* startAfterCopies;  // in the data subfolder, or null
};

struct Application {
    AppId id;
    const char* description;  // for people (the tool's report)
    const char* shortName;    // the tool's name for it (word, ie, ...)
    const char* stateSuffix;  // appended to the product key, under HKEY_CURRENT_USER
    Detection detection;
    const char* detectName;  // what the method looks up (see Detection), or null
    const char* program;     // the program's file name, or null
    const char* namePrefix;  // the beginning of the display name the method builds, or null
    Branch branch;
    const AddIn* addIn = nullptr;                // kOfficeAddIn only
    const SuiteScripts* suiteScripts = nullptr;  // kSuiteScripts only
    AppId partner = 0;                           // kMailToolbar: the other client of the program
};

// The rows, in AppId order; a range, so that a new row changes nothing here.
struct ApplicationTable {
    const Application* rows;
    size_t count;
    const Application* begin() const { return rows; }
    const Application* end() const { return rows + count; }
    size_t size() const { return count; }
    const Application& operator[](size_t i) const { return rows[i]; }
};

extern const Group kGroups[6];
extern const ApplicationTable kApplications;

inline unsigned int GroupMask(const Group& group) { return group.bit | 0xFF; }

// The table entry of an AppId (exact value), or null.
const Application* FindApplication(AppId id);
// The first entry found by the method under that name, or null.
const Application* FindByDetection(Detection detection, const char* detectName);

// The state key path of an AppId: the product key followed by its suffix; the product
// key alone for an AppId that is not in the table. The buffer holds 360 bytes.
constexpr size_t kStateKeyBufferSize = 360;
void MakeStateKeyPath(AppId id, char* buffer);

// The texts of the groups in the mask, for the settings program's lists (the body of
// the export GetSupportedApplications): always 0.
long SupportedApplications(unsigned int groupMask, char* list);

}  // namespace catalogue
