// The fifteen exports: the library's boundary and its top layer. Each makes the
// library's module state current (all but UpdateApplTransSettings and
// GetLatestSarvinTessalineAppInfo, which leave the caller's as it is) and runs its
// body below the boundary, which turns any exception into the export's failure
// result. The bodies live in the layers below and call each other there, never back
// up through an export.
#include "frame/exports.h"

#include "catalogue/catalogue.h"
#include "state/state_store.h"
#include "defaults/default_programs.h"
#include "detect/latest_application.h"
#include "detect/suite.h"
#include "frame/boundary.h"
#include "frame/module_state.h"
#include "catalogue/results.h"
#include "install/branches.h"

namespace {

// The body with the library's module state current, under the boundary.
template <typename Result, typename Body>
Result Export(Result failure, Body&& body) {
    return frame::Guarded(failure, [&] {
        frame::ModuleStateGuard guard;
        return body();
    });
}

}  // namespace

LONG GetDefaultBrowser(char* name) {
    return Export(results::kNoOpenCommand, [&] { return defaults::BrowserName(name); });
}
LONG GetDefaultBrowserPath(char* path) {
    return Export(results::kNoOpenCommand, [&] { return defaults::BrowserPath(path); });
}
int GetDefaultBrowserState() {
    return Export(results::kOff, [] { return defaults::BrowserState(); });
}
int SetDefaultBrowserState(int state) {
    return Export(results::kOff, [&] { return defaults::SetBrowserState(state); });
}

LONG GetDefaultMailer(char* name) {
    return Export(results::kNoOpenCommand, [&] { return defaults::MailerName(name); });
}
LONG GetDefaultMailerPath(char* path) {
    return Export(results::kNoOpenCommand, [&] { return defaults::MailerPath(path); });
}
int GetDefaultMailerState() {
    return Export(results::kOff, [] { return defaults::MailerState(); });
}
int SetDefaultMailerState(int state) {
    return Export(results::kOff, [&] { return defaults::SetMailerState(state); });
}

LONG GetLatestApplicationName(unsigned int appId, char* name) {
    return Export(results::kNotFound, [&] { return detect::LatestApplicationName(appId, name); });
}
LONG GetLatestApplicationPath(unsigned int appId, char* path) {
    return Export(results::kNotFound, [&] { return detect::LatestApplicationPath(appId, path); });
}
int GetLatestApplicationState(unsigned int appId) {
    return Export(results::kOff, [&] { return state::ApplicationState(appId); });
}
int SetLatestApplicationState(unsigned int appId, int state) {
    return Export(results::kOff, [&] { return install::SwitchApplication(appId, state); });
}

void GetLatestSarvinTessalineAppInfo(char* application, char* displayName, char* exePath, char* versionKey) {
    frame::Guarded([&] { detect::LatestSuiteAppInfo(application, displayName, exePath, versionKey); });
}

LONG GetSupportedApplications(unsigned int groupMask, char* list) {
    return Export(LONG{0}, [&] { return static_cast<LONG>(catalogue::SupportedApplications(groupMask, list)); });
}

void UpdateApplTransSettings(unsigned int appId, int on, int previousState) {
    frame::Guarded([&] { install::Update(appId, on, previousState); });
}
