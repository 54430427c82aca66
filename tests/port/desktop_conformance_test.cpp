// Top-level windows, the close message and program starts through the port, on both
// backends: under Wine the windows are real (null graphics driver), natively they
// are the simulated desktop's.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_machine.h"

namespace {

const char* const kClass = "#ZenthoTestWindow#";

// The windows of kClass, with their titles.
BOOL CALLBACK Collect(HWND window, LPARAM seen) {
    char className[1024], title[1024];
    if (os::GetClassNameA(window, className, sizeof className) && std::strcmp(className, kClass) == 0) {
        os::GetWindowTextA(window, title, sizeof title);
        reinterpret_cast<std::vector<std::pair<HWND, std::string>>*>(seen)->emplace_back(window, title);
    }
    return TRUE;
}

TEST(DesktopConformance, WindowsAreFoundByClassAndClosedByMessage) {
    TestMachine m;
    const std::string title = "Zentho \x83\x81\x81\x5b\x83\x8b\x96\x7c\x96\xf3";  // "Zentho メール翻訳"
    HWND window = m.OpenWindow(kClass, title);
    ASSERT_NE(window, nullptr);
    std::vector<std::pair<HWND, std::string>> seen;
    os::EnumWindows(Collect, reinterpret_cast<LPARAM>(&seen));
    EXPECT_EQ(seen, (std::vector<std::pair<HWND, std::string>>{{window, title}}))
        << "the title's Shift-JIS bytes come back unchanged";
    EXPECT_EQ(os::FindWindowA(kClass, nullptr), window);
    char small[5];
    std::memset(small, 0x7F, sizeof small);
    EXPECT_EQ(os::GetClassNameA(window, small, 5), 4);
    EXPECT_STREQ(small, "#Zen") << "cut to the buffer, NUL included";

    DWORD_PTR answer = 1;
    EXPECT_NE(os::SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer), 0);
    EXPECT_EQ(os::FindWindowA(kClass, nullptr), nullptr) << "WM_CLOSE closed it";
    EXPECT_EQ(os::GetClassNameA(window, small, 5), 0) << "a closed window has no class";
}

TEST(DesktopConformance, ShellOpenStartsExistingProgramsOnly) {
    TestMachine m;
    m.WriteExe(TestMachine::Root() + "\\quick.exe", 1, 0);
    for (const char* name : {"\\quick.exe", "\\none.exe"}) {
        const std::string path = TestMachine::Root() + name;
        HINSTANCE h = os::ShellExecuteA(nullptr, "open", path.c_str(), "", nullptr, SW_SHOWNORMAL);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(h) > 32, m.Exists(path)) << path << ": " << h;
    }
}

}  // namespace
