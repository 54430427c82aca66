// Display names of the applications found through their own registrations (see
// display_names.h).
#include "detect/display_names.h"

#include <cstdio>
#include <cstring>

#include "platform/text.h"

namespace detect {
namespace {

const char* IELabel(unsigned short major, unsigned short minor) {
    switch (major) {
        case 0:
        case 1:
        case 2:
        case 3:
            return nullptr;
        case 4:
            switch (minor) {
                case 70:
                    return "3";
                case 71:
                    return "4";
                case 72:
                    return "4.01";
                default:
                    return nullptr;
            }
        case 5:
            switch (minor) {
                case 0:
                    return "5";
                case 50:
                    return "5.5";
                default:
                    return "5.x";
            }
        case 6:
            return "6";
        default:
            return "7\x88\xc8\x8f\xe3";  // "7以上", 7 or later
    }
}

}  // namespace

LONG AppendIEVersionLabel(char* work, char* out, unsigned short major, unsigned short minor, unsigned short,
                          LONG noLabelResult) {
    const char* label = IELabel(major, minor);
    if (!label) return noLabelResult;
    std::strcat(work, label);
    if (out) std::strcpy(out, work);
    return static_cast<LONG>(std::strlen(work));
}

void FormatVersionedName(char* out, const char* prefix, unsigned short major, unsigned short minor,
                         unsigned short build) {
    std::snprintf(out, platform::kWorkBufferSize, "%s%d.%d.%d", prefix, major, minor, build);
}

}  // namespace detect
