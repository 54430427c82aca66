// zentho-standin.exe: stands in, under Wine, for a program that a machine folder
// gives a behaviour to ([program] in machine.ini). Copied over the program's file, it
// reads "<its own path>.standin" (lines window=CLASS|TITLE, show-after=MS,
// close-after=MS|never, hung=yes|no; texts in the ANSI code page) and does what the
// simulation does: after show-after it opens the windows, which close (ending the
// program) on WM_CLOSE or after close-after; a hung program never answers.
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<HWND> g_windows;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_CLOSE || (message == WM_TIMER && w == 1)) {
        for (HWND own : g_windows)
            if (IsWindow(own)) DestroyWindow(own);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, w, l);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::ifstream behaviour(std::string(self) + ".standin", std::ios::binary);
    std::vector<std::pair<std::string, std::string>> windows;
    DWORD showAfter = 0, closeAfter = INFINITE;
    bool hung = false;
    std::string line;
    while (std::getline(behaviour, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "window") {
            size_t bar = value.find('|');
            windows.emplace_back(value.substr(0, bar), bar == std::string::npos ? "" : value.substr(bar + 1));
        } else if (key == "show-after") {
            showAfter = std::stoul(value);
        } else if (key == "close-after") {
            closeAfter = value == "never" ? INFINITE : std::stoul(value);
        } else if (key == "hung") {
            hung = value == "yes";
        }
    }
    Sleep(showAfter);
    for (const auto& [className, title] : windows) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = className.c_str();
        RegisterClassA(&windowClass);
        HWND window = CreateWindowExA(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 80, nullptr,
                                      nullptr, instance, nullptr);
        if (window) g_windows.push_back(window);
    }
    if (g_windows.empty()) return 0;
    if (hung) {  // never takes a message, so never answers one
        Sleep(closeAfter);
        return 0;
    }
    if (closeAfter != INFINITE) SetTimer(g_windows.front(), 1, closeAfter, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
