// The branches whose integration is not built yet: each changes nothing.
#include "install/branches.h"

namespace install {

void InternetExplorerBranch(const UpdateCall&) {}
void NetscapeBranch(const UpdateCall&) {}
void MailToolbarBranch(const UpdateCall&) {}
void EudoraBranch(const UpdateCall&) {}
void QuillonBranch(const UpdateCall&) {}
void OfficeTemplateBranch(const UpdateCall&) {}
void OutlookBranch(const UpdateCall&) {}
void CorvaneBranch(const UpdateCall&) {}
void ScrivaleCalvoraBranch(const UpdateCall&) {}
void PictoraBranch(const UpdateCall&) {}
void AcrobatBranch(const UpdateCall&) {}
void IchitaroBranch(const UpdateCall&) {}

}  // namespace install
