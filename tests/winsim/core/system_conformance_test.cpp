// The code page, version resources and top-level windows through the port, on both
// backends.
//
// Code page 932: lead bytes, and the multi-byte string functions that step over
// double-byte characters. (Wine's C runtime also lower-cases full-width letters and finds
// substrings that start on a second byte; those inputs are left out, the simulation
// keeping to single-byte letters and character boundaries.)
//
// Version resources: the files are real PE images written by the project's own writer,
// read by version.dll under Wine and by the simulation natively.
//
// Windows, the close message and program starts: under Wine the windows are real (null
// graphics driver), natively they are the simulated desktop's.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pe-maker/pe_writer.h"
#include "test_machine.h"

namespace {

const unsigned char* U(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

TEST(TextConformance, LeadBytesOfCodePage932) {
    TestMachine m;
    EXPECT_EQ(os::GetACP(), 932u);
    for (int b = 0; b < 256; ++b) {
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(os::IsDBCSLeadByte(static_cast<BYTE>(b)) != 0, lead) << "byte 0x" << std::hex << b;
    }
}

TEST(TextConformance, StringFunctionsStepOverDoubleByteCharacters) {
    TestMachine m;
    const char* so = "C:\\\x83\x5c";  // the second byte of the last character is 0x5C
    EXPECT_EQ(os::_mbsrchr(U(so), '\\'), U(so) + 2);
    EXPECT_EQ(os::_mbsrchr(U("\x83\x5c"), '\\'), nullptr);
    const char* mixed = "x\x83\x5cy\\";
    EXPECT_EQ(os::_mbschr(U(mixed), '\\'), U(mixed) + 4);
    const char* text = "\x83\x5c:";
    EXPECT_EQ(os::_mbspbrk(U(text), U("\\:")), U(text) + 2);
    EXPECT_EQ(os::_mbspbrk(U("abc"), U("\\:")), nullptr);
    const char* digits = "0123456789.";
    EXPECT_EQ(os::_mbsspn(U("9.0"), U(digits)), 3u);
    EXPECT_EQ(os::_mbsspn(U("8.0a"), U(digits)), 3u);
    EXPECT_EQ(os::_mbsspn(U("10.0\x83\x40"), U(digits)), 4u);
    EXPECT_EQ(os::_mbsspn(U("Common"), U(digits)), 0u);
    const char* command = "\"C:\\Program Files\\IEXPLORE.EXE\" -nohome";
    EXPECT_EQ(os::_mbsstr(U(command), U(".EXE\"")), U(command) + 26);
    EXPECT_EQ(os::_mbsstr(U(command), U("")), U(command));
    EXPECT_EQ(os::_mbsstr(U(command), U("netscape")), nullptr);

    // Comparison is by character code, strings not numbers.
    EXPECT_GT(os::_mbscmp(U("9.0"), U("10.0")), 0);
    EXPECT_LT(os::_mbscmp(U("8.0"), U("9.0")), 0);
    EXPECT_EQ(os::_mbscmp(U("9.7"), U("9.7")), 0);
    EXPECT_LT(os::_mbscmp(U("\xb1"), U("\x81\x40")), 0) << "a katakana byte is below any double-byte character";
    EXPECT_EQ(os::_mbsnbcmp(U("Microsoft Word"), U("Microsoft"), 9), 0);
    EXPECT_NE(os::_mbsnbcmp(U("Microsofx"), U("Microsoft"), 9), 0);
    EXPECT_EQ(os::_mbsnbcmp(U("Micro\x83\x5c"), U("Micro\x83\x41"), 6), 0) << "a character cut by the count ends it";

    unsigned char lower[] = "AbC\x83\x41Z\\EUDORA.EXE";  // 0x83 0x41: a character whose second byte is 'A'
    os::_mbslwr(lower);
    EXPECT_STREQ(reinterpret_cast<char*>(lower), "abc\x83\x41z\\eudora.exe");
}

// The product version through the three calls the library makes, as "MS.LS" in hex;
// "none" when the first call finds none, "fails" when a later one fails.
std::string ProductVersion(const std::string& path) {
    DWORD handle = 1;
    const DWORD size = os::GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return "none";
    EXPECT_EQ(handle, 0u);
    std::vector<char> block(size + 16, '\x7F');
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!os::GetFileVersionInfoA(path.c_str(), 0, size, block.data()) ||
        !os::VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length))
        return "fails";
    EXPECT_EQ(block[size], '\x7F') << "written past the block";
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    char text[32];
    std::snprintf(text, sizeof text, "%lx.%lx", static_cast<unsigned long>(fixed->dwProductVersionMS),
                  static_cast<unsigned long>(fixed->dwProductVersionLS));
    return text;
}

TEST(VersionConformance, ProductVersionsOfRealAndDamagedImages) {
    TestMachine m;
    const std::string root = TestMachine::Root();
    // iexplore.exe: Wine answers for its own programs unless told not to, and the
    // browser detection reads exactly this name.
    m.WriteExe(root + "\\IEXPLORE.EXE", 5, 50, 4134, 100);
    m.WriteExe(root + "\\Winword.exe", 9, 0, 2720, 0);
    m.WriteExe(root + "\\eudora.exe", 4, 3, 2, 0);
    const auto plain = pemaker::MakePe(nullptr), versioned = pemaker::MakeVersionedPe(1, 2, 3, 4);
    m.WriteFile(root + "\\plain.exe", std::string(plain.begin(), plain.end()));
    m.WriteFile(root + "\\cut.exe", std::string(versioned.begin(), versioned.begin() + 300));
    m.WriteFile(root + "\\text.exe", "MZ is not enough");
    const std::pair<std::string, std::string> rows[] = {
        {root + "\\IEXPLORE.EXE", "50032.10260064"},
        {root + "\\Winword.exe", "90000.aa00000"},
        {root + "\\eudora.exe", "40003.20000"},
        {root + "\\plain.exe", "none"},
        {root + "\\cut.exe", "none"},
        {root + "\\text.exe", "none"},
        {root + "\\missing.exe", "none"},
        {"\"" + root + "\\eudora.exe\"", "none"},  // quotes are no part of a path
    };
    for (const auto& [path, version] : rows) EXPECT_EQ(ProductVersion(path), version) << path;
}

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
