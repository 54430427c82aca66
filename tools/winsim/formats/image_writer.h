// An offline Windows image made of a machine folder laid out as the sample machine is
// (a Windows 2000 volume with one profile): its drive C:, and its registry, with another
// .reg file's keys added to HKEY_LOCAL_MACHINE\SOFTWARE if asked, as hive files written
// with hivex. The tool's checks and the benchmarks read such images as customers' images.
// Laid out as Windows 2000 and XP do (Documents and Settings\USER, WINNT), or as Vista and
// later do (Users\USER with AppData\Roaming and AppData\Local, ProgramData, Windows, version
// 6.1): the folder's paths, in its files and in its registry texts, moved to match.
#pragma once

#include <string>

#include "tools/winsim/core/machine.h"

namespace sim {

enum class ImageLayout { kXp, kVista };

// DIR becomes the volume (extraReg "" adds nothing); *hiveBytes is what its hive files
// hold together, *softwareBytes the SOFTWARE hive alone.
bool WriteImage(const std::string& machineFolder, const std::string& dir, const std::string& extraReg,
                ImageLayout layout, size_t* hiveBytes, size_t* softwareBytes, std::string* error);

}  // namespace sim
