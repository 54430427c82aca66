// The catalogue: every supported application, its AppId, its group, and the key
// under which its integration state is kept.
//
// An AppId holds one group bit (0x100 to 0x2000) and one member bit (0x01 to 0x10).
// Outlook has two AppIds, 0x202 (mail) and 0x402 (Office), that share one state key.
#pragma once

#include <cstddef>

namespace catalogue {

using AppId = unsigned int;

struct Group {
    unsigned int bit;         // 0x100 ... 0x2000; the group's mask is bit | 0xFF
    const char* description;  // for people
    // The entries that GetSupportedApplications lists for the group, in order.
    const char* const* entries;
    size_t entryCount;
};

struct Application {
    AppId id;
    const char* description;  // for people (the tool's report)
    const char* shortName;    // the tool's name for it (word, ie, ...)
    const char* stateSuffix;  // appended to the product key, under HKEY_CURRENT_USER
};

extern const Group kGroups[6];
extern const Application kApplications[18];

inline unsigned int GroupMask(const Group& group) { return group.bit | 0xFF; }

// The table entry of an AppId (exact value), or null.
const Application* FindApplication(AppId id);

// The state key path of an AppId: the product key followed by its suffix; the product
// key alone for an AppId that is not in the table. The buffer holds 360 bytes.
constexpr size_t kStateKeyBufferSize = 360;
void MakeStateKeyPath(AppId id, char* buffer);

// The texts of the groups in the mask, for the settings program's lists (the body of
// the export GetSupportedApplications): always 0.
long SupportedApplications(unsigned int groupMask, char* list);

}  // namespace catalogue
