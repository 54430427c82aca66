// ZenthoNSTrans.exe: the background program of the Netscape Navigator integration,
// started from the product's program folder at logon and when integration is
// switched on, closed when it is switched off.
#include "programs/trans_windows.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const texts::TransWindow windows[] = {texts::kNetscapeMain, texts::kNetscapeSub};
    return RunTransWindows(instance, windows, 2);
}
