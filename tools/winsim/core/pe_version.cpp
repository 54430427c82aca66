// Finding the version resource in the bytes of a PE file, for the simulated version.dll.
//
// The file may be anything: truncated, corrupted, built to trick the reader, or a gigabyte
// long. So all reads go through FileRange, which reads only the bytes asked for, and ByteView
// over what it read; both check each offset and length against their own size first, with
// comparisons that cannot wrap, and nothing read from the file is used as an offset until a
// range or a view has accepted it.
#include "tools/winsim/core/pe_version.h"

#include <algorithm>
#include <cstring>

namespace sim {
namespace {

// A bounded window over bytes. Reads outside it fail instead of reading memory.
class ByteView {
public:
    ByteView() = default;
    ByteView(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}

    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

    // True when [offset, offset + length) lies inside the view; written so that it
    // cannot overflow whatever the two numbers are.
    bool Contains(size_t offset, size_t length) const { return offset <= size_ && length <= size_ - offset; }

    bool Sub(size_t offset, size_t length, ByteView* out) const {
        if (!Contains(offset, length)) return false;
        *out = ByteView(data_ + offset, length);
        return true;
    }

    bool U16(size_t offset, uint16_t* out) const {
        if (!Contains(offset, 2)) return false;
        *out = static_cast<uint16_t>(data_[offset] | data_[offset + 1] << 8);
        return true;
    }
    bool U32(size_t offset, uint32_t* out) const {
        if (!Contains(offset, 4)) return false;
        *out = 0;
        for (int i = 3; i >= 0; --i) *out = *out << 8 | data_[offset + static_cast<size_t>(i)];
        return true;
    }
    bool Equals(size_t offset, const void* bytes, size_t length) const {
        return Contains(offset, length) && std::memcmp(data_ + offset, bytes, length) == 0;
    }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

constexpr size_t AlignUp4(size_t value) { return (value + 3) & ~static_cast<size_t>(3); }

// A range of a file, read only where asked: a program may be a gigabyte, and the version
// needs its headers and a few hundred bytes of its resources. Every read is checked against the
// range first, as ByteView checks, and only what a read returns is ever held.
class FileRange {
public:
    FileRange() = default;
    FileRange(const RandomAccess* file, uint64_t offset, uint64_t length)
        : file_(file), offset_(offset), length_(length) {}
    uint64_t size() const { return length_; }
    bool Contains(uint64_t at, uint64_t length) const { return at <= length_ && length <= length_ - at; }
    bool Sub(uint64_t at, uint64_t length, FileRange* out) const {
        if (!Contains(at, length)) return false;
        *out = FileRange(file_, offset_ + at, length);
        return true;
    }
    bool Tail(uint64_t at, FileRange* out) const { return at <= length_ && Sub(at, length_ - at, out); }
    bool Read(uint64_t at, size_t length, std::vector<uint8_t>* out) const {
        return Contains(at, length) && file_->Read(offset_ + at, length, out);
    }

private:
    const RandomAccess* file_ = nullptr;
    uint64_t offset_ = 0, length_ = 0;
};

// ---- PE headers --------------------------------------------------------------------

constexpr size_t kLfanewOffset = 0x3C;
constexpr size_t kPeHeaderSize = 4 + 20;  // the signature and IMAGE_FILE_HEADER
constexpr size_t kSectionHeaderSize = 40;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kResourceDirectoryIndex = 2;
// The root block of a version resource gives its length in 16 bits: nothing past this is of it.
constexpr size_t kMaxVersionBlock = 0xFFFF;

struct PeImage {
    FileRange file;
    std::vector<uint8_t> headerBytes;  // the optional header, then count * 40 bytes of IMAGE_SECTION_HEADER
    ByteView sections;
    size_t count = 0;
    uint32_t resourceRva = 0;
};

// The data directory array of the optional header: its offset inside the optional
// header and the number of entries it claims, for either format.
bool ReadDataDirectories(const ByteView& optional, size_t* offset, uint32_t* count) {
    uint16_t magic;
    if (!optional.U16(0, &magic)) return false;
    size_t countOffset;
    if (magic == kPe32Magic) {
        countOffset = 92;
    } else if (magic == kPe32PlusMagic) {
        countOffset = 108;
    } else {
        return false;
    }
    if (!optional.U32(countOffset, count)) return false;
    *offset = countOffset + 4;
    return true;
}

bool ParseHeaders(const FileRange& file, PeImage* image) {
    std::vector<uint8_t> dos, pe;
    uint32_t peOffset;
    if (!file.Read(0, kLfanewOffset + 4, &dos) || !ByteView(dos.data(), dos.size()).Equals(0, "MZ", 2) ||
        !ByteView(dos.data(), dos.size()).U32(kLfanewOffset, &peOffset) || !file.Read(peOffset, kPeHeaderSize, &pe)) {
        return false;
    }
    const ByteView header(pe.data(), pe.size());
    uint16_t sectionCount, optionalSize;
    if (!header.Equals(0, "PE\0\0", 4) || !header.U16(4 + 2, &sectionCount) || !header.U16(4 + 16, &optionalSize)) {
        return false;
    }
    // Both together, so one read: at most 64 KiB of optional header and 65535 section headers.
    const size_t tableSize = size_t{sectionCount} * kSectionHeaderSize;
    if (!file.Read(uint64_t{peOffset} + kPeHeaderSize, optionalSize + tableSize, &image->headerBytes)) return false;
    const ByteView optional(image->headerBytes.data(), optionalSize);
    size_t dirOffset;
    uint32_t dirCount;
    if (!ReadDataDirectories(optional, &dirOffset, &dirCount)) return false;
    // The header must both claim the resource entry and actually hold it.
    if (dirCount <= kResourceDirectoryIndex) return false;
    if (!optional.U32(dirOffset + kResourceDirectoryIndex * 8, &image->resourceRva)) return false;
    image->sections = ByteView(image->headerBytes.data() + optionalSize, tableSize);
    image->count = sectionCount;
    image->file = file;
    return true;
}

// The bytes of the file that back the image from rva to the end of its section. A
// section whose raw data does not lie wholly inside the file is refused: a file cut
// short of what its own section table says is damaged, and "no version" is a safer
// answer than one read from what happens to remain. Only raw data counts: the zero
// fill past SizeOfRawData is not readable here, and a section with none maps nothing.
bool MapRva(const PeImage& image, uint32_t rva, FileRange* out) {
    for (size_t i = 0; i < image.count; ++i) {
        const size_t at = i * kSectionHeaderSize;
        uint32_t virtualSize, virtualAddress, rawSize, rawOffset;
        if (!image.sections.U32(at + 8, &virtualSize) || !image.sections.U32(at + 12, &virtualAddress) ||
            !image.sections.U32(at + 16, &rawSize) || !image.sections.U32(at + 20, &rawOffset)) {
            return false;
        }
        // A VirtualSize of 0 means "as large as the raw data", as linkers of old wrote it.
        const uint32_t span = virtualSize != 0 && virtualSize < rawSize ? virtualSize : rawSize;
        if (rva < virtualAddress || rva - virtualAddress >= span) continue;
        FileRange raw, section;
        if (!image.file.Sub(rawOffset, rawSize, &raw) || !raw.Sub(0, span, &section)) return false;
        return section.Tail(rva - virtualAddress, out);
    }
    return false;
}

// ---- The resource directory ----------------------------------------------------------

constexpr size_t kDirectoryHeaderSize = 16;
constexpr size_t kEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
constexpr uint32_t kSubdirectoryBit = 0x80000000;
constexpr uint32_t kNameIsStringBit = 0x80000000;
constexpr uint32_t kRtVersion = 16;
// Type, name, language: a version resource is always three directories deep.
constexpr int kDepth = 3;

struct DirectoryEntry {
    uint32_t name = 0;
    uint32_t target = 0;
};

// Reads the header of the directory at offset and all the entries it claims, which must be
// inside the resource data.
bool ReadDirectory(const FileRange& resources, uint32_t offset, std::vector<uint8_t>* entries, size_t* named,
                   size_t* total) {
    std::vector<uint8_t> header;
    uint16_t namedCount, idCount;
    if (!resources.Read(offset, kDirectoryHeaderSize, &header) ||
        !ByteView(header.data(), header.size()).U16(12, &namedCount) ||
        !ByteView(header.data(), header.size()).U16(14, &idCount)) {
        return false;
    }
    *named = namedCount;
    *total = size_t{namedCount} + idCount;
    return resources.Read(uint64_t{offset} + kDirectoryHeaderSize, *total * kEntrySize, entries);
}

bool ReadEntry(const ByteView& entries, size_t index, DirectoryEntry* entry) {
    const size_t at = index * kEntrySize;
    return entries.U32(at, &entry->name) && entries.U32(at + 4, &entry->target);
}

// The entry to follow at a given level: the RT_VERSION id entry at the top, then the
// first entry, whatever its name or language.
bool ChooseEntry(const FileRange& resources, uint32_t directory, int level, DirectoryEntry* chosen) {
    std::vector<uint8_t> bytes;
    size_t named, total;
    if (!ReadDirectory(resources, directory, &bytes, &named, &total)) return false;
    const ByteView entries(bytes.data(), bytes.size());
    if (level > 0) return total > 0 && ReadEntry(entries, 0, chosen);
    // Id entries follow the named ones.
    for (size_t i = named; i < total; ++i) {
        DirectoryEntry entry;
        if (!ReadEntry(entries, i, &entry)) return false;
        if ((entry.name & kNameIsStringBit) == 0 && entry.name == kRtVersion) {
            *chosen = entry;
            return true;
        }
    }
    return false;
}

// Walks type -> name -> language down to the data entry and returns its offset from
// the start of the resource data. The walk is exactly kDepth levels, and a directory
// already passed on the way is refused, so no tree, however its offsets point, can
// make it loop.
bool FindVersionDataEntry(const FileRange& resources, uint32_t* dataEntry) {
    uint32_t visited[kDepth];
    uint32_t directory = 0;
    for (int level = 0; level < kDepth; ++level) {
        for (int i = 0; i < level; ++i) {
            if (visited[i] == directory) return false;
        }
        visited[level] = directory;
        DirectoryEntry entry;
        if (!ChooseEntry(resources, directory, level, &entry)) return false;
        const bool isDirectory = (entry.target & kSubdirectoryBit) != 0;
        const bool isLeafLevel = level == kDepth - 1;
        if (isDirectory == isLeafLevel) return false;  // a directory below language, or data above it
        directory = entry.target & ~kSubdirectoryBit;
    }
    *dataEntry = directory;
    return true;
}

}  // namespace

bool FindVersionResource(const RandomAccess& source, std::vector<uint8_t>* block) {
    PeImage image;
    if (!ParseHeaders(FileRange(&source, 0, source.Size()), &image)) return false;
    if (image.resourceRva == 0) return false;
    // The tree's offsets are relative to the directory's start and must stay within
    // the bytes of its section.
    FileRange resources;
    if (!MapRva(image, image.resourceRva, &resources)) return false;

    uint32_t dataEntry, dataRva, dataSize;
    std::vector<uint8_t> entry;
    if (!FindVersionDataEntry(resources, &dataEntry) || !resources.Read(dataEntry, kDataEntrySize, &entry) ||
        !ByteView(entry.data(), entry.size()).U32(0, &dataRva) ||
        !ByteView(entry.data(), entry.size()).U32(4, &dataSize)) {
        return false;
    }
    // The data is addressed by RVA and may lie in any section; it is read no further than its
    // root block can reach.
    FileRange data, bytes;
    if (dataSize == 0 || !MapRva(image, dataRva, &data) || !data.Sub(0, dataSize, &bytes)) return false;
    std::vector<uint8_t> read;
    if (!bytes.Read(0, std::min<size_t>(dataSize, kMaxVersionBlock), &read)) return false;
    if (block) *block = std::move(read);
    return true;
}

bool FindVersionResource(const uint8_t* file, size_t size, std::vector<uint8_t>* block) {
    return FindVersionResource(MemoryBytes(std::string_view(reinterpret_cast<const char*>(file), file ? size : 0)),
                               block);
}

bool FindFixedFileInfo(const uint8_t* block, size_t size, const VS_FIXEDFILEINFO** info) {
    static const char16_t kKey[] = u"VS_VERSION_INFO";  // compared with its NUL
    constexpr size_t kHeaderSize = 6;                   // wLength, wValueLength, wType
    constexpr uint32_t kSignature = 0xFEEF04BD;

    ByteView all(block, size);
    uint16_t length, valueLength;
    ByteView root;
    if (!all.U16(0, &length) || !all.U16(2, &valueLength) || !all.Sub(0, length, &root)) return false;

    // The key is compared as little-endian UTF-16 bytes, whatever the host's order.
    for (size_t i = 0; i < sizeof(kKey) / sizeof(kKey[0]); ++i) {
        uint16_t unit;
        if (!root.U16(kHeaderSize + 2 * i, &unit) || unit != kKey[i]) return false;
    }
    const size_t valueOffset = AlignUp4(kHeaderSize + sizeof(kKey));
    ByteView value;
    if (valueLength < sizeof(VS_FIXEDFILEINFO) || !root.Sub(valueOffset, valueLength, &value)) return false;
    uint32_t signature;
    if (!value.U32(0, &signature) || signature != kSignature) return false;
    // The caller reads the structure in place; that needs the alignment of a DWORD,
    // which resource data and version.dll's buffers always have.
    if (reinterpret_cast<uintptr_t>(value.data()) % alignof(VS_FIXEDFILEINFO) != 0) return false;
    if (info) *info = reinterpret_cast<const VS_FIXEDFILEINFO*>(value.data());
    return true;
}

}  // namespace sim
