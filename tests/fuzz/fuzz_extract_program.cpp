// ExtractProgramFromCommand on any command and program name (the input cut at its
// first NUL, or in the middle), into an output of exactly 261 bytes.
#include <cctype>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_support.h"
#include "platform/os/sim/machine.h"
#include "platform/text.h"

namespace {

// Single-byte letters lowered everywhere. The function lowers only letters that are
// no second byte of a double-byte character; equal texts under its lowering stay
// equal under this one, so this one serves to check its matches.
std::string Folded(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    sim::Machine::Use(new sim::Machine());  // code page 932
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto [commandText, nameText] = fuzz::SplitInput(data, size);
    auto command = fuzz::ExactCopy(commandText);
    auto name = fuzz::ExactCopy(nameText);
    std::unique_ptr<char[]> output(new char[platform::kWorkBufferSize]);
    std::memset(output.get(), 0x55, platform::kWorkBufferSize);

    int found = platform::ExtractProgramFromCommand(command.get(), name.get(), output.get());
    const std::string cmd(command.get()), program(name.get());
    fuzz::Check(found == 0 || found == 1, "a result other than 0 or 1");
    fuzz::Check(::strnlen(output.get(), platform::kWorkBufferSize) < platform::kWorkBufferSize,
                "output without its NUL");
    const std::string out(output.get());
    if (!found) {
        fuzz::Check(out.empty(), "nothing found, but the output is not empty");
        return 0;
    }
    fuzz::Check(!program.empty() && cmd.size() < platform::kWorkBufferSize, "found in a command it must refuse");
    fuzz::Check(!out.empty() && out.size() <= cmd.size(), "the program part is longer than the command");
    const std::string folded = Folded(program);
    if (cmd.compare(0, out.size(), out) == 0) {
        // Up to and including a quote after the name, or up to a blank after it.
        if (out.back() == '"' && EndsWith(Folded(out.substr(0, out.size() - 1)), folded)) return 0;
        if (out.size() < cmd.size() && cmd[out.size()] == ' ' && EndsWith(Folded(out), folded)) return 0;
    }
    // Or the whole command in lower case, when the name ends it.
    fuzz::Check(out.size() == cmd.size() && Folded(out) == Folded(cmd) && EndsWith(Folded(cmd), folded),
                "the program part is neither a prefix through the name nor the whole command");
    return 0;
}
