// What the fuzz targets share: cutting an input into texts, heap copies sized
// exactly (so that AddressSanitizer sees a read one byte past the end), findings
// that stop the run, scratch folders on the host, and the simulated machine the
// library's code runs on, with the check that it holds nothing afterwards.
#pragma once

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <utility>

#include "tools/winsim/core/machine.h"

namespace fuzz {

// Stops the run on a broken promise of the code under test: libFuzzer keeps the input.
inline void Check(bool ok, const char* what, const std::string& detail = "") {
    if (ok) return;
    std::fprintf(stderr, "FINDING: %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(stderr);
    std::abort();
}

// Two texts from one input: the bytes before and after its first NUL, or its two
// halves when it has none. Later NULs are kept; the C-string callers stop at them.
inline std::pair<std::string, std::string> SplitInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const void* nul = std::memchr(text, 0, size);
    const size_t cut = nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) : size / 2;
    const size_t rest = nul ? cut + 1 : cut;
    return {std::string(text, cut), std::string(text + rest, size - rest)};
}

// A NUL-terminated heap copy with not one byte to spare.
inline std::unique_ptr<char[]> ExactCopy(const std::string& text) {
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

// A new, empty folder under the temporary folder (TMPDIR), removed with the object.
class ScratchFolder {
public:
    explicit ScratchFolder(const char* stem) {
        std::string pattern = (std::filesystem::temp_directory_path() / (std::string(stem) + "-XXXXXX")).string();
        Check(::mkdtemp(pattern.data()) != nullptr, "cannot make a scratch folder under TMPDIR");
        path_ = std::filesystem::canonical(pattern);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A machine of the default settings (a Japanese one: code page 932), made current for
// the whole run.
inline sim::Machine& CurrentMachine() {
    static sim::Machine* machine = [] {
        auto* made = new sim::Machine();
        sim::Machine::Use(made);
        return made;
    }();
    return *machine;
}

// The text less its last character when that character is a backslash; characters
// are walked from the start, a lead byte taking the byte after it, so the second
// byte 0x5C of a double-byte character is never taken for a backslash.
inline std::string DropTrailingBackslash(const std::string& text, const sim::CodePage& cp) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < text.size(); i += cp.IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1) last = i;
    return !text.empty() && last + 1 == text.size() && text[last] == '\\' ? text.substr(0, last) : text;
}

// After the library's calls: no registry, find or file handle and no heap block held.
inline void CheckNothingHeld(const sim::Machine& m) {
    Check(m.OpenHandleCount() == 0, "handles left open", std::to_string(m.OpenHandleCount()));
    Check(m.LiveBlocks() == 0, "heap blocks left allocated", std::to_string(m.LiveBlocks()));
}

}  // namespace fuzz
