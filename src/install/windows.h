// The product's background programs found by their windows, asked to close, and the
// one wait of the installer: its bounds live here, in one place.
#pragma once

#include "install/texts.h"
#include "port/os.h"

namespace install {

// The first top-level window whose class name and title begin with the prefixes
// (case-sensitive, at the start only), or null.
HWND FindTransWindow(const char* classPrefix, const char* titlePrefix);
inline HWND FindTransWindow(const texts::TransWindow& window) {
    return FindTransWindow(window.classPrefix, window.titlePrefix);
}

// Sends WM_CLOSE and waits until the window has handled it, or gives up after the
// close bound when the window does not answer.
void SendClose(HWND window);

// Takes one waiting message of the calling thread, if there is one, and dispatches
// it; never waits.
void PumpOneMessage();

struct WaitBounds {
    DWORD closeMessageMs = 5000;     // a window that does not handle WM_CLOSE by then is left
    DWORD ichitaroStartMs = 60000;   // for Ichitaro's window to appear
    DWORD ichitaroCloseMs = 600000;  // for Ichitaro's windows to close
    DWORD passMs = 50;               // between passes: input or this long, whichever comes first
};
WaitBounds& Bounds();  // tests shorten them

}  // namespace install
