// Where exceptions stop. The library is C++ and uses the standard library's strings
// and containers, which throw when memory runs out; its callers are programs built by
// other compilers that know nothing of C++ exceptions. So nothing may leave an export
// but its result: each export runs its body through Guarded, which answers the
// export's documented failure value instead of letting an exception through.
//
// Every handle and block the library holds has an owner that lets go of it on the way
// out (RegistryKey, HeapString, KeyNameList), so a failure leaves nothing behind.
#pragma once

namespace frame {

// The exports running on this thread, outer and inner (exports call each other).
int ExportDepth();

class ExportScope {
public:
    ExportScope();
    ~ExportScope();
    ExportScope(const ExportScope&) = delete;
    ExportScope& operator=(const ExportScope&) = delete;
};

template <typename Result, typename Body>
Result Guarded(Result failure, Body&& body) noexcept {
    ExportScope scope;
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

template <typename Body>
void Guarded(Body&& body) noexcept {
    ExportScope scope;
    try {
        body();
    } catch (...) {
    }
}

}  // namespace frame
