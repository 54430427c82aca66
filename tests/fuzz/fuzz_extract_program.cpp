// ExtractProgramFromCommand on any command and program name (the input cut at its
// first NUL, or in the middle), into an output of exactly 261 bytes.
#include <cctype>

#include "fuzz_support.h"
#include "platform/text.h"

namespace {

// Single-byte letters lowered everywhere. The function lowers only letters that are
// no second byte of a double-byte character; equal texts under its lowering stay
// equal under this one, so this one serves to check its matches.
std::string Folded(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && Folded(text.substr(text.size() - tail.size())) == Folded(tail);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::CurrentMachine();
    auto [commandText, nameText] = fuzz::SplitInput(data, size);
    auto command = fuzz::ExactCopy(commandText), name = fuzz::ExactCopy(nameText);
    std::unique_ptr<char[]> output(new char[platform::kWorkBufferSize]);
    std::memset(output.get(), 0x55, platform::kWorkBufferSize);

    const int found = platform::ExtractProgramFromCommand(command.get(), name.get(), output.get());
    const std::string cmd(command.get()), program(name.get());
    fuzz::Check(found == 0 || found == 1, "a result other than 0 or 1");
    fuzz::Check(::strnlen(output.get(), platform::kWorkBufferSize) < platform::kWorkBufferSize, "output without NUL");
    const std::string out(output.get());
    fuzz::Check(found || out.empty(), "nothing found, but the output is not empty");
    if (!found) return 0;
    fuzz::Check(!program.empty() && cmd.size() < platform::kWorkBufferSize, "found in a command it must refuse");
    fuzz::Check(!out.empty() && out.size() <= cmd.size(), "the program part is longer than the command");
    // Up to and including a quote after the name, or up to a blank after it, or the
    // whole command in lower case when the name ends it.
    const bool prefix = cmd.compare(0, out.size(), out) == 0;
    const bool quoted = prefix && out.back() == '"' && EndsWith(out.substr(0, out.size() - 1), program);
    const bool blank = prefix && out.size() < cmd.size() && cmd[out.size()] == ' ' && EndsWith(out, program);
    const bool whole = out.size() == cmd.size() && Folded(out) == Folded(cmd) && EndsWith(cmd, program);
    fuzz::Check(quoted || blank || whole, "the program part is no prefix through the name nor the whole command");
    return 0;
}
