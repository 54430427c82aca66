// The short header that begins report and check: which machine was read (a machine folder,
// an image, or the machine the Windows build runs on), its Windows and code page, the
// profile whose settings were read and its SID, and where the product is installed.
#pragma once

#include <string>

#include "library.h"

// Lines of "NAME  TEXT", then a blank line, each part of a TEXT on a line of its own below
// where the line would not fit `width` (0: no limit):
//   machine  machine folder /tmp/m: Windows 2000 (NT 5.0 build 2195), code page 932
//   profile  C:\Documents and Settings\taro (S-1-5-21-...)
//   product  C:\Program Files\Arvelle Zentho V4
std::string MachineHeader(const Library& library, size_t width = 0);
