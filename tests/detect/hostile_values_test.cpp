// Hostile registry values on both backends: the forms a damaged or hand-edited
// registry holds, in the values that name Internet Explorer's program (read into
// 261-byte buffers) and the web's open command (read whole, then taken apart). Each
// case checks both calls of the protocol, the result, the text, and the bytes past
// it in a poisoned buffer. (Text ending in half a double-byte character is tried by
// the simulation's sweep only: the registry keeps text as UTF-16, and Windows stores
// such bytes written through the ANSI calls as the code page's default character.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "frame/exports.h"
#include "test_machine.h"

namespace {

const std::string kIePaths =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
const std::string kHttp = "HKEY_LOCAL_MACHINE\\Software\\Classes\\http\\shell\\open\\command";

std::string Nul(const std::string& text) { return text + '\0'; }

struct Answer {
    LONG result;
    std::string text;
};

// Both calls; the second into a buffer poisoned with 0x7F, of which no byte may change
// past the text and its NUL, or past the first 260 (path getters write up to 260
// bytes whatever they report).
Answer Ask(LONG (*getter)(char*), const std::string& what) {
    LONG sized = getter(nullptr);
    if (sized < 1) return {sized, ""};
    char buffer[600];
    std::memset(buffer, 0x7F, sizeof buffer);
    LONG fetched = getter(buffer);
    EXPECT_EQ(fetched, sized) << what << ": the two calls disagree";
    for (size_t i = std::max<size_t>(static_cast<size_t>(sized) + 1, 260); i < sizeof buffer; ++i)
        if (static_cast<unsigned char>(buffer[i]) != 0x7F) {
            ADD_FAILURE() << what << ": byte " << i << " written";
            break;
        }
    return {fetched, std::string(buffer, strnlen(buffer, 260))};
}

// One stored form of a value, and what the name and path getters answer for it.
struct Case {
    const char* form;
    DWORD type;
    std::string bytes;
    Answer name, path;
};

void Check(TestMachine& m, const std::string& key, LONG (*name)(char*), LONG (*path)(char*),
           const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        m.SetRaw(key, "", c.type, c.bytes);
        Answer got = Ask(name, std::string("name, ") + c.form);
        EXPECT_EQ(got.result, c.name.result) << c.form;
        EXPECT_EQ(got.text, c.name.text) << c.form;
        got = Ask(path, std::string("path, ") + c.form);
        EXPECT_EQ(got.result, c.path.result) << c.form;
        EXPECT_EQ(got.text, c.path.text) << c.form;
    }
}

LONG IeName(char* b) { return GetLatestApplicationName(0x101, b); }
LONG IePath(char* b) { return GetLatestApplicationPath(0x101, b); }

TEST(HostileValues, InternetExplorersAppPath) {
    TestMachine m;
    const std::string exe = TestMachine::Root() + "\\IE\\IEXPLORE.EXE";
    m.WriteExe(exe, 5, 50);
    m.SetEnv("ZT_LONG", std::string(300, 'y'));
    const std::string ie55 = "Microsoft Internet Explorer 5.5";
    const std::string longVar = "%ZT_LONG%\\IEXPLORE.EXE";
    Check(m, kIePaths, IeName, IePath,
          {
              {"as written", REG_SZ, Nul(exe), {31, ie55}, {LONG(exe.size()), exe}},
              {"without its NUL", REG_SZ, exe, {31, ie55}, {LONG(exe.size()), exe}},
              {"260 bytes", REG_SZ, Nul(std::string(260, 'x')), {-3, ""}, {260, std::string(260, 'x')}},
              {"261 bytes", REG_SZ, Nul(std::string(261, 'x')), {-3, ""}, {-3, ""}},
              {"4096 bytes", REG_SZ, Nul(std::string(4096, 'x')), {-3, ""}, {-3, ""}},
              {"empty", REG_SZ, "", {-3, ""}, {-3, ""}},
              {"a number", REG_DWORD, std::string("\x01\0\0\0", 4), {-3, ""}, {-3, ""}},
              {"a lone quote", REG_SZ, Nul("\""), {-3, ""}, {1, "\""}},
              // Expansion past 260 bytes: no version to read, and the path stays as written.
              {"a variable past 260 bytes", REG_EXPAND_SZ, Nul(longVar), {-3, ""}, {LONG(longVar.size()), longVar}},
          });
}

TEST(HostileValues, TheWebsOpenCommand) {
    TestMachine m;
    const std::string exe = TestMachine::Root() + "\\IE\\IEXPLORE.EXE";
    m.WriteExe(exe, 6, 0);
    const std::string ie6 = "Microsoft Internet Explorer 6";
    const std::string quoted = "\"" + exe + "\"";  // the program as the command quotes it
    const std::string longFolder = "C:\\" + std::string(300, 'x');
    Check(m, kHttp, GetDefaultBrowser, GetDefaultBrowserPath,
          {
              {"as written", REG_SZ, Nul(quoted + " -nohome"), {29, ie6}, {LONG(quoted.size()), quoted}},
              {"without its NUL", REG_SZ, quoted + " -nohome", {29, ie6}, {LONG(quoted.size()), quoted}},
              {"a program past 260 bytes", REG_SZ, Nul(longFolder + "\\iexplore.exe -nohome"), {-2, ""}, {-2, ""}},
              // A command longer than 260 bytes names no program, whatever it holds.
              {"4096 bytes of arguments", REG_SZ, Nul(quoted + " " + std::string(4096, 'a')), {-2, ""}, {-2, ""}},
              {"a lone quote", REG_SZ, Nul("\""), {-2, ""}, {-2, ""}},
              {"empty", REG_SZ, "", {-2, ""}, {-2, ""}},
              {"a number", REG_DWORD, std::string("\x01\0\0\0", 4), {-1, ""}, {-1, ""}},
          });
}

}  // namespace
