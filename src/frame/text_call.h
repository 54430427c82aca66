// How one export takes another's text: the two-call protocol that outside callers
// use. A null buffer first for the length; a result below 1 means nothing found;
// then a buffer of length + 1 bytes (at least minimumSize, for path getters whose
// expanded text may be longer than the length they report); the text counts only
// when the second result is above 0.
#pragma once

#include <algorithm>
#include <cstddef>

#include "platform/heap_string.h"

namespace frame {

// The second call, for a length a first call gave.
template <typename Getter>
char* FetchText(Getter getter, LONG length, size_t minimumSize = 0) {
    if (length < 1) return nullptr;
    size_t size = std::max(static_cast<size_t>(length) + 1, minimumSize);
    platform::HeapString buffer(static_cast<char*>(os::malloc(size)));
    if (!buffer) return nullptr;
    buffer.get()[0] = 0;
    if (getter(buffer.get()) < 1) return nullptr;
    buffer.get()[size - 1] = 0;  // whatever the getter wrote, the text ends inside the block
    return buffer.release();
}

// Both calls.
template <typename Getter>
char* TakeText(Getter getter, size_t minimumSize = 0) {
    return FetchText(getter, getter(nullptr), minimumSize);
}

}  // namespace frame
