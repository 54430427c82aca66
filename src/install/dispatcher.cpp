// UpdateApplTransSettings: installs (on) or removes the product's integration for one
// application, by its exact AppId; any other value does nothing. No module state
// switch: the state store calls it from inside the library.
#include "frame/exports.h"
#include "install/branches.h"

namespace install {
namespace {
UpdateObserver g_observer = nullptr;
}
void SetUpdateObserver(UpdateObserver observer) { g_observer = observer; }
}  // namespace install

void UpdateApplTransSettings(unsigned int appId, int on, int previousState) {
    using namespace install;
    if (g_observer) g_observer(appId, on, previousState);
    const UpdateCall call{appId, on != 0, previousState};
    switch (appId) {
        case 0x101:
            InternetExplorerBranch(call);
            break;
        case 0x102:
            NetscapeBranch(call);
            break;
        case 0x201:
        case 0x204:
            MailToolbarBranch(call);
            break;
        case 0x208:
            EudoraBranch(call);
            break;
        case 0x210:
            QuillonBranch(call);
            break;
        case 0x202:
        case 0x402:
            OutlookBranch(call);
            break;
        case 0x401:
        case 0x404:
        case 0x408:
            OfficeTemplateBranch(call);
            break;
        case 0x801:
            CorvaneBranch(call);
            break;
        case 0x802:
        case 0x804:
            ScrivaleCalvoraBranch(call);
            break;
        case 0x808:
            PictoraBranch(call);
            break;
        case 0x1001:
        case 0x1002:
            AcrobatBranch(call);
            break;
        case 0x2001:
            IchitaroBranch(call);
            break;
        default:
            break;
    }
}
