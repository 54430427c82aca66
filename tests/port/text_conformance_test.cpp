// The code page functions of the port on both backends, in code page 932: lead
// bytes, and the multi-byte string functions that step over double-byte characters.
// (Wine's C runtime also lower-cases full-width letters and finds substrings that
// start on a second byte; those inputs are left out, the simulation keeping to
// single-byte letters and character boundaries.)
#include <gtest/gtest.h>


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

}  // namespace
