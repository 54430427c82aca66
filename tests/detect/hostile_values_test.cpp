// Hostile registry values on both backends: the forms a damaged or hand-edited
// registry holds, in the value that names Internet Explorer's program (read into
// 261-byte buffers) and in the web's open command (read whole, then taken apart).
// (Text ending in half a double-byte character is tried by the simulation's sweep
// only: the registry keeps text as UTF-16, and Windows stores such bytes written
// through the ANSI calls as the code page's default character.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../frame/two_calls.h"
#include "frame/exports.h"
#include "test_machine.h"

namespace {

std::string Nul(const std::string& text) { return text + '\0'; }
Answer Text(const std::string& text) { return {static_cast<LONG>(text.size()), text}; }
const Answer kNone = {-3, ""}, kNoProgram = {-2, ""};

// One stored form of a value, and what the name and path getters answer for it.
struct Form {
    const char* what;
    DWORD type;
    std::string bytes;
    Answer name, path;
};

template <typename Name, typename Path>
void Check(TestMachine& m, const std::string& key, Name name, Path path, const std::vector<Form>& forms) {
    for (const auto& form : forms) {
        SCOPED_TRACE(form.what);
        m.SetRaw(key, "", form.type, form.bytes);
        EXPECT_EQ(Ask(name), form.name);
        EXPECT_EQ(Ask(path), form.path);
    }
}

TEST(HostileValues, InternetExplorersAppPath) {
    TestMachine m;
    const std::string exe = TestMachine::Root() + "\\IE\\IEXPLORE.EXE", ie55 = "Microsoft Internet Explorer 5.5";
    m.WriteExe(exe, 5, 50);
    m.SetEnv("ZT_LONG", std::string(300, 'y'));
    const std::string longVariable = "%ZT_LONG%\\IEXPLORE.EXE";
    Check(
        m, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE",
        [](char* b) { return GetLatestApplicationName(0x101, b); },
        [](char* b) { return GetLatestApplicationPath(0x101, b); },
        {
            {"as written", REG_SZ, Nul(exe), {31, ie55}, Text(exe)},
            {"without its NUL", REG_SZ, exe, {31, ie55}, Text(exe)},
            {"260 bytes", REG_SZ, Nul(std::string(260, 'x')), kNone, Text(std::string(260, 'x'))},
            {"261 bytes", REG_SZ, Nul(std::string(261, 'x')), kNone, kNone},
            {"4096 bytes", REG_SZ, Nul(std::string(4096, 'x')), kNone, kNone},
            {"empty", REG_SZ, "", kNone, kNone},
            {"a number", REG_DWORD, std::string("\x01\0\0\0", 4), kNone, kNone},
            {"a lone quote", REG_SZ, Nul("\""), kNone, Text("\"")},
            // Expansion past 260 bytes: no version to read, and the path stays as written.
            {"a variable past 260 bytes", REG_EXPAND_SZ, Nul(longVariable), kNone, Text(longVariable)},
        });
}

TEST(HostileValues, TheWebsOpenCommand) {
    TestMachine m;
    const std::string exe = TestMachine::Root() + "\\IE\\IEXPLORE.EXE", ie6 = "Microsoft Internet Explorer 6";
    m.WriteExe(exe, 6, 0);
    const std::string quoted = "\"" + exe + "\"";  // the program as the command quotes it
    const std::string longFolder = "C:\\" + std::string(300, 'x');
    Check(m, "HKEY_LOCAL_MACHINE\\Software\\Classes\\http\\shell\\open\\command", GetDefaultBrowser,
          GetDefaultBrowserPath,
          {
              {"as written", REG_SZ, Nul(quoted + " -nohome"), {29, ie6}, Text(quoted)},
              {"without its NUL", REG_SZ, quoted + " -nohome", {29, ie6}, Text(quoted)},
              {"a program past 260 bytes", REG_SZ, Nul(longFolder + "\\iexplore.exe -nohome"), kNoProgram, kNoProgram},
              // A command longer than 260 bytes names no program, whatever it holds.
              {"4096 bytes of arguments", REG_SZ, Nul(quoted + " " + std::string(4096, 'a')), kNoProgram, kNoProgram},
              {"a lone quote", REG_SZ, Nul("\""), kNoProgram, kNoProgram},
              {"empty", REG_SZ, "", kNoProgram, kNoProgram},
              {"a number", REG_DWORD, std::string("\x01\0\0\0", 4), {-1, ""}, {-1, ""}},
          });
}

}  // namespace
