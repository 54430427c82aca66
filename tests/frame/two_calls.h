// A text export called as its callers call it: once without a buffer for the length,
// then into a buffer poisoned with 0x7F. Both calls must answer the same; no byte may
// change past the text's NUL or past the count the first call gave (a path's count is
// of its text before expansion, which the export may write first); a call that finds
// nothing writes an empty text at most.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>

#include "platform/os/os.h"

struct Answer {
    LONG result;
    std::string text;
    bool operator==(const Answer& other) const { return result == other.result && text == other.text; }
};

inline std::ostream& operator<<(std::ostream& out, const Answer& a) {
    return out << a.result << " \"" << a.text << '"';
}

template <typename Getter>
Answer Ask(Getter getter) {
    const LONG sized = getter(nullptr);
    char buffer[600];
    std::memset(buffer, 0x7F, sizeof buffer);
    EXPECT_EQ(getter(buffer), sized) << "the second call answers otherwise than the first";
    const size_t length = strnlen(buffer, sizeof buffer);
    const size_t untouched = sized < 1 ? 1 : std::max(length, static_cast<size_t>(sized)) + 1;
    for (size_t i = untouched; i < sizeof buffer; ++i)
        if (buffer[i] != 0x7F) {
            ADD_FAILURE() << "byte " << i << " written, past the " << untouched << " the answer " << sized << " allows";
            break;
        }
    if (sized < 1) {
        EXPECT_TRUE(buffer[0] == 0 || buffer[0] == 0x7F) << "a failed call wrote a text";
        return {sized, ""};
    }
    return {sized, std::string(buffer, length)};
}
