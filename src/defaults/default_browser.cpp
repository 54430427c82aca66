// The default browser: the program the shell opens for "http" links, recognised when
// it is Internet Explorer or Netscape Navigator, named, located and switched.
#include <cstring>
#include <string>

#include "defaults/shell_command.h"
#include "detect/display_names.h"
#include "detect/version_choice.h"
#include "catalogue/catalogue.h"
#include "defaults/default_programs.h"
#include "install/branches.h"
#include "state/state_store.h"
#include "catalogue/results.h"
#include "platform/two_calls.h"
#include "platform/heap_string.h"
#include "platform/registry_key.h"
#include "catalogue/registry_paths.h"

namespace {

// Looked for in this order: a command that names both is Navigator's.
const char* const kBrowsers[] = {"netscape.exe", "iexplore.exe"};
enum { kNavigator, kExplorer };

// The tail of Navigator's program path below its install folder.
constexpr size_t kNavigatorTail = sizeof("\\Program\\netscape.exe") - 1;  // 21

const defaults::NamePrefix kBrowserNames[] = {{"Microsoft", 9, ZENTHO_APP_INTERNET_EXPLORER},
                                              {"Netscape", 8, ZENTHO_APP_NETSCAPE_NAVIGATOR}};

// The Navigator version installed in the folder of the open command: the greatest
// version whose "Install Directory" is spelled exactly as that folder.
LONG NameNavigator(const char* program, char* buffer) {
    platform::RegistryKey navigator;
    platform::KeyNameList versions;
    if (!navigator.Open(HKEY_LOCAL_MACHINE, registry_paths::kNetscapeNavigator, platform::kReadAccess) ||
        !navigator.EnumSubkeys(&versions))
        return results::kUnsupportedProgram;
    // The path less its last 21 bytes, whatever they are; a quoted path keeps its
    // opening quote. A path shorter than the tail gives no folder, which matches none.
    size_t length = std::strlen(program);
    if (length <= kNavigatorTail) return results::kUnsupportedProgram;
    std::string folder(program, length - kNavigatorTail);
    std::string best = detect::kLowestVersion;
    bool found = false;
    for (const char* version : versions) {
        std::string mainKey =
            std::string(registry_paths::kNetscapeNavigator) + "\\" + version + "\\" + registry_paths::kNetscapeMain;
        platform::RegistryKey main;
        std::string installDirectory;
        if (!main.Open(HKEY_LOCAL_MACHINE, mainKey.c_str(), platform::kReadAccess) ||
            !platform::ReadText(main, registry_paths::kNetscapeInstallDirectory, &installDirectory))
            continue;
        if (os::_mbscmp(detect::Bytes(installDirectory.c_str()), detect::Bytes(folder.c_str())) != 0) continue;
        found = true;
        if (detect::IsGreaterVersion(version, best.c_str())) best = version;
    }
    if (!found) return results::kUnsupportedProgram;
    std::string name = std::string(defaults::DisplayNamePrefix(ZENTHO_APP_NETSCAPE_NAVIGATOR)) + best;
    if (name.size() >= platform::kWorkBufferSize) return results::kUnsupportedProgram;
    return defaults::Answer(name.c_str(), buffer, true);  // a Netscape name counts its NUL
}

// The AppId of the default browser, or 0 when it cannot be named or is neither.
unsigned int DefaultBrowserAppId() {
    platform::HeapString name(platform::TakeText(defaults::BrowserName));
    return name ? defaults::AppIdOfName(name.get(), kBrowserNames, 2) : 0;
}

}  // namespace

namespace defaults {

LONG BrowserName(char* name) {
    char program[platform::kWorkBufferSize];
    size_t which = 0;
    LONG found = defaults::FindProgramInCommand(registry_paths::kHttpCommand, kBrowsers, 2, &which, program);
    if (found < 1) return found;
    if (which == kNavigator) return NameNavigator(program, name);
    defaults::Version v = defaults::VersionOf(program);
    if (!v.readable) return results::kUnsupportedProgram;
    char work[platform::kWorkBufferSize];
    std::strcpy(work, defaults::DisplayNamePrefix(ZENTHO_APP_INTERNET_EXPLORER));
    return detect::AppendIEVersionLabel(work, name, v.major, v.minor, v.build, results::kUnsupportedProgram);
}

LONG BrowserPath(char* path) {
    char program[platform::kWorkBufferSize];
    size_t which = 0;
    LONG found = defaults::FindProgramInCommand(registry_paths::kHttpCommand, kBrowsers, 2, &which, program);
    if (found < 1) return found;
    // Internet Explorer's path is measured as expanded; Navigator's as written.
    if (which == kExplorer) platform::ExpandInPlace(program);
    return defaults::Answer(program, path);
}

int BrowserState() {
    unsigned int appId = DefaultBrowserAppId();
    return appId ? state::ApplicationState(appId) : 0;
}

int SetBrowserState(int state) {
    int current = BrowserState();
    unsigned int appId = DefaultBrowserAppId();
    return appId ? install::SwitchApplication(appId, state) : current;
}

}  // namespace defaults
