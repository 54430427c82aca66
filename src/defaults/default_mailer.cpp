// The default mail client: the program the shell opens for "mailto" links,
// recognised when it is Netscape Messenger, Outlook, Outlook Express, Eudora Pro or
// Quillon (and the suite's groupware, reported with a code of its own).
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

// Looked for in this order; the path getter looks for the first five only.
const char* const kMailers[] = {"netscape.exe", "outlook.exe", "msimn.exe", "eudora.exe", "quillon.exe", "corvane.exe"};
enum { kMessenger, kOutlook, kOutlookExpress, kEudora, kQuillon, kGroupware };

// Outlook Express before Outlook, whose name begins the same way. "Arvelle" is compared
// with its NUL, so only that exact name matches; Quillon's own display names begin
// with "Quillon ".
const defaults::NamePrefix kMailerNames[] = {
    {"Microsoft Outlook Express", 25, ZENTHO_APP_OUTLOOK_EXPRESS},
    {"Microsoft Outlook", 17, ZENTHO_APP_OUTLOOK_MAIL},
    {"Netscape", 8, ZENTHO_APP_NETSCAPE_MESSENGER},
    {"Qualcomm Eudora Pro ", 20, ZENTHO_APP_EUDORA_PRO},
    {"Arvelle", 8, ZENTHO_APP_QUILLON},
    {"Quillon ", 8, ZENTHO_APP_QUILLON},
};

const char* OutlookLabel(unsigned short major, unsigned short minor) {
    switch (major) {
        case 10:
            return "XP";
        case 9:
            return "2000";
        case 8:
            return minor == 5 ? "98" : "97?";  // the question mark is part of the label
        default:
            return nullptr;
    }
}

// Messenger is named by the greatest version-like subkey, found when any of those that
// became the best has a Main key.
LONG NameMessenger(char* buffer) {
    platform::RegistryKey navigator;
    platform::KeyNameList versions;
    if (!navigator.Open(HKEY_LOCAL_MACHINE, registry_paths::kNetscapeNavigator, platform::kReadAccess) ||
        !navigator.EnumSubkeys(&versions))
        return results::kUnsupportedProgram;
    std::string best = detect::kLowestVersion;
    bool found = false;
    for (const char* version : versions) {
        if (!detect::BeginsLikeVersion(version) || !detect::IsGreaterVersion(version, best.c_str())) continue;
        best = version;  // before the Main key is looked for, whatever it finds
        std::string mainKey =
            std::string(registry_paths::kNetscapeNavigator) + "\\" + version + "\\" + registry_paths::kNetscapeMain;
        platform::RegistryKey main;
        if (main.Open(HKEY_LOCAL_MACHINE, mainKey.c_str(), platform::kReadAccess)) found = true;
    }
    if (!found) return results::kUnsupportedProgram;
    std::string name = std::string(defaults::DisplayNamePrefix(ZENTHO_APP_NETSCAPE_MESSENGER)) + best;
    if (name.size() >= platform::kWorkBufferSize) return results::kUnsupportedProgram;
    return defaults::Answer(name.c_str(), buffer, true);  // a Netscape name counts its NUL
}

unsigned int DefaultMailerAppId() {
    platform::HeapString name(platform::TakeText(defaults::MailerName));
    return name ? defaults::AppIdOfName(name.get(), kMailerNames, std::size(kMailerNames)) : 0;
}

}  // namespace

namespace defaults {

LONG MailerName(char* name) {
    char program[platform::kWorkBufferSize];
    size_t which = 0;
    LONG found =
        defaults::FindProgramInCommand(registry_paths::kMailtoCommand, kMailers, std::size(kMailers), &which, program);
    if (found < 1) return found;
    if (which == kGroupware) return results::kGroupwareMailer;
    if (which == kMessenger) return NameMessenger(name);
    defaults::Version v = defaults::VersionOf(program);
    if (!v.readable) return results::kUnsupportedProgram;
    char work[platform::kWorkBufferSize];
    switch (which) {
        case kOutlook: {
            const char* label = OutlookLabel(v.major, v.minor);
            if (!label) return results::kUnsupportedProgram;
            std::strcpy(work, "Microsoft Outlook ");
            std::strcat(work, label);
            return defaults::Answer(work, name);
        }
        case kOutlookExpress:
            std::strcpy(work, defaults::DisplayNamePrefix(ZENTHO_APP_OUTLOOK_EXPRESS));
            return detect::AppendIEVersionLabel(work, name, v.major, v.minor, v.build, results::kUnsupportedProgram);
        case kEudora:
            detect::FormatVersionedName(work, defaults::DisplayNamePrefix(ZENTHO_APP_EUDORA_PRO), v.major, v.minor,
                                        v.build);
            return defaults::Answer(work, name);
        default:
            detect::FormatVersionedName(work, defaults::DisplayNamePrefix(ZENTHO_APP_QUILLON), v.major, v.minor,
                                        v.build);
            return defaults::Answer(work, name);
    }
}

LONG MailerPath(char* path) {
    char program[platform::kWorkBufferSize];
    size_t which = 0;
    LONG found = defaults::FindProgramInCommand(registry_paths::kMailtoCommand, kMailers, kGroupware, &which, program);
    if (found < 1) return found;
    // The length of the path as it stands in the command; the buffer gets it expanded.
    LONG result = static_cast<LONG>(std::strlen(program));
    if (path) {
        std::strcpy(path, program);
        platform::ExpandInPlace(path);
    }
    return result;
}

int MailerState() {
    unsigned int appId = DefaultMailerAppId();
    return appId ? state::ApplicationState(appId) : 0;
}

int SetMailerState(int state) {
    int current = MailerState();
    unsigned int appId = DefaultMailerAppId();
    return appId ? install::SwitchApplication(appId, state) : current;
}

}  // namespace defaults
