// TrimPath, ExtractProgramFromCommand and GetFileVersion on both backends, in code
// page 932: double-byte characters whose second byte is a backslash, a quote-like
// byte or a letter are units, never cut or matched inside.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/text.h"
#include "test_machine.h"

namespace {

TEST(Text, TrimPathDropsQuotesAndOneTrailingBackslash) {
    TestMachine m;
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"\"C:\\Program Files\\Office\\\"", "C:\\Program Files\\Office"},
        {"C:\\", "C:"},
        {"\\", ""},
        {"C:\\a\\\\", "C:\\a\\"},          // only one backslash goes
        {"C:\\\x83\x5c", "C:\\\x83\x5c"},  // 0x5C is the second byte of a character
        {"abc\"", "abc"},                  // the trailing quote goes without a leading one
        {"\"abc", "abc"},
        {"\"", ""},
        {"\"\"", ""},
        {"C:\\a\x83", "C:\\a\x83"},  // a lone lead byte at the end ends the walk
        {"", ""},
    };
    for (const auto& c : cases) {
        char text[64];
        std::memset(text, 0x7F, sizeof text);
        std::strcpy(text, c.in);
        platform::TrimPath(text);
        EXPECT_STREQ(text, c.out) << c.in;
        EXPECT_EQ(text[std::strlen(c.in) + 1], 0x7F) << c.in;
    }
    platform::TrimPath(nullptr);
}

TEST(Text, ExtractProgramFromCommandCutsAtQuoteBlankOrEnd) {
    TestMachine m;
    struct Case {
        const char* command;
        const char* name;
        int found;
        const char* program;
    } cases[] = {
        {"\"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE\" -nohome", "iexplore.exe", 1,
         "\"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE\""},
        {"C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE -nohome", "iexplore.exe", 1, "C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE"},
        {"C:\\Program Files\\Netscape\\Program\\Netscape.exe", "netscape.exe", 1,
         "c:\\program files\\netscape\\program\\netscape.exe"},  // the name ends it: lower case
        {"C:\\NETSCAPE\\NETSCAPE.EXE -h %1", "netscape.exe", 1, "C:\\NETSCAPE\\NETSCAPE.EXE"},
        {"C:\\x\\mynetscape.exe", "netscape.exe", 1, "c:\\x\\mynetscape.exe"},
        {"C:\\iexplore.exeX C:\\IE\\iexplore.exe -k", "iexplore.exe", 1, "C:\\iexplore.exeX C:\\IE\\iexplore.exe"},
        {"C:\\iexplore.exe2 -k", "iexplore.exe", 0, ""},
        {"C:\\\x83\x5c\x83\x74\x83\x67\\Eudora.exe /m", "eudora.exe", 1, "C:\\\x83\x5c\x83\x74\x83\x67\\Eudora.exe"},
        {"C:\\eudora.exe", "", 0, ""},
    };
    for (const auto& c : cases) {
        char out[platform::kWorkBufferSize + 1];
        std::memset(out, 0x7F, sizeof out);
        EXPECT_EQ(platform::ExtractProgramFromCommand(c.command, c.name, out), c.found) << c.command;
        EXPECT_STREQ(out, c.program) << c.command;
        EXPECT_EQ(out[platform::kWorkBufferSize], 0x7F);
    }
    char out[platform::kWorkBufferSize];
    std::string longCommand = "C:\\" + std::string(250, 'x') + "\\iexplore.exe";
    EXPECT_EQ(platform::ExtractProgramFromCommand(longCommand.c_str(), "iexplore.exe", out), 0) << "over 260 bytes";
    EXPECT_STREQ(out, "");
}

TEST(Text, FileVersionReadsTheProductVersion) {
    TestMachine m;
    const std::string root = TestMachine::Root();
    m.WriteExe(root + "\\Office\\WINWORD.EXE", 9, 0, 3821, 7);
    m.WriteFile(root + "\\plain.txt", "no version here");
    m.SetEnv("ZT_OFFICE", root + "\\Office");
    struct Case {
        std::string path;
        unsigned short major, minor, build;
    } cases[] = {
        {root + "\\Office\\winword.exe", 9, 0, 3821},
        {"\"%ZT_OFFICE%\\WINWORD.EXE\"", 9, 0, 3821},      // quotes and a variable, as App Paths hold them
        {"\"" + root + "\\Office\\WINWORD.EXE", 0, 0, 0},  // one quote alone is no quoting
        {root + "\\plain.txt", 0, 0, 0},
        {root + "\\missing.exe", 0, 0, 0},
        {"%ZT_OFFICE%" + std::string(260, 'x'), 0, 0, 0},  // expands past 260 bytes
    };
    for (const auto& c : cases) {
        unsigned short major = 1, minor = 1, build = 1;
        platform::GetFileVersion(c.path.c_str(), &major, &minor, &build);
        EXPECT_EQ(major, c.major) << c.path;
        EXPECT_EQ(minor, c.minor) << c.path;
        EXPECT_EQ(build, c.build) << c.path;
    }
}

}  // namespace
