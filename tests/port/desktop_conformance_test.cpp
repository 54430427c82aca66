// Top-level windows, the close message and program starts through the port, on both
// backends: under Wine the windows are real (null graphics driver), natively they
// are the simulated desktop's.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_machine.h"

namespace {

struct Seen {
    std::string className;
    std::vector<std::pair<HWND, std::string>> windows;  // of that class, with titles
};

BOOL CALLBACK Collect(HWND window, LPARAM param) {
    auto* seen = reinterpret_cast<Seen*>(param);
    char className[1024], title[1024];
    if (os::GetClassNameA(window, className, sizeof className) && seen->className == className) {
        os::GetWindowTextA(window, title, sizeof title);
        seen->windows.emplace_back(window, title);
    }
    return TRUE;
}

TEST(DesktopConformance, WindowsAreFoundByClassAndClosedByMessage) {
    TestMachine m;
    const std::string title = "Zentho \x83\x81\x81\x5b\x83\x8b\x96\x7c\x96\xf3";  // "Zentho メール翻訳"
    HWND window = m.OpenWindow("#ZenthoTestWindow#", title);
    ASSERT_NE(window, nullptr);

    Seen seen{"#ZenthoTestWindow#", {}};
    os::EnumWindows(Collect, reinterpret_cast<LPARAM>(&seen));
    ASSERT_EQ(seen.windows.size(), 1u);
    EXPECT_EQ(seen.windows[0].first, window);
    EXPECT_EQ(seen.windows[0].second, title) << "the title's Shift-JIS bytes come back unchanged";
    EXPECT_EQ(os::FindWindowA("#ZenthoTestWindow#", nullptr), window);

    char small[5];
    std::memset(small, 0x7F, sizeof small);
    EXPECT_EQ(os::GetClassNameA(window, small, 5), 4);
    EXPECT_STREQ(small, "#Zen") << "cut to the buffer, NUL included";

    DWORD_PTR answer = 1;
    EXPECT_NE(os::SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer), 0);
    EXPECT_EQ(os::FindWindowA("#ZenthoTestWindow#", nullptr), nullptr) << "WM_CLOSE closed it";
    EXPECT_EQ(os::GetClassNameA(window, small, 5), 0) << "a closed window has no class";
}

TEST(DesktopConformance, ShellOpenStartsExistingProgramsOnly) {
    TestMachine m;
    const std::string program = TestMachine::Root() + "\\quick.exe";
    m.WriteExe(program, 1, 0);
    auto result = [](HINSTANCE h) { return reinterpret_cast<uintptr_t>(h); };
    EXPECT_GT(result(os::ShellExecuteA(nullptr, "open", program.c_str(), "", nullptr, SW_SHOWNORMAL)), 32u);
    EXPECT_LE(result(os::ShellExecuteA(nullptr, "open", (TestMachine::Root() + "\\none.exe").c_str(), "", nullptr,
                                       SW_SHOWNORMAL)),
              32u);
}

}  // namespace
