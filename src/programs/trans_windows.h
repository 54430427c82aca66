// The product's background translation programs: while one runs it owns top-level
// windows with the class names and titles the installer looks for, and it ends when
// any of them is asked to close.
#pragma once

#include <windows.h>

#include <cstddef>

#include "install/texts.h"

int RunTransWindows(HINSTANCE instance, const texts::TransWindow* windows, size_t count);
