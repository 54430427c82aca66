// Reading the version resource of a PE file, as version.dll does on Windows.
//
// The simulation answers GetFileVersionInfoSizeA / GetFileVersionInfoA /
// VerQueryValueA from the bytes of the file on disk. Nothing inside the file is
// trusted: every offset, count and length is checked against the file's size, so a
// truncated or hostile file gives "no version", never a crash or a read out of bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "port/os.h"
#include "tools/winsim/core/host_file.h"

namespace sim {

// Finds the version resource of a PE file (resource type 16, its first name and its
// first language, as Windows does) and copies its bytes into *block. Returns false
// when the file is not a well-formed PE image or holds no such resource. Only the headers
// and what the resource directory leads to are read, however large the file.
bool FindVersionResource(const RandomAccess& file, std::vector<uint8_t>* block);
bool FindVersionResource(const uint8_t* file, size_t size, std::vector<uint8_t>* block);

// Finds the fixed version information (the value of the root block "\") inside a
// version resource. Returns false unless the root block is well formed and its value
// is a VS_FIXEDFILEINFO with the right signature.
bool FindFixedFileInfo(const uint8_t* block, size_t size, const VS_FIXEDFILEINFO** info);

}  // namespace sim
