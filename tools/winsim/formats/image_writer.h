// An offline Windows image made of a machine folder laid out as the sample machine is
// (a Windows 2000 volume with one profile): its drive C:, and its registry, with another
// .reg file's keys added to HKEY_LOCAL_MACHINE\SOFTWARE if asked, as hive files written
// with hivex. The tool's checks and the benchmarks read such images as customers' images.
#pragma once

#include <string>

#include "tools/winsim/core/machine.h"

namespace sim {

// DIR becomes the volume (extraReg "" adds nothing); *hiveBytes is what its hive files
// hold together, *softwareBytes the SOFTWARE hive alone.
bool WriteImage(const std::string& machineFolder, const std::string& dir, const std::string& extraReg,
                size_t* hiveBytes, size_t* softwareBytes, std::string* error);

}  // namespace sim
