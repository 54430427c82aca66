// The installer's dispatch: the branch of one application, by its exact AppId; any
// other value does nothing.
#include "install/branches.h"

namespace install {
namespace {
UpdateObserver g_observer = nullptr;
}
void SetUpdateObserver(UpdateObserver observer) { g_observer = observer; }

void Update(unsigned int appId, int on, int previousState) {
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

}  // namespace install
