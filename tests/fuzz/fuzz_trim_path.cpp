// TrimPath on any text, in code page 932: one leading and one trailing double quote
// go, then one trailing backslash, where a double-byte character whose second byte
// is 0x5C is never taken for a backslash.
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "platform/os/sim/machine.h"
#include "platform/text.h"

namespace {
sim::Machine* g_machine = nullptr;

// The text less its last character when that character is a backslash; characters
// are walked from the start, a lead byte taking the byte after it.
std::string DropTrailingBackslash(const std::string& text, const sim::CodePage& cp) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < text.size();) {
        last = i;
        i += cp.IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    if (last != std::string::npos && last + 1 == text.size() && text[last] == '\\') return text.substr(0, last);
    return text;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_machine = new sim::Machine();  // a Japanese machine: code page 932
    sim::Machine::Use(g_machine);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    auto buffer = fuzz::ExactCopy(input);
    std::string text(buffer.get());  // up to the first NUL, as the function sees it

    std::string expected = text;
    if (!expected.empty() && expected.front() == '"') expected.erase(0, 1);
    if (!expected.empty() && expected.back() == '"') expected.pop_back();
    expected = DropTrailingBackslash(expected, g_machine->codePage());

    platform::TrimPath(buffer.get());
    fuzz::Check(expected == buffer.get(), "TrimPath trimmed other than one quote at each end and one backslash");
    platform::TrimPath(nullptr);
    return 0;
}
