// The shell's open command for a protocol (see shell_command.h).
#include "defaults/shell_command.h"

#include <cstring>

#include "catalogue/catalogue.h"
#include "catalogue/results.h"
#include "platform/heap_string.h"
#include "platform/registry_key.h"

namespace defaults {

LONG FindProgramInCommand(const char* commandKey, const char* const* files, size_t fileCount, size_t* which,
                          char* program) {
    program[0] = 0;
    platform::RegistryKey key;
    std::string command;
    if (!key.Open(HKEY_CLASSES_ROOT, commandKey, platform::kReadAccess) || !platform::ReadText(key, "", &command))
        return results::kNoOpenCommand;
    key.Close();
    for (size_t i = 0; i < fileCount; ++i) {
        if (platform::ExtractProgramFromCommand(command.c_str(), files[i], program)) {
            *which = i;
            return 1;
        }
    }
    return results::kUnsupportedProgram;
}

Version VersionOf(const char* program) {
    Version v;
    v.readable = platform::GetFileVersion(program, &v.major, &v.minor, &v.build);
    return v;
}

LONG Answer(const char* text, char* buffer, bool countNul) {
    if (buffer) std::strcpy(buffer, text);
    return static_cast<LONG>(std::strlen(text)) + (countNul ? 1 : 0);
}

unsigned int AppIdOfName(const char* name, const NamePrefix* prefixes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (os::_mbsnbcmp(reinterpret_cast<const unsigned char*>(name),
                          reinterpret_cast<const unsigned char*>(prefixes[i].prefix), prefixes[i].bytes) == 0)
            return prefixes[i].appId;
    }
    return 0;
}

const char* DisplayNamePrefix(unsigned int appId) { return catalogue::FindApplication(appId)->namePrefix; }

}  // namespace defaults
