// What the fuzz targets share: cutting an input into texts, heap copies sized
// exactly (so that AddressSanitizer sees a read one byte past the end), findings
// that stop the run, and scratch folders on the host.
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

namespace fuzz {

// Stops the run on a broken promise of the code under test: libFuzzer keeps the input.
[[noreturn]] inline void Finding(const char* what) {
    std::fprintf(stderr, "FINDING: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

inline void Check(bool ok, const char* what) {
    if (!ok) Finding(what);
}

// Two texts from one input: the bytes before and after its first NUL, or its two
// halves when it has none. Later NULs are kept; the C-string callers stop at them.
inline std::pair<std::string, std::string> SplitInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const void* nul = std::memchr(text, 0, size);
    size_t cut = nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) : size / 2;
    size_t rest = nul ? cut + 1 : cut;
    return {std::string(text, cut), std::string(text + rest, size - rest)};
}

// A NUL-terminated heap copy with not one byte to spare.
inline std::unique_ptr<char[]> ExactCopy(const std::string& text) {
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    std::memcpy(copy.get(), text.data(), text.size());
    copy[text.size()] = 0;
    return copy;
}

// A new, empty folder under the temporary folder (TMPDIR), removed with the object.
class ScratchFolder {
public:
    explicit ScratchFolder(const char* stem) {
        std::string pattern = (std::filesystem::temp_directory_path() / (std::string(stem) + "-XXXXXX")).string();
        if (!::mkdtemp(pattern.data())) Finding("cannot make a scratch folder under TMPDIR");
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

}  // namespace fuzz
