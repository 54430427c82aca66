// TrimPath, ExtractProgramFromCommand and GetFileVersion on both backends, in code
// page 932: double-byte characters whose second byte is a backslash, a quote-like
// byte or a letter are units, never cut, lower-cased or matched inside.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "pe-maker/pe_writer.h"
#include "platform/text.h"
#include "test_machine.h"

namespace {

TEST(Text, TrimPathDropsQuotesAndOneTrailingBackslash) {
    TestMachine m;
    // Only one backslash goes; 0x5C as a second byte is none; a quote goes on either side
    // alone; a lone lead byte at the end ends the walk.
    const std::pair<const char*, const char*> rows[] = {
        {"\"C:\\Office\\\"", "C:\\Office"},
        {"C:\\", "C:"},
        {"\\", ""},
        {"C:\\a\\\\", "C:\\a\\"},
        {"C:\\\x83\x5c", "C:\\\x83\x5c"},
        {"abc\"", "abc"},
        {"\"abc", "abc"},
        {"\"", ""},
        {"\"\"", ""},
        {"C:\\a\x83", "C:\\a\x83"},
        {"", ""},
    };
    for (const auto& [in, out] : rows) {
        char text[64];
        std::memset(text, 0x7F, sizeof text);
        std::strcpy(text, in);
        platform::TrimPath(text);
        EXPECT_EQ(std::string(text, std::strlen(out) + 1) + text[std::strlen(in) + 1],
                  out + std::string(1, '\0') + '\x7F')
            << "trimming " << in;
    }
}

TEST(Text, ExtractProgramFromCommandCutsAtQuoteBlankOrEnd) {
    TestMachine m;
    // The name ending the command gives it in lower case; 0x41 as a second byte is no 'A'.
    const std::tuple<std::string, const char*, const char*> rows[] = {
        // "": not found
        {"\"C:\\Internet Explorer\\IEXPLORE.EXE\" -nohome", "iexplore.exe", "\"C:\\Internet Explorer\\IEXPLORE.EXE\""},
        {"C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE -nohome", "iexplore.exe", "C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE"},
        {"C:\\Program Files\\Netscape.exe", "netscape.exe", "c:\\program files\\netscape.exe"},
        {"C:\\NETSCAPE\\NETSCAPE.EXE -h %1", "netscape.exe", "C:\\NETSCAPE\\NETSCAPE.EXE"},
        {"C:\\x\\mynetscape.exe", "netscape.exe", "c:\\x\\mynetscape.exe"},
        {"C:\\iexplore.exeX C:\\IE\\iexplore.exe -k", "iexplore.exe", "C:\\iexplore.exeX C:\\IE\\iexplore.exe"},
        {"C:\\iexplore.exe2 -k", "iexplore.exe", ""},
        {"C:\\\x83\x5c\x83\x74\x83\x67\\Eudora.exe /m", "eudora.exe", "C:\\\x83\x5c\x83\x74\x83\x67\\Eudora.exe"},
        {"C:\\\x83\x41\\Netscape.exe", "netscape.exe", "c:\\\x83\x41\\netscape.exe"},
        {"C:\\eudora.exe", "", ""},
        {"C:\\" + std::string(250, 'x') + "\\iexplore.exe", "iexplore.exe", ""},  // 266 bytes
    };
    for (const auto& [command, name, program] : rows) {
        char out[platform::kWorkBufferSize + 1];
        std::memset(out, 0x7F, sizeof out);
        const int found = platform::ExtractProgramFromCommand(command.c_str(), name, out);
        EXPECT_EQ(std::to_string(found) + " " + std::string(out, strnlen(out, platform::kWorkBufferSize)),
                  (program[0] ? "1 " : "0 ") + std::string(program))
            << command;
        EXPECT_EQ(out[platform::kWorkBufferSize], 0x7F) << command;
    }
}

TEST(Text, FileVersionReadsTheProductVersion) {
    TestMachine m;
    const std::string root = TestMachine::Root();
    m.WriteExe(root + "\\Office\\WINWORD.EXE", 9, 0, 3821, 7);
    pemaker::VersionInfo info = {{1, 2, 3, 4}, {8, 5, 2002, 9}, 0x0411, 932, {}};  // file version, product version
    const auto image = pemaker::MakePe(&info);
    m.WriteFile(root + "\\Other\\prog.exe", std::string(image.begin(), image.end()));
    m.WriteFile(root + "\\plain.txt", "no version here");
    m.SetEnv("ZT_OFFICE", root + "\\Office");
    const std::pair<std::string, const char*> rows[] = {
        {root + "\\Office\\winword.exe", "9.0.3821"},
        {root + "\\Other\\prog.exe", "8.5.2002"},
        {"\"%ZT_OFFICE%\\WINWORD.EXE\"", "9.0.3821"},      // quotes and a variable, as App Paths hold them
        {"\"" + root + "\\Office\\WINWORD.EXE", "0.0.0"},  // one quote alone is no quoting
        {root + "\\plain.txt", "0.0.0"},
        {root + "\\missing.exe", "0.0.0"},
        {"%ZT_OFFICE%" + std::string(260, 'x'), "0.0.0"},  // expands past 260 bytes
    };
    for (const auto& [path, version] : rows) {
        unsigned short major = 1, minor = 1, build = 1;
        EXPECT_TRUE(platform::GetFileVersion(path.c_str(), &major, &minor, &build)) << path;
        EXPECT_EQ(std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build), version) << path;
    }
}

}  // namespace
