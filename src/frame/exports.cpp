// The exports whose work is not built yet: each enters through the module state
// guard (all but the two that take none) and answers its documented "nothing found"
// result.
#include "frame/exports.h"

#include "frame/module_state.h"

LONG GetDefaultBrowser(char*) {
    frame::ModuleStateGuard guard;
    return -1;
}
LONG GetDefaultBrowserPath(char*) {
    frame::ModuleStateGuard guard;
    return -1;
}
int GetDefaultBrowserState() {
    frame::ModuleStateGuard guard;
    return 0;
}
LONG GetDefaultMailer(char*) {
    frame::ModuleStateGuard guard;
    return -1;
}
LONG GetDefaultMailerPath(char*) {
    frame::ModuleStateGuard guard;
    return -1;
}
int GetDefaultMailerState() {
    frame::ModuleStateGuard guard;
    return 0;
}
int GetLatestApplicationState(unsigned int) {
    frame::ModuleStateGuard guard;
    return 0;
}
int SetDefaultBrowserState(int) {
    frame::ModuleStateGuard guard;
    return GetDefaultBrowserState();
}
int SetDefaultMailerState(int) {
    frame::ModuleStateGuard guard;
    return GetDefaultMailerState();
}
int SetLatestApplicationState(unsigned int appId, int) {
    frame::ModuleStateGuard guard;
    return GetLatestApplicationState(appId);
}
void UpdateApplTransSettings(unsigned int, int, int) {}
