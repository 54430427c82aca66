// Switching an application's integration: the state is recorded for the installation
// found now, then its branch runs. Lives above the state store, which the branches
// read for partners' states.
#include "install/branches.h"
#include "state/state_store.h"

namespace install {

int SwitchApplication(unsigned int appId, int state) {
    int previous = state::ApplicationState(appId);
    platform::HeapString current;
    const state::Record record = state::CompareRecord(appId, &current);
    // Nothing is written for an application that detection does not find.
    if (record == state::Record::kUnknown) return previous;
    // A state recorded for another installation (an upgrade), or under a name no
    // installation has: its integration is removed first, when it was on.
    if (record == state::Record::kOtherInstallation && state::ReadTransValue(appId)) {
        Update(appId, 0, previous);
        previous = state::ApplicationState(appId);
    }
    if (!state::WriteState(appId, state, current.get())) return previous;
    Update(appId, state, previous);
    return previous;
}

}  // namespace install
