// An offline Windows image for the benchmark: the sample machine's drive C:, and its
// registry with the generated one (hive_generator.h) added to HKEY_LOCAL_MACHINE\SOFTWARE,
// as hive files written with hivex. A user of an image today exports its hives with
// hivexregedit and loads the result as a machine folder (sim::WriteSettingsFolder gives
// that folder the image's settings).
#pragma once

#include <string>

#include "platform/os/sim/machine.h"

namespace bench {

// DIR becomes the volume (generatedReg "" adds nothing to the sample's registry); *hiveBytes is what its hive files hold together, *softwareBytes the
// SOFTWARE hive alone.
bool WriteImage(const std::string& dir, const std::string& generatedReg, size_t* hiveBytes, size_t* softwareBytes,
                std::string* error);

}  // namespace bench
