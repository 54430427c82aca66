// The per-call module state switch.
//
// The product's programs and this library were written for a framework that keeps a
// "current module state" per thread; each export makes the library's own state
// current for the length of the call and gives the caller's back on every way out,
// also when exports call each other. No framework is linked here, so the state is a
// per-thread pointer that callers and tests can read.
#pragma once

namespace frame {

struct ModuleState {
    const char* name;
};

// The library's own module state.
extern const ModuleState kLibraryModuleState;

const ModuleState* CurrentModuleState();
void SetCurrentModuleState(const ModuleState* state);

// Makes the library's state current for a scope, and restores the one before.
class ModuleStateGuard {
public:
    ModuleStateGuard() : previous_(CurrentModuleState()) { SetCurrentModuleState(&kLibraryModuleState); }
    ~ModuleStateGuard() { SetCurrentModuleState(previous_); }
    ModuleStateGuard(const ModuleStateGuard&) = delete;
    ModuleStateGuard& operator=(const ModuleStateGuard&) = delete;

private:
    const ModuleState* previous_;
};

}  // namespace frame
