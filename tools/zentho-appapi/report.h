// The tool's "report": every supported application with its AppId, group, display
// name, executable and integration state, then the default browser and mailer.
#pragma once

#include <string>

#include "library.h"

std::string ReportText(const Library& library);
std::string ReportJson(const Library& library);

// The cells a UTF-8 text takes on a terminal: Japanese characters take two.
size_t Cells(const std::string& utf8);
