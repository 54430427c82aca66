// How one export takes another's text: the two-call protocol that outside callers
// use. A null buffer first for the length; a result below 1 means nothing found;
// then a buffer of length + 1 bytes, and never less than the 261 bytes that bound
// every text the exports build: the machine may change between the two calls (a
// file read that failed in the first succeeds in the second) and the second text
// be longer than the first length said. The text counts only when the second
// result is above 0.
#pragma once

#include <algorithm>
#include <cstddef>

#include "platform/heap_string.h"
#include "platform/text.h"

namespace platform {

// The second call, for a length a first call gave.
template <typename Getter>
char* FetchText(Getter getter, LONG length) {
    if (length < 1) return nullptr;
    size_t size = std::max(static_cast<size_t>(length) + 1, kWorkBufferSize);
    platform::HeapString buffer(static_cast<char*>(os::malloc(size)));
    if (!buffer) return nullptr;
    buffer.get()[0] = 0;
    if (getter(buffer.get()) < 1) return nullptr;
    buffer.get()[size - 1] = 0;  // whatever the getter wrote, the text ends inside the block
    return buffer.release();
}

// Both calls.
template <typename Getter>
char* TakeText(Getter getter) {
    return FetchText(getter, getter(nullptr));
}

}  // namespace platform
