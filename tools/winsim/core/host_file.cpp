// The host's files as the simulation reads and writes them (see host_file.h).
#include "tools/winsim/core/host_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace sim {
namespace {

std::string Why(const std::string& path) { return path + ": " + std::strerror(errno); }

// What stands where a regular file was wanted, for the message.
std::string NotRegular(const std::string& path, mode_t mode) {
    const char* kind = S_ISLNK(mode)    ? "a link"
                       : S_ISFIFO(mode) ? "a FIFO"
                       : S_ISDIR(mode)  ? "a folder"
                       : S_ISSOCK(mode) ? "a socket"
                                        : "a device";
    return path + ": not a regular file (" + kind + ")";
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
}

int UniqueFd::release() { return std::exchange(fd_, -1); }

UniqueFd OpenInput(const std::string& path, std::string* error, bool followLink, bool* missing) {
    if (missing) *missing = false;
    // Looked at before it is opened: a device is never opened, and opening a FIFO could block.
    struct stat st;
    if ((followLink ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) {
        if (missing) *missing = errno == ENOENT;
        *error = Why(path);
        return UniqueFd();
    }
    if (!S_ISREG(st.st_mode)) {
        *error = NotRegular(path, st.st_mode);
        return UniqueFd();
    }
    uint64_t size;
    return OpenChecked(path, followLink, &size, error);
}

UniqueFd OpenChecked(const std::string& path, bool followLink, uint64_t* size, std::string* error) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLink ? 0 : O_NOFOLLOW)));
    struct stat st;
    if (!fd || ::fstat(fd.get(), &st) != 0) {
        *error = Why(path);
        return UniqueFd();
    }
    if (!S_ISREG(st.st_mode)) {
        *error = NotRegular(path, st.st_mode);
        return UniqueFd();
    }
    *size = static_cast<uint64_t>(st.st_size);
    return fd;
}

bool ReadInput(const std::string& path, std::string* bytes, bool* found, std::string* error, size_t limit,
               bool followLink) {
    bytes->clear();
    bool missing = false;
    UniqueFd fd = OpenInput(path, error, followLink, &missing);
    *found = !missing;
    if (missing) error->clear();
    if (!fd) return missing;
    char block[1 << 16];
    for (ssize_t got; (got = ::read(fd.get(), block, sizeof block)) != 0;) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return *error = Why(path), false;
        if (bytes->size() + static_cast<size_t>(got) > limit) {
            *error = path + ": larger than " + std::to_string(limit >> 20) + " MiB, which no such file is";
            return false;
        }
        bytes->append(block, static_cast<size_t>(got));
    }
    return true;
}

// Small reads come through a block; large ones go straight into the reader's own buffer. A read
// error ends the stream, and the reader names the file.
class InputStream::Buffer : public std::streambuf {
public:
    explicit Buffer(UniqueFd fd) : fd_(std::move(fd)) {}

protected:
    int_type underflow() override {
        const ssize_t got = Read(block_, sizeof block_);
        if (got <= 0) return traits_type::eof();
        setg(block_, block_, block_ + got);
        return traits_type::to_int_type(block_[0]);
    }
    std::streamsize xsgetn(char* out, std::streamsize count) override {
        std::streamsize done = std::min<std::streamsize>(egptr() - gptr(), count);
        if (done > 0) std::memcpy(out, gptr(), static_cast<size_t>(done));
        gbump(static_cast<int>(done));
        for (ssize_t got = 1; done < count && got > 0; done += std::max<ssize_t>(got, 0))
            got = Read(out + done, static_cast<size_t>(count - done));
        return done;
    }

private:
    ssize_t Read(char* out, size_t length) {
        ssize_t got;
        do {
            got = ::read(fd_.get(), out, length);
        } while (got < 0 && errno == EINTR);
        return got;
    }
    UniqueFd fd_;
    char block_[1 << 12];
};

InputStream::InputStream(UniqueFd fd) : std::istream(nullptr), buffer_(std::make_unique<Buffer>(std::move(fd))) {
    rdbuf(buffer_.get());
}

InputStream::~InputStream() = default;

UniqueFd CreateNew(const std::string& path, std::string* error) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd)
        *error = errno == EEXIST ? path +
                                       ": something stands there already (left by a run that was stopped?); "
                                       "remove it if it is no one's"
                                 : Why(path);
    return fd;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(put));
    }
    return true;
}

bool CheckOutput(const std::string& path, std::string* error) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return true;
        *error = Why(path);
        return false;
    }
    if (S_ISREG(st.st_mode)) return true;
    *error = NotRegular(path, st.st_mode) + ", which an output may not replace";
    return false;
}

bool ReplaceFile(const std::string& path, std::string_view bytes, std::string* error) {
    return ReplaceFiles({{path, std::string(bytes)}}, error);
}

bool ReplaceFiles(const std::vector<std::pair<std::string, std::string>>& files, std::string* error) {
    for (const auto& file : files)
        if (!CheckOutput(file.first, error)) return false;
    // Each new file beside its target, under a name of its own that nothing can have prepared;
    // mkstemp makes it new, readable by its owner only, so it is given the permissions a file
    // made new gets. What a target held stays linked beside it until all are in.
    struct Written {
        std::string temporary, kept;
        bool replaced = false;
    };
    std::vector<Written> written(files.size());
    auto undo = [&](const std::string& why) {
        for (size_t k = written.size(); k-- > 0;) {
            Written& w = written[k];
            if (w.replaced && !w.kept.empty()) ::rename(w.kept.c_str(), files[k].first.c_str());
            else if (w.replaced) ::unlink(files[k].first.c_str());
            else if (!w.kept.empty()) ::unlink(w.kept.c_str());
            if (!w.temporary.empty()) ::unlink(w.temporary.c_str());
        }
        *error = why;
        return false;
    };
    const mode_t mask = ::umask(0);
    ::umask(mask);
    for (size_t k = 0; k < files.size(); ++k) {
        const std::string& path = files[k].first;
        std::string temporary = path + ".zentho-new-XXXXXX";
        UniqueFd fd(::mkstemp(temporary.data()));
        if (!fd) return undo(Why(temporary));
        written[k].temporary = temporary;
        const bool done = ::fchmod(fd.get(), 0666 & ~mask) == 0 && WriteAll(fd.get(), files[k].second);
        if (::close(fd.release()) != 0 || !done) return undo(Why(path));
    }
    for (size_t k = 0; k < files.size(); ++k) {
        const std::string& path = files[k].first;
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0) {
            std::string kept = path + ".zentho-old-XXXXXX";
            UniqueFd placeholder(::mkstemp(kept.data()));
            if (!placeholder || ::unlink(kept.c_str()) != 0 || ::link(path.c_str(), kept.c_str()) != 0)
                return undo(Why(path));
            written[k].kept = kept;
        }
        if (::rename(written[k].temporary.c_str(), path.c_str()) != 0) return undo(Why(path));
        written[k].temporary.clear();
        written[k].replaced = true;
    }
    for (const Written& w : written)
        if (!w.kept.empty()) ::unlink(w.kept.c_str());
    return true;
}

bool MemoryBytes::Read(uint64_t offset, size_t length, std::vector<uint8_t>* out) const {
    if (offset > bytes_.size() || length > bytes_.size() - offset) return false;
    const auto* at = reinterpret_cast<const uint8_t*>(bytes_.data()) + offset;
    out->assign(at, at + length);
    return true;
}

FileBytes::FileBytes(UniqueFd fd, uint64_t size) : fd_(std::move(fd)), size_(size) {
    head_.resize(std::min<uint64_t>(size_, 1 << 16));
    if (!ReadHost(0, head_.size(), head_.data())) head_.clear();
}

bool FileBytes::Read(uint64_t offset, size_t length, std::vector<uint8_t>* out) const {
    if (offset > size_ || length > size_ - offset) return false;
    if (offset + length <= head_.size()) {
        out->assign(head_.begin() + static_cast<std::ptrdiff_t>(offset),
                    head_.begin() + static_cast<std::ptrdiff_t>(offset + length));
        return true;
    }
    out->resize(length);
    return ReadHost(offset, length, out->data());
}

bool FileBytes::ReadHost(uint64_t offset, size_t length, uint8_t* out) const {
    for (size_t done = 0; done < length;) {
        ssize_t got = ::pread(fd_.get(), out + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;  // the file shrank, or cannot be read
        done += static_cast<size_t>(got);
    }
    return true;
}

}  // namespace sim
