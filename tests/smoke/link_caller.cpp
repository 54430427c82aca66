// A caller that only links: it includes the public header alone and names every
// export, so that its import table shows which names an ordinary caller's build asks
// the DLL for. Built with Microsoft's ABI (clang and lld-link) and with MinGW.
#include "ZenthoAppAPILib.h"

extern "C" int ZenthoCallerEntry() {
    char text[261];
    long n = GetDefaultBrowser(text) + GetDefaultBrowserPath(text) + GetDefaultMailer(text) +
             GetDefaultMailerPath(text) + GetLatestApplicationName(ZENTHO_APP_WORD, text) +
             GetLatestApplicationPath(ZENTHO_APP_WORD, text) + GetSupportedApplications(ZENTHO_GROUP_ALL, text);
    n += GetDefaultBrowserState() + GetDefaultMailerState() + SetDefaultBrowserState(1) + SetDefaultMailerState(1) +
         GetLatestApplicationState(ZENTHO_APP_WORD) + SetLatestApplicationState(ZENTHO_APP_WORD, 1);
    GetLatestSarvinTessalineAppInfo(text, text, text, text);
    UpdateApplTransSettings(ZENTHO_APP_WORD, 1, 0);
    return static_cast<int>(n);
}
