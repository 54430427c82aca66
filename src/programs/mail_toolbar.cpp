// ZenthoMailTransToolBar.exe: the mail translation toolbar that Outlook Express and
// Netscape Messenger share.
#include "programs/trans_windows.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return RunTransWindows(instance, &texts::kMailToolbar, 1);
}
