// The tool's "report": every supported application with its AppId, group, display
// name, executable and integration state, then the default browser and mailer.
#pragma once

#include <string>

#include "library.h"

// The text fits `width` columns where its content allows (0: no limit): see ReportText.
std::string ReportText(const Library& library, size_t width = 0);
std::string ReportJson(const Library& library);
