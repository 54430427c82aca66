// A caller's smoke test: a program that includes only the library's public header and
// links only its import library (no GetProcAddress), run under Wine on the sample
// machine laid into a prefix. It calls every export as a settings program does and
// checks what the sample machine must answer.
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

}  // namespace

int main() {
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
