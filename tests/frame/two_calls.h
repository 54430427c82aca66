// A text export called as its callers call it: without a buffer for the length, then
// into a buffer poisoned with 0x7F. Both calls answer the same; no byte changes past
// the text's NUL or past the count (a path's count is of its text before expansion,
// which the export may write first); a call that finds nothing writes "" at most.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "port/os.h"

struct Answer {
    LONG result;
    std::string text;
    bool operator==(const Answer& o) const { return result == o.result && text == o.text; }
};
inline std::ostream& operator<<(std::ostream& out, const Answer& a) {
    return out << a.result << " \"" << a.text << '"';
}
// A text and its count: its length, plus one for the names that count their NUL.
inline Answer Text(const std::string& text, LONG nul = 0) { return {static_cast<LONG>(text.size()) + nul, text}; }

template <typename Getter>
Answer Ask(Getter getter) {
    const LONG sized = getter(nullptr);
    char buffer[600];
    std::memset(buffer, 0x7F, sizeof buffer);
    EXPECT_EQ(getter(buffer), sized) << "the second call answers otherwise";
    const size_t length = strnlen(buffer, sizeof buffer);
    const size_t kept = std::min(sizeof buffer, sized < 1 ? 1 : std::max<size_t>(length, sized) + 1);
    const size_t changed = std::string(buffer + kept, sizeof buffer - kept).find_first_not_of('\x7F');
    EXPECT_EQ(changed, std::string::npos) << "byte " << kept + changed << " written, for an answer of " << sized;
    EXPECT_TRUE(sized > 0 || buffer[0] == 0 || buffer[0] == 0x7F) << "a call that found nothing wrote a text";
    return sized < 1 ? Answer{sized, ""} : Answer{sized, std::string(buffer, length)};
}
