// The per-call module state switch (see module_state.h).
#include "frame/module_state.h"

#include "frame/boundary.h"

namespace frame {
namespace {
thread_local const ModuleState* t_current = nullptr;
thread_local int t_exportDepth = 0;
}  // namespace

int ExportDepth() { return t_exportDepth; }
ExportScope::ExportScope() { ++t_exportDepth; }
ExportScope::~ExportScope() { --t_exportDepth; }

const ModuleState kLibraryModuleState = {"ZenthoAppAPILib"};

const ModuleState* CurrentModuleState() { return t_current; }
void SetCurrentModuleState(const ModuleState* state) { t_current = state; }

}  // namespace frame
