// The host's files as the simulation reads and writes them.
//
// Everything the tool reads was made by someone else (a machine folder sent in a zip, a
// customer's image), and every place it writes may have been prepared. So an input is read
// only when it is a regular file: a FIFO would hang the reader for ever, a device such as
// /dev/zero would feed it without end, and neither is ever opened. And a file the tool writes
// is made new, never opened where something already stands: a link planted there is not
// written through.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

// A file descriptor, closed with the object.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release();

private:
    int fd_ = -1;
};

// Opens an input for reading when it is a regular file. A link in its place is refused, unless
// `followLink` (the caller has checked where it leads). Invalid with *error "PATH: why" when it
// is something else or cannot be opened; *missing (when given) tells a file that is not there,
// which some inputs may be.
UniqueFd OpenInput(const std::string& path, std::string* error, bool followLink = false, bool* missing = nullptr);
// The same for a path its caller has just seen to be a regular file: opened, and checked once
// more when open (the name may have been given to something else in between); *size its size.
UniqueFd OpenChecked(const std::string& path, bool followLink, uint64_t* size, std::string* error);

// A whole input, at most `limit` bytes (a file of settings or steps is never larger than the
// default). False with *error when it is refused; *found false (and no error) when there is no
// such file.
bool ReadInput(const std::string& path, std::string* bytes, bool* found, std::string* error, size_t limit = 16 << 20,
               bool followLink = false);

// An input read as a stream, a block at a time.
class InputStream : public std::istream {
public:
    explicit InputStream(UniqueFd fd);
    ~InputStream() override;

private:
    class Buffer;
    std::unique_ptr<Buffer> buffer_;
};

// Makes `path` a new file for writing; fails when anything stands there already, a link above all.
UniqueFd CreateNew(const std::string& path, std::string* error);
// Writes all of `bytes`; false with errno set.
bool WriteAll(int fd, std::string_view bytes);

// An output may replace a regular file or be made where nothing is; a device, a FIFO, a folder
// or a link standing there is refused with *error.
bool CheckOutput(const std::string& path, std::string* error);

// Writes `bytes` as the file `path`, whole or not at all: into a new file beside it, which then
// takes its place. What stands at `path` must be a regular file or nothing (CheckOutput).
bool ReplaceFile(const std::string& path, std::string_view bytes, std::string* error);
// The same for files that belong together: all of them are written, or each is as it was.
bool ReplaceFiles(const std::vector<std::pair<std::string, std::string>>& files, std::string* error);

// Bytes read by offset: a host file or bytes in memory. A read past the end fails.
class RandomAccess {
public:
    virtual ~RandomAccess() = default;
    virtual uint64_t Size() const = 0;
    virtual bool Read(uint64_t offset, size_t length, std::vector<uint8_t>* out) const = 0;
};

class MemoryBytes : public RandomAccess {
public:
    explicit MemoryBytes(std::string_view bytes) : bytes_(bytes) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool Read(uint64_t offset, size_t length, std::vector<uint8_t>* out) const override;

private:
    std::string_view bytes_;
};

// A host file, its first 64 KiB read at once (a small program is read in one go), the rest
// where asked.
class FileBytes : public RandomAccess {
public:
    FileBytes(UniqueFd fd, uint64_t size);
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, size_t length, std::vector<uint8_t>* out) const override;

private:
    bool ReadHost(uint64_t offset, size_t length, uint8_t* out) const;
    UniqueFd fd_;
    uint64_t size_ = 0;
    std::vector<uint8_t> head_;
};

}  // namespace sim
