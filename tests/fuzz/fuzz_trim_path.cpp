// TrimPath on any text, in code page 932: one leading and one trailing double quote
// go, then one trailing backslash, where a double-byte character whose second byte
// is 0x5C is never taken for a backslash.
#include "fuzz_support.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto buffer = fuzz::ExactCopy(std::string(reinterpret_cast<const char*>(data), size));
    std::string expected = buffer.get();  // up to the first NUL, as the function sees it
    if (!expected.empty() && expected.front() == '"') expected.erase(0, 1);
    if (!expected.empty() && expected.back() == '"') expected.pop_back();
    expected = fuzz::DropTrailingBackslash(expected, fuzz::CurrentMachine().codePage());

    platform::TrimPath(buffer.get());
    fuzz::Check(expected == buffer.get(), "TrimPath trimmed other than one quote at each end and one backslash");
    platform::TrimPath(nullptr);
    return 0;
}
