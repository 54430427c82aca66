// A caller's smoke test: a program that includes only the library's public header and
// links only its import library (no GetProcAddress), run under Wine on the sample
// machine laid into a prefix. It calls every export as a settings program does and
// checks what the sample machine must answer.
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
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

std::string Suite(const char* application) {
    char name[261], path[261], key[261];
    GetLatestSarvinTessalineAppInfo(const_cast<char*>(application), name, path, key);
    return std::string(name) + "|" + key;
}

}  // namespace

int main() {
    using namespace std::placeholders;
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
        {[] { return std::to_string(SetDefaultBrowserState(1)) + std::to_string(GetDefaultBrowserState()); }, "01"},
        {[] { return std::to_string(SetDefaultBrowserState(0)) + std::to_string(GetDefaultBrowserState()); }, "10"},
        {[] { return std::to_string(SetDefaultMailerState(1)) + std::to_string(GetDefaultMailerState()); }, "01"},
        {[] { return std::to_string(SetDefaultMailerState(0)); }, "1"},
    };
    int failures = 0;
    for (const auto& [call, expected] : rows) {
        const std::string got = call();
        if (got != expected) std::printf("FAIL: got %s, expected %s\n", got.c_str(), expected.c_str());
        failures += got != expected;
    }
    UpdateApplTransSettings(0x999, 1, 0);  // no such application: nothing happens
    std::printf("smoke: %d of %zu checks passed\n", static_cast<int>(std::size(rows)) - failures, std::size(rows));
    return failures ? 1 : 0;
}
