// The display names the library builds for applications found through their own
// registrations (Office, suite, Adobe and Ichitaro names are built by their
// detection routines); the names' beginnings are in the catalogue. Japanese texts are
// Shift-JIS bytes.
#pragma once

#include "port/os.h"

namespace detect {

// Appends the Internet Explorer version label for a product version (4.72 is "4.01",
// 5.50 is "5.5", 7 and later "7以上") to work, a name prefix, copies work into out when
// given and returns its length. A version without label changes nothing and returns
// noLabelResult.
LONG AppendIEVersionLabel(char* work, char* out, unsigned short major, unsigned short minor, unsigned short build,
                          LONG noLabelResult);

// A name with three version numbers ("Quillon 1.2.3"), into a 261-byte buffer.
void FormatVersionedName(char* out, const char* prefix, unsigned short major, unsigned short minor,
                         unsigned short build);

}  // namespace detect
