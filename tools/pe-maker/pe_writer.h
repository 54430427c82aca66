// Writes small, real PE files with a version resource, for tests and sample machines.
//
// The same bytes serve both backends: the simulation parses them, and under Wine the
// real version.dll reads them. The images are valid executables whose entry point
// returns at once, so that a shell "open" of one starts and ends a process.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pemaker {

enum class Arch { kAmd64, kI386 };

struct VersionInfo {
    uint16_t fileVersion[4] = {0, 0, 0, 0};     // major, minor, build, revision
    uint16_t productVersion[4] = {0, 0, 0, 0};  // major, minor, build, revision
    uint16_t language = 0x0411;                 // Japanese
    uint16_t codepage = 932;
    // String table entries (ProductName, FileDescription, ...), UTF-8.
    std::vector<std::pair<std::string, std::string>> strings;
};

// An executable image; with version == nullptr it has no resource section at all.
std::vector<uint8_t> MakePe(const VersionInfo* version, Arch arch = Arch::kAmd64);

// The same image for the other architecture (or this one), for an image MakePe wrote;
// empty for any other file.
std::vector<uint8_t> RetargetPe(const std::vector<uint8_t>& image, Arch arch);

// Convenience: product and file version both set to the four numbers given.
std::vector<uint8_t> MakeVersionedPe(uint16_t major, uint16_t minor, uint16_t build, uint16_t revision,
                                     Arch arch = Arch::kAmd64);

}  // namespace pemaker
