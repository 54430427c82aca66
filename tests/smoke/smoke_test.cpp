// A caller's smoke test: a program that includes only the library's public header and
// links only its import library (no GetProcAddress), run under Wine on the sample
// machine laid into a prefix. It calls every export as a settings program does and
// checks what the sample machine must answer; built for i686, it checks first that
// each export leaves the stack to its caller, as __cdecl does.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ZenthoAppAPILib.h"

namespace {

// The two-call protocol: the length first, then a buffer of length + 1 (261 at least
// for paths); both calls must answer alike. "result text", or the result alone.
std::string Text(const std::function<long(char*)>& getter) {
    const long result = getter(nullptr);
    if (result < 1) return std::to_string(result);
    std::vector<char> buffer(result + 261, '\x7f');
    const long again = getter(buffer.data());
    return std::to_string(result) + (again == result ? " " : " second call " + std::to_string(again) + " ") +
           buffer.data();
}

// What a setter answers, then the getter after it (in that order: the operands of +
// are evaluated in either order).
template <typename Set, typename Get>
std::string SetThenGet(Set set, int state, Get get) {
    const int before = set(state);
    return std::to_string(before) + std::to_string(get());
}

std::string Suite(const char* application) {
    char name[261], path[261], key[261];
    GetLatestSarvinTessalineAppInfo(const_cast<char*>(application), name, path, key);
    return std::string(name) + "|" + key;
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
void CheckCallingConvention(int* checks, int* failures) {
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
        if (drift != 0) std::printf("FAIL: %s moved the stack by %d, expected 0 (__cdecl)\n", e.name, drift);
        ++*checks;
        *failures += drift != 0;
    }
}
#endif

}  // namespace

int main() {
    using namespace std::placeholders;
    int failures = 0, checks = 0;
#if defined(__i386__)
    // First, so that an export of the wrong convention is named before the stack it
    // damages brings the rest down; its setters switch off what is off already.
    CheckCallingConvention(&checks, &failures);
    std::fflush(stdout);
#endif
    char list[1024];
    // Each call in turn, as the sample machine must answer it; the switches in order.
    const std::pair<std::function<std::string()>, std::string> rows[] = {
        {[] { return Text(std::bind(GetLatestApplicationName, ZENTHO_APP_WORD, _1)); }, "19 Microsoft Word 2000"},
        {[] { return Text(std::bind(GetLatestApplicationPath, ZENTHO_APP_WORD, _1)); },
         "52 C:\\Program Files\\Microsoft Office\\Office\\Winword.exe"},
        {[] { return Text(std::bind(GetLatestApplicationName, 0x103, _1)); }, "-3"},
        {[] { return Text(GetDefaultBrowser); }, "31 Microsoft Internet Explorer 5.5"},
        {[] { return Text(GetDefaultBrowserPath); }, "49 \"C:\\Program Files\\Internet Explorer\\iexplore.exe\""},
        {[] { return Text(GetDefaultMailer); }, "29 Microsoft Outlook Express 5.5"},
        {[] { return Text(GetDefaultMailerPath); }, "44 \"C:\\Program Files\\Outlook Express\\msimn.exe\""},
        {[&] { return std::to_string(GetSupportedApplications(ZENTHO_GROUP_BROWSERS, list)) + " " + list; },
         "0 \"Internet Explorer\",\r\n\"Netscape Navigator\""},
        {[] { return Suite("Calvora"); }, "Sarvin Calvora|Software\\Sarvin\\Calvora\\9.7"},
        {[] { return std::to_string(GetLatestApplicationState(ZENTHO_APP_WORD)); }, "0"},
        {[] { return std::to_string(SetLatestApplicationState(ZENTHO_APP_WORD, 1)); }, "0"},
        {[] { return std::to_string(GetLatestApplicationState(ZENTHO_APP_WORD)); }, "1"},
        {[] { return std::to_string(SetLatestApplicationState(ZENTHO_APP_WORD, 0)); }, "1"},
        {[] { return SetThenGet(SetDefaultBrowserState, 1, GetDefaultBrowserState); }, "01"},
        {[] { return SetThenGet(SetDefaultBrowserState, 0, GetDefaultBrowserState); }, "10"},
        {[] { return SetThenGet(SetDefaultMailerState, 1, GetDefaultMailerState); }, "01"},
        {[] { return std::to_string(SetDefaultMailerState(0)); }, "1"},
    };
    for (const auto& [call, expected] : rows) {
        ++checks;
        const std::string got = call();
        if (got != expected) std::printf("FAIL: got %s, expected %s\n", got.c_str(), expected.c_str());
        failures += got != expected;
    }
    UpdateApplTransSettings(0x999, 1, 0);  // no such application: nothing happens
    std::printf("smoke: %d passed, %d failed\n", checks - failures, failures);
    return failures ? 1 : 0;
}
