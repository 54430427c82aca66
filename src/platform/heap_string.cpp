// Heap strings (see heap_string.h).
#include "platform/heap_string.h"

#include <cstring>

namespace platform {

char* DuplicateBytes(const char* text, size_t length) {
    if (!text) return nullptr;
    char* copy = static_cast<char*>(os::malloc(length + 1));
    if (!copy) return nullptr;
    std::memcpy(copy, text, length);
    copy[length] = 0;
    return copy;
}

char* DuplicateString(const char* text) { return text ? DuplicateBytes(text, std::strlen(text)) : nullptr; }

}  // namespace platform
