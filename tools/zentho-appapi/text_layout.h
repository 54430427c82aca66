// How the tool's text fits a terminal: the width it is given, the cells a text takes, and
// help text wrapped to a width.
#pragma once

#include <cstddef>
#include <string>

// What the help and the messages fit where their content allows.
constexpr size_t kHelpColumns = 100;

// The width of the terminal the output goes to, as ls takes it: the terminal's own, else a
// positive COLUMNS; 0 (no limit) for a pipe or a file without COLUMNS, so that scripts get whole lines.
size_t TerminalColumns();

// Columns a UTF-8 text takes on a terminal: Japanese characters take two cells.
size_t Cells(const std::string& utf8);

// Each line longer than `width` broken at blanks, the lines it continues on indented as it is.
std::string Wrap(const std::string& text, size_t width = kHelpColumns);
