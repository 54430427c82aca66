// How a change reads, for people and for programs: the one place that takes a change
// apart. The tool prints its words and its JSON; the tests compare the words.
//
//   created key K                      {"op":"create-key","key":K}
//   deleted key K                      {"op":"delete-key","key":K}
//   set K "NAME" = "TEXT"              {"op":"set-value","key":K,"name":N,"type":"REG_SZ","data":"TEXT"}
//                                      (in words NAME and TEXT as QuotedText writes them)
//   set K (default) = 1 (REG_DWORD)    ... "type":"REG_DWORD","data":1
//   deleted value K "NAME"             {"op":"delete-value","key":K,"name":N}
//   copied FROM to TO                  {"op":"copy-file","from":FROM,"to":TO}
//   deleted file F                     {"op":"delete-file","path":F}
//   created folder F                   {"op":"create-folder","path":F}
//   started P PARAMETERS               {"op":"start-program","path":P,"parameters":PARAMETERS}
//   sent WM_CLOSE to the window "T" (C) {"op":"send-message","message":"WM_CLOSE","class":C,"title":T}
#pragma once

#include <functional>
#include <string>

#include "tools/winsim/changes/changes.h"

namespace os {

// Texts of a change are bytes in the machine's code page; the converter makes them
// what the reader takes (UTF-8 for the tool's output). The default leaves them as
// they are.
using TextConverter = std::function<std::string(const std::string&)>;

std::string ChangeWords(const Change& change, const TextConverter& text = nullptr);
std::string ChangeJson(const Change& change, const TextConverter& text = nullptr);

// A text in words as a .reg file quotes it: its backslashes and double quotes escaped, so that
// where it ends is never in doubt ("\"C:\\x.exe\"" for the text "C:\x.exe" in quotes). For
// text converted to UTF-8 (in code page bytes a second byte 0x5C would be taken for a backslash).
std::string QuotedText(const std::string& text);

// A JSON string literal, quotes included, for UTF-8 text.
std::string JsonString(const std::string& utf8);

// UTF-8 text for a terminal, its control characters (C0, DEL and C1) shown as \x1b and the
// like, as ls and git show them: registry text is someone else's, and an escape sequence in it
// must not reach the terminal, nor a line break start a line of its own.
std::string Visible(const std::string& utf8);

}  // namespace os
