// JoinPath on any two texts (the input cut at its first NUL, or in the middle), in
// code page 932. The result is the head, one backslash and the tail: at most one
// backslash of each side is dropped at the seam, and a trailing one of the tail goes
// too; a double-byte character whose second byte is 0x5C is no backslash. The block
// comes from the machine's heap and goes back to it.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/os/sim/machine.h"
#include "platform/paths.h"

namespace {
sim::Machine* g_machine = nullptr;

// Offsets of the characters of a text, a lead byte taking the byte after it.
std::vector<size_t> Characters(const std::string& text) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size();) {
        starts.push_back(i);
        i += g_machine->codePage().IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    return starts;
}

// How many backslash characters end the text.
size_t TrailingBackslashes(const std::string& text) {
    std::vector<size_t> starts = Characters(text);
    size_t count = 0;
    for (size_t k = starts.size(); k > 0; --k) {
        size_t at = starts[k - 1], end = k < starts.size() ? starts[k] : text.size();
        if (end - at != 1 || text[at] != '\\') break;
        ++count;
    }
    return count;
}

size_t LeadingBackslashes(const std::string& text) {
    size_t count = 0;
    while (count < text.size() && text[count] == '\\') ++count;  // a first byte is never a second byte
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_machine = new sim::Machine();  // code page 932
    sim::Machine::Use(g_machine);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto [headBytes, tailBytes] = fuzz::SplitInput(data, size);
    auto headCopy = fuzz::ExactCopy(headBytes);
    auto tailCopy = fuzz::ExactCopy(tailBytes);
    const std::string head(headCopy.get()), tail(tailCopy.get());

    char* joined = platform::JoinPath(headCopy.get(), tailCopy.get());
    if (head.empty() || tail.empty()) {
        fuzz::Check(joined == nullptr, "a path joined from an empty side");
        fuzz::Check(g_machine->LiveBlocks() == 0, "a heap block left behind for an empty side");
        return 0;
    }
    fuzz::Check(joined != nullptr, "no path joined from two texts");
    fuzz::Check(g_machine->LiveBlocks() == 1, "the joined path is not one block of the machine's heap");
    const std::string result(joined);
    os::free(joined);
    fuzz::Check(g_machine->LiveBlocks() == 0, "the joined path's block was not released by os::free");

    std::string left = TrailingBackslashes(head) > 0 ? head.substr(0, head.size() - 1) : head;
    std::string right = TrailingBackslashes(tail) > 0 ? tail.substr(0, tail.size() - 1) : tail;
    if (!right.empty() && right[0] == '\\') right.erase(0, 1);
    if (result != left + "\\" + right) fuzz::Finding("the joined path is not head, one backslash and tail");

    // Said plainly: with at most one backslash on each side of the seam, the path has
    // exactly one there.
    if (TrailingBackslashes(head) <= 1 && LeadingBackslashes(tail) <= 1) {
        fuzz::Check(result.size() > left.size() && result[left.size()] == '\\' && TrailingBackslashes(left) == 0 &&
                        LeadingBackslashes(result.substr(left.size() + 1)) == 0,
                    "more or less than one backslash at the seam");
    }
    return 0;
}
