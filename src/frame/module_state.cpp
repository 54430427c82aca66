// The per-call module state switch (see module_state.h).
#include "frame/module_state.h"

namespace frame {
namespace {
thread_local const ModuleState* t_current = nullptr;
}

const ModuleState kLibraryModuleState = {"ZenthoAppAPILib"};

const ModuleState* CurrentModuleState() { return t_current; }
void SetCurrentModuleState(const ModuleState* state) { t_current = state; }

}  // namespace frame
