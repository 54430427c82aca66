// Heap strings: the library's functions return text as a new NUL-terminated block
// from the C runtime heap (os::malloc), null meaning failure; the caller releases it
// with os::free. HeapString owns one such block for the length of a scope.
#pragma once

#include <cstddef>

#include "port/os.h"

namespace platform {

// A heap copy of text (null for null text or when memory runs out).
char* DuplicateString(const char* text);
// A heap copy of the first `length` bytes of text, NUL-terminated.
char* DuplicateBytes(const char* text, size_t length);

class HeapString {
public:
    HeapString() = default;
    explicit HeapString(char* owned) : text_(owned) {}
    ~HeapString() { os::free(text_); }
    HeapString(const HeapString&) = delete;
    HeapString& operator=(const HeapString&) = delete;
    HeapString(HeapString&& other) noexcept : text_(other.release()) {}
    HeapString& operator=(HeapString&& other) noexcept {
        reset(other.release());
        return *this;
    }

    char* get() const { return text_; }
    explicit operator bool() const { return text_ != nullptr; }
    void reset(char* owned = nullptr) {
        os::free(text_);
        text_ = owned;
    }
    char* release() {
        char* text = text_;
        text_ = nullptr;
        return text;
    }

private:
    char* text_ = nullptr;
};

}  // namespace platform
