// The installer's dispatch: the branch that the catalogue gives the application, by
// its exact AppId; any other value does nothing.
#include "install/branches.h"

namespace install {
namespace {
UpdateObserver g_observer = nullptr;
}
void SetUpdateObserver(UpdateObserver observer) { g_observer = observer; }

void Update(unsigned int appId, int on, int previousState) {
    if (g_observer) g_observer(appId, on, previousState);
    const catalogue::Application* app = catalogue::FindApplication(appId);
    if (!app) return;
    const UpdateCall call{*app, on != 0, previousState};
    using catalogue::Branch;
    switch (app->branch) {
        case Branch::kInternetExplorer:
            return InternetExplorerBranch(call);
        case Branch::kNetscape:
            return NetscapeBranch(call);
        case Branch::kMailToolbar:
            return MailToolbarBranch(call);
        case Branch::kEudora:
            return EudoraBranch(call);
        case Branch::kQuillon:
            return QuillonBranch(call);
        case Branch::kOfficeAddIn:
            return OfficeAddInBranch(call);
        case Branch::kOutlook:
            return OutlookBranch(call);
        case Branch::kCorvane:
            return CorvaneBranch(call);
        case Branch::kSuiteScripts:
            return SuiteScriptsBranch(call);
        case Branch::kPictora:
            return PictoraBranch(call);
        case Branch::kAcrobat:
            return AcrobatBranch(call);
        case Branch::kIchitaro:
            return IchitaroBranch(call);
    }
}

}  // namespace install
