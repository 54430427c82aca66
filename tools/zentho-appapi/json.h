// Writing the tool's JSON output.
#pragma once

#include <string>

// A JSON string literal, quotes included, for UTF-8 text.
std::string JsonString(const std::string& utf8);
