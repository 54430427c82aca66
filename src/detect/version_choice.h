// How the newest version of an application is chosen everywhere: its registry key's
// version subkeys are visited in enumeration order from the best value "0.0"; a
// subkey counts only when its name is made of digits and full stops; it wins when its
// name is greater than the best so far by byte-wise multi-byte comparison, not by
// number, so 9.0 ranks above 10.0.
#pragma once

#include "platform/os/os.h"

namespace detect {

inline constexpr char kLowestVersion[] = "0.0";
inline constexpr char kVersionCharacters[] = "0123456789.";

inline const unsigned char* Bytes(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

// Made only of digits and full stops (as 9.0 or 10.0; not Common, 8.0a or 9.7 Beta).
bool IsVersionName(const char* name);
// Begins with a digit or a full stop (as Netscape's 4.76 (en)).
bool BeginsLikeVersion(const char* name);
bool IsGreaterVersion(const char* name, const char* best);

}  // namespace detect
