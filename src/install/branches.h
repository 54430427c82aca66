// The installer's branches, one per application or pair of applications; each
// installs (on) or removes the product's integration as the application is found now.
#pragma once

#include "catalogue/catalogue.h"

namespace install {

// The body of the export UpdateApplTransSettings: installs (on) or removes the
// product's integration for the application as detection finds it now.
void Update(unsigned int appId, int on, int previousState);

// The body of SetLatestApplicationState: records the state for the installation found
// now and updates its integration; returns the state in effect before.
int SwitchApplication(unsigned int appId, int state);

struct UpdateCall {
    const catalogue::Application& app;
    bool on;
    int previousState;  // the state recorded before the change (nonzero: it was on)
};

void InternetExplorerBranch(const UpdateCall& call);
void NetscapeBranch(const UpdateCall& call);
void MailToolbarBranch(const UpdateCall& call);  // Outlook Express, Netscape Messenger
void EudoraBranch(const UpdateCall& call);
void QuillonBranch(const UpdateCall& call);
void OfficeAddInBranch(const UpdateCall& call);  // Word, Excel, PowerPoint
void OutlookBranch(const UpdateCall& call);      // both Outlook AppIds
void CorvaneBranch(const UpdateCall& call);
void SuiteScriptsBranch(const UpdateCall& call);  // Scrivale, Calvora
void PictoraBranch(const UpdateCall& call);
void AcrobatBranch(const UpdateCall& call);  // Acrobat and Acrobat Reader
void IchitaroBranch(const UpdateCall& call);

// Tests may watch every call of UpdateApplTransSettings; null in the product.
using UpdateObserver = void (*)(unsigned int appId, int on, int previousState);
void SetUpdateObserver(UpdateObserver observer);

}  // namespace install
