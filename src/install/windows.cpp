// Finding, closing and waiting for windows (see windows.h).
#include "install/windows.h"

#include <cstring>

namespace install {
namespace {

struct Search {
    const char* classPrefix;
    const char* titlePrefix;
    HWND found;
};

bool BeginsWith(const char* text, const char* prefix) {
    return os::_mbsnbcmp(reinterpret_cast<const unsigned char*>(text), reinterpret_cast<const unsigned char*>(prefix),
                         std::strlen(prefix)) == 0;
}

BOOL CALLBACK Visit(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    char text[1024];
    if (!os::GetClassNameA(window, text, sizeof text) || !BeginsWith(text, search->classPrefix)) return TRUE;
    if (!os::GetWindowTextA(window, text, sizeof text) || !BeginsWith(text, search->titlePrefix)) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND FindTransWindow(const char* classPrefix, const char* titlePrefix) {
    Search search{classPrefix, titlePrefix, nullptr};
    os::EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void SendClose(HWND window) {
    DWORD_PTR answer = 0;
    os::SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, Bounds().closeMessageMs, &answer);
}

void PumpOneMessage() {
    MSG msg;
    if (os::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        os::TranslateMessage(&msg);
        os::DispatchMessageA(&msg);
    }
}

WaitBounds& Bounds() {
    static WaitBounds bounds;
    return bounds;
}

}  // namespace install
