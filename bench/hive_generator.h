// A registry the size of a real machine's software hive, written as a REGEDIT4 file
// in code page 932: COM classes, interfaces and type libraries below
// SOFTWARE\Classes, uninstall and installer entries, a SharedDLLs key with thousands
// of values, and vendors' settings nested up to eight levels, some of them named in
// Japanese (including double-byte characters whose second byte is a backslash).
// The content comes from a fixed seed: every run writes the same bytes.
#pragma once

#include <cstddef>
#include <string>

namespace bench {

struct HiveStats {
    size_t keys = 0;
    size_t values = 0;
    size_t bytes = 0;
    size_t maxDepth = 0;       // below HKEY_LOCAL_MACHINE
    size_t strings = 0;        // REG_SZ
    size_t dwords = 0;         // REG_DWORD
    size_t binaries = 0;       // REG_BINARY (hex:)
    size_t expandStrings = 0;  // REG_EXPAND_SZ (hex(2):)
    size_t multiStrings = 0;   // REG_MULTI_SZ (hex(7):)
    size_t japaneseNames = 0;  // key and value names with double-byte characters
    size_t widestKey = 0;      // the most subkeys of one key
    size_t mostValues = 0;     // the most values of one key
};

// Writes exactly `keys` keys and `values` values (each key listed once, parents first).
bool WriteHive(const std::string& path, size_t keys, size_t values, HiveStats* stats, std::string* error);

}  // namespace bench
