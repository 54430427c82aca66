// JoinPath on any two texts (the input cut at its first NUL, or in the middle), in
// code page 932. The result is the head, one backslash and the tail: at most one
// backslash of each side is dropped at the seam, and a trailing one of the tail goes
// too; a double-byte character whose second byte is 0x5C is no backslash. The block
// comes from the machine's heap and goes back to it.
#include "fuzz_support.h"
#include "platform/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    sim::Machine& machine = fuzz::CurrentMachine();
    auto [headBytes, tailBytes] = fuzz::SplitInput(data, size);
    auto headCopy = fuzz::ExactCopy(headBytes), tailCopy = fuzz::ExactCopy(tailBytes);
    const std::string head(headCopy.get()), tail(tailCopy.get());

    char* joined = platform::JoinPath(headCopy.get(), tailCopy.get());
    if (head.empty() || tail.empty()) {
        fuzz::Check(joined == nullptr && machine.LiveBlocks() == 0, "a path or a block for an empty side");
        return 0;
    }
    fuzz::Check(joined != nullptr && machine.LiveBlocks() == 1, "the joined path is not one block of the heap");
    const std::string result(joined);
    os::free(joined);
    fuzz::Check(machine.LiveBlocks() == 0, "the joined path's block was not released by os::free");

    std::string right = fuzz::DropTrailingBackslash(tail, machine.codePage());
    if (!right.empty() && right[0] == '\\') right.erase(0, 1);  // a first byte is never a second byte
    const std::string expected = fuzz::DropTrailingBackslash(head, machine.codePage()) + "\\" + right;
    fuzz::Check(result == expected, "the joined path is not head, one backslash and tail", result);
    return 0;
}
