// The version choice rule (see version_choice.h).
#include "detect/version_choice.h"

#include <cstring>

namespace detect {

bool IsVersionName(const char* name) {
    return os::_mbsspn(Bytes(name), Bytes(kVersionCharacters)) == std::strlen(name);
}

bool BeginsLikeVersion(const char* name) { return os::_mbsspn(Bytes(name), Bytes(kVersionCharacters)) >= 1; }

bool IsGreaterVersion(const char* name, const char* best) { return os::_mbscmp(Bytes(name), Bytes(best)) > 0; }

}  // namespace detect
