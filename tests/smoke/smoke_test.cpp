// A caller's smoke test: a program that includes only the library's public header and
// links only its import library (no GetProcAddress), run under Wine on the sample
// machine laid into a prefix. It calls every export as a settings program does and
// checks what the sample machine must answer; built for i686, it checks first that
// each export leaves the stack to its caller, as __cdecl does.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ZenthoAppAPILib.h"

namespace {

int failures = 0, checks = 0;

void Check(bool ok, const char* what, const std::string& got) {
    ++checks;
    if (!ok) {
        ++failures;
        std::printf("FAIL: %s (got %s)\n", what, got.c_str());
    }
}

// The two-call protocol: the length first, then a buffer of length + 1 (261 at least
// for paths); both results must agree.
std::string Text(long (*getter)(char*), long* result) {
    *result = getter(nullptr);
    if (*result < 1) return "";
    std::vector<char> buffer(*result + 261, '\x7f');
    long again = getter(buffer.data());
    Check(again == *result, "the second call answers the same", std::to_string(again));
    return buffer.data();
}

template <typename F>
std::string AppText(F getter, unsigned int appId, long* result) {
    *result = getter(appId, nullptr);
    if (*result < 1) return "";
    std::vector<char> buffer(*result + 261, '\x7f');
    getter(appId, buffer.data());
    return buffer.data();
}

#if defined(__i386__)
// Calls a function with 32-bit arguments (function, count, arguments) as a __cdecl
// caller does, and answers how far the call moved the stack pointer: 0 for a __cdecl
// function; 4 per argument for one that takes its arguments off the stack itself
// (__stdcall), which a caller compiled for __cdecl survives only by luck.
__attribute__((naked, noinline)) int StackDrift(void (*)(), int, const uint32_t*) {
    asm("push %ebp\n  mov %esp, %ebp\n  push %esi\n  push %edi\n"
        "mov 12(%ebp), %ecx\n  mov 16(%ebp), %esi\n  mov %esp, %edi\n"
        "1: test %ecx, %ecx\n  jz 2f\n  push -4(%esi,%ecx,4)\n  dec %ecx\n  jmp 1b\n"
        "2: call *8(%ebp)\n"
        "mov 12(%ebp), %eax\n  lea (%esp,%eax,4), %eax\n  sub %edi, %eax\n"
        "mov %edi, %esp\n  pop %edi\n  pop %esi\n  pop %ebp\n  ret\n");
}

template <typename F>
void (*Untyped(F* f))() {
    return reinterpret_cast<void (*)()>(f);
}

// Every export as the header declares it: __cdecl.
void CheckCallingConvention() {
    static char buffer[1024], application[] = "Nothing";
    const uint32_t b = reinterpret_cast<uintptr_t>(buffer), app = reinterpret_cast<uintptr_t>(application);
    const struct {
        const char* name;
        void (*f)();
        std::vector<uint32_t> args;
    } exports[] = {
        {"GetDefaultBrowser", Untyped(GetDefaultBrowser), {b}},
        {"GetDefaultBrowserPath", Untyped(GetDefaultBrowserPath), {b}},
        {"GetDefaultBrowserState", Untyped(GetDefaultBrowserState), {}},
        {"GetDefaultMailer", Untyped(GetDefaultMailer), {b}},
        {"GetDefaultMailerPath", Untyped(GetDefaultMailerPath), {b}},
        {"GetDefaultMailerState", Untyped(GetDefaultMailerState), {}},
        {"GetLatestApplicationName", Untyped(GetLatestApplicationName), {0x401, b}},
        {"GetLatestApplicationPath", Untyped(GetLatestApplicationPath), {0x401, b}},
        {"GetLatestApplicationState", Untyped(GetLatestApplicationState), {0x401}},
        {"GetLatestSarvinTessalineAppInfo", Untyped(GetLatestSarvinTessalineAppInfo), {app, b, b, b}},
        {"GetSupportedApplications", Untyped(GetSupportedApplications), {0x1FF, b}},
        {"SetDefaultBrowserState", Untyped(SetDefaultBrowserState), {0}},
        {"SetDefaultMailerState", Untyped(SetDefaultMailerState), {0}},
        {"SetLatestApplicationState", Untyped(SetLatestApplicationState), {0x401, 0}},
        {"UpdateApplTransSettings", Untyped(UpdateApplTransSettings), {0x999, 1, 0}},
    };
    for (const auto& e : exports) {
        const int drift = StackDrift(e.f, static_cast<int>(e.args.size()), e.args.data());
        Check(drift == 0, (std::string(e.name) + " is __cdecl").c_str(), "stack moved by " + std::to_string(drift));
    }
}
#endif

}  // namespace

int main() {
#if defined(__i386__)
    // First, so that an export of the wrong convention is named before the stack it
    // damages brings the rest down; its setters switch off what is off already.
    CheckCallingConvention();
    std::fflush(stdout);
#endif
    long n = 0;
    std::string s = AppText(GetLatestApplicationName, ZENTHO_APP_WORD, &n);
    Check(s == "Microsoft Word 2000" && n == 19, "Word's name", s);
    s = AppText(GetLatestApplicationPath, ZENTHO_APP_WORD, &n);
    Check(s == "C:\\Program Files\\Microsoft Office\\Office\\Winword.exe", "Word's path", s);
    s = AppText(GetLatestApplicationName, 0x103, &n);
    Check(n == -3, "an unknown AppId", std::to_string(n));
    s = Text(GetDefaultBrowser, &n);
    Check(s == "Microsoft Internet Explorer 5.5" && n == 31, "the default browser", s);
    s = Text(GetDefaultBrowserPath, &n);
    Check(s == "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\"", "its path", s);
    s = Text(GetDefaultMailer, &n);
    Check(s == "Microsoft Outlook Express 5.5", "the default mailer", s);
    s = Text(GetDefaultMailerPath, &n);
    Check(s == "\"C:\\Program Files\\Outlook Express\\msimn.exe\"", "its path", s);

    char list[1024];
    Check(GetSupportedApplications(ZENTHO_GROUP_BROWSERS, list) == 0 &&
              std::strcmp(list, "\"Internet Explorer\",\r\n\"Netscape Navigator\"") == 0,
          "the browsers' list", list);
    char name[261], path[261], key[261];
    GetLatestSarvinTessalineAppInfo(const_cast<char*>("Calvora"), name, path, key);
    Check(std::string(name) == "Sarvin Calvora" && std::string(key) == "Software\\Sarvin\\Calvora\\9.7",
          "the suite's spreadsheet", name);

    Check(GetLatestApplicationState(ZENTHO_APP_WORD) == 0, "Word is off", "on");
    Check(SetLatestApplicationState(ZENTHO_APP_WORD, 1) == 0, "switching Word on answers off", "on");
    Check(GetLatestApplicationState(ZENTHO_APP_WORD) == 1, "Word is on", "off");
    Check(SetLatestApplicationState(ZENTHO_APP_WORD, 0) == 1, "switching it off answers on", "off");
    Check(SetDefaultBrowserState(1) == 0 && GetDefaultBrowserState() == 1, "the default browser on", "off");
    Check(SetDefaultBrowserState(0) == 1 && GetDefaultBrowserState() == 0, "and off again", "on");
    Check(SetDefaultMailerState(1) == 0 && GetDefaultMailerState() == 1, "the default mailer on", "off");
    Check(SetDefaultMailerState(0) == 1, "and off again", "on");
    UpdateApplTransSettings(0x999, 1, 0);  // no such application: nothing happens
    std::printf("smoke: %d passed, %d failed\n", checks - failures, failures);
    return failures ? 1 : 0;
}
