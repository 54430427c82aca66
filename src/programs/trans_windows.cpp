// The background programs' windows (see trans_windows.h).
#include "programs/trans_windows.h"

#include <vector>

namespace {

std::vector<HWND> g_windows;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_CLOSE) {
        // The program ends with any of its windows, taking the others along.
        for (HWND own : g_windows)
            if (IsWindow(own)) DestroyWindow(own);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, w, l);
}

}  // namespace

int RunTransWindows(HINSTANCE instance, const texts::TransWindow* windows, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = windows[i].classPrefix;
        RegisterClassA(&windowClass);
        // Titles are Shift-JIS bytes, shown right on the Japanese systems the product is for.
        HWND window = CreateWindowExA(0, windows[i].classPrefix, windows[i].titlePrefix, WS_OVERLAPPEDWINDOW,
                                      CW_USEDEFAULT, CW_USEDEFAULT, 320, 80, nullptr, nullptr, instance, nullptr);
        if (!window) return 1;
        g_windows.push_back(window);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
