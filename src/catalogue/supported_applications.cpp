// The body of GetSupportedApplications: the texts of the catalogue's groups for the settings
// program's lists.
#include <cstring>
#include <string>

#include "catalogue/catalogue.h"

namespace catalogue {

long SupportedApplications(unsigned int groupMask, char* list) {
    if (list) list[0] = 0;  // should building the text fail, the list reads empty
    // A group is listed when the mask holds its bit and a low byte of 0xFF. Each entry
    // stands in double quotes; entries of a group are separated by comma, CR, LF; the
    // groups' texts stand back to back, with nothing between them.
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
    // The buffer's size is the caller's business: there is no capacity to test.
    if (list) std::memcpy(list, text.c_str(), text.size() + 1);
    return 0;
}

}  // namespace catalogue
