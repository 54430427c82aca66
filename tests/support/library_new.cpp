// The library's operator new, made to fail as the simulated heap does: an allocation
// made inside an export, and not inside a port function on the library's behalf (see
// sim::PortCall), counts as a FaultKind::kNew operation of the current machine and
// throws std::bad_alloc when the test injected a fault there. The export boundary must
// turn that into the export's failure result.
#include <cstdlib>
#include <new>

#include "frame/boundary.h"
#include "tools/winsim/core/machine.h"

namespace {

void* Allocate(std::size_t size) {
    sim::Machine* machine = sim::Machine::Current();
    if (machine && frame::ExportDepth() > 0 && !sim::InPortCall() && machine->Fault(sim::FaultKind::kNew))
        throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}

void* AllocateNoThrow(std::size_t size) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

// Every form that allocates or frees through the heap, so that each block goes back
// the way it came (the sanitizers check that).
void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
