// The first item that a search pattern finds, with its find handle: the handle is
// closed on every way out, as every handle the library holds has one owner.
#pragma once

#include "port/os.h"

namespace platform {

class FoundFile {
public:
    explicit FoundFile(const char* pattern) : handle_(os::FindFirstFileA(pattern, &data_)) {}
    ~FoundFile() {
        if (handle_ != INVALID_HANDLE_VALUE) os::FindClose(handle_);
    }
    FoundFile(const FoundFile&) = delete;
    FoundFile& operator=(const FoundFile&) = delete;

    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }
    const WIN32_FIND_DATAA& data() const { return data_; }

private:
    WIN32_FIND_DATAA data_ = {};
    HANDLE handle_;
};

}  // namespace platform
