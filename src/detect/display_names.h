// The display names the library builds for applications found through their own
// registrations (Office, suite, Adobe and Ichitaro names are built by their
// detection routines). Japanese texts are Shift-JIS bytes.
#pragma once

#include "platform/os/os.h"

namespace detect {

inline constexpr char kInternetExplorerPrefix[] = "Microsoft Internet Explorer ";
inline constexpr char kOutlookExpressPrefix[] = "Microsoft Outlook Express ";
inline constexpr char kNavigatorPrefix[] = "Netscape Navigator ";
inline constexpr char kMessengerPrefix[] = "Netscape Messenger ";
inline constexpr char kAdobePrefix[] = "Adobe ";
inline constexpr char kEudoraPrefix[] = "Qualcomm Eudora Pro ";

// Appends the Internet Explorer version label for a product version (4.72 is "4.01",
// 5.50 is "5.5", 7 and later "7以上") to work, a name prefix, copies work into out when
// given and returns its length. A version without label changes nothing and returns
// noLabelResult.
LONG AppendIEVersionLabel(char* work, char* out, unsigned short major, unsigned short minor, unsigned short build,
                          LONG noLabelResult);

// The names with three version numbers, into 261-byte buffers. Eudora's prefix ends
// in a blank and the format adds one: two blanks stand before the numbers.
void FormatEudoraName(char* out, unsigned short major, unsigned short minor, unsigned short build);
void FormatQuillonName(char* out, unsigned short major, unsigned short minor, unsigned short build);

}  // namespace detect
