// Builds the PE images of pe_writer.h: headers, a .text section whose entry point
// returns 0, and an optional .rsrc section holding one version resource.
//
// Everything is laid out by hand at fixed places, so that the bytes are the same on
// every host and every run (no time stamp, no checksum), and every size field is the
// one the Windows loader and version.dll check.
#include "pe-maker/pe_writer.h"

#include <cstddef>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <stdexcept>

namespace pemaker {
namespace {

constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kSectionAlignment = 0x1000;
constexpr uint32_t kPeOffset = 0x40;  // e_lfanew: the PE header right after the DOS header, no stub
constexpr uint32_t kFileHeaderSize = 20;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kDataDirectoryCount = 16;
constexpr uint32_t kResourceDirectoryIndex = 2;

constexpr uint32_t kTextRva = 0x1000;
// xor eax, eax; ret: the same bytes mean "return 0" in 32- and 64-bit code.
constexpr uint8_t kEntryCode[] = {0x31, 0xC0, 0xC3};

constexpr uint16_t kRtVersion = 16;
constexpr uint16_t kVersionResourceId = 1;

uint32_t AlignUp(uint32_t value, uint32_t alignment) { return (value + alignment - 1) / alignment * alignment; }

// A little-endian byte buffer that grows as it is written and can patch fields later.
class Writer {
public:
    size_t size() const { return bytes_.size(); }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void U64(uint64_t v) {
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(v >> 32));
    }
    void Bytes(const uint8_t* data, size_t n) { bytes_.insert(bytes_.end(), data, data + n); }
    void Bytes(const std::vector<uint8_t>& data) { Bytes(data.data(), data.size()); }
    void Utf16z(const std::u16string& text) {
        for (char16_t c : text) U16(static_cast<uint16_t>(c));
        U16(0);
    }
    void PadTo(size_t alignment) {
        while (bytes_.size() % alignment != 0) U8(0);
    }
    void ZeroTo(size_t offset) {
        if (bytes_.size() < offset) bytes_.resize(offset, 0);
    }
    void PatchU16(size_t at, uint16_t v) {
        bytes_[at] = static_cast<uint8_t>(v);
        bytes_[at + 1] = static_cast<uint8_t>(v >> 8);
    }

private:
    std::vector<uint8_t> bytes_;
};

// UTF-8 to UTF-16; malformed sequences become U+FFFD rather than failing, because a
// test image with a replacement character is more useful than no image.
std::u16string Utf8ToUtf16(const std::string& text) {
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        uint32_t cp;
        size_t extra;
        uint32_t minimum;
        if (b < 0x80) {
            cp = b, extra = 0, minimum = 0;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F, extra = 1, minimum = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F, extra = 2, minimum = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07, extra = 3, minimum = 0x10000;
        } else {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        size_t j = 1;
        for (; j <= extra && i + j < text.size(); ++j) {
            unsigned char c = static_cast<unsigned char>(text[i + j]);
            if ((c & 0xC0) != 0x80) break;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (j != extra + 1 || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(u'\uFFFD');
            i += j;
            continue;
        }
        i += j;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

// One node of a version resource: wLength, wValueLength, wType, the key, padding to
// 32 bits, the value, padding, then the children, each starting on 32 bits. wLength
// counts up to the end of the last child but not the padding after it.
struct VersionNode {
    std::u16string key;
    uint16_t type = 0;           // 0 binary value, 1 text value
    std::vector<uint8_t> value;  // raw bytes of the value
    uint16_t valueLength = 0;    // in bytes for binary values, in UTF-16 units for text
    std::vector<VersionNode> children;
};

void WriteNode(const VersionNode& node, Writer* out) {
    size_t start = out->size();
    out->U16(0);  // wLength, patched below
    out->U16(node.valueLength);
    out->U16(node.type);
    out->Utf16z(node.key);
    out->PadTo(4);
    out->Bytes(node.value);
    for (const VersionNode& child : node.children) {
        out->PadTo(4);
        WriteNode(child, out);
    }
    // wLength is 16 bits; a resource that long cannot be written correctly at all.
    size_t length = out->size() - start;
    if (length > 0xFFFF) throw std::length_error("version resource block longer than 65535 bytes");
    out->PatchU16(start, static_cast<uint16_t>(length));
}

std::vector<uint8_t> LittleEndian32(std::initializer_list<uint32_t> words) {
    std::vector<uint8_t> bytes;
    for (uint32_t w : words) {
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(w >> shift));
    }
    return bytes;
}

VersionNode TextNode(const std::string& key, const std::string& value) {
    VersionNode node;
    node.key = Utf8ToUtf16(key);
    node.type = 1;
    std::u16string text = Utf8ToUtf16(value);
    Writer w;
    w.Utf16z(text);
    node.value = w.Take();
    node.valueLength = static_cast<uint16_t>(text.size() + 1);  // in characters, with the NUL, as rc does
    return node;
}

std::string TableName(uint16_t language, uint16_t codepage) {
    char name[9];
    std::snprintf(name, sizeof(name), "%04x%04x", language, codepage);
    return name;
}

std::vector<uint8_t> BuildVersionBlock(const VersionInfo& info) {
    const uint16_t* fv = info.fileVersion;
    const uint16_t* pv = info.productVersion;
    VersionNode root;
    root.key = u"VS_VERSION_INFO";
    root.value = LittleEndian32({
        0xFEEF04BD,                     // dwSignature
        0x00010000,                     // dwStrucVersion
        uint32_t(fv[0]) << 16 | fv[1],  // dwFileVersionMS
        uint32_t(fv[2]) << 16 | fv[3],  // dwFileVersionLS
        uint32_t(pv[0]) << 16 | pv[1],  // dwProductVersionMS
        uint32_t(pv[2]) << 16 | pv[3],  // dwProductVersionLS
        0x3F,                           // dwFileFlagsMask
        0,                              // dwFileFlags
        0x00040004,                     // dwFileOS: VOS_NT_WINDOWS32
        1,                              // dwFileType: VFT_APP
        0,                              // dwFileSubtype
        0,                              // dwFileDateMS
        0,                              // dwFileDateLS
    });
    root.valueLength = static_cast<uint16_t>(root.value.size());

    VersionNode table;
    table.key = Utf8ToUtf16(TableName(info.language, info.codepage));
    table.type = 1;
    for (const auto& [name, value] : info.strings) table.children.push_back(TextNode(name, value));
    VersionNode stringInfo;
    stringInfo.key = u"StringFileInfo";
    stringInfo.type = 1;
    stringInfo.children.push_back(std::move(table));

    VersionNode translation;
    translation.key = u"Translation";
    translation.value = LittleEndian32({uint32_t(info.codepage) << 16 | info.language});
    translation.valueLength = 4;
    VersionNode varInfo;
    varInfo.key = u"VarFileInfo";
    varInfo.type = 1;
    varInfo.children.push_back(std::move(translation));

    root.children.push_back(std::move(stringInfo));
    root.children.push_back(std::move(varInfo));

    Writer w;
    WriteNode(root, &w);
    return w.Take();
}

// The resource tree for a single resource: type 16 -> id 1 -> language -> data entry,
// then the data. Offsets in the tree are from the start of the section; the data
// entry holds an RVA.
std::vector<uint8_t> BuildResourceSection(const VersionInfo& info, uint32_t sectionRva) {
    constexpr uint32_t kDirSize = 16, kEntrySize = 8, kDataEntrySize = 16;
    constexpr uint32_t kSubdirectory = 0x80000000;
    constexpr uint32_t kNameDir = kDirSize + kEntrySize;
    constexpr uint32_t kLangDir = kNameDir + kDirSize + kEntrySize;
    constexpr uint32_t kDataEntry = kLangDir + kDirSize + kEntrySize;
    constexpr uint32_t kData = kDataEntry + kDataEntrySize;

    std::vector<uint8_t> block = BuildVersionBlock(info);
    Writer w;
    auto directory = [&w](uint16_t id, uint32_t target) {
        w.U32(0);  // Characteristics
        w.U32(0);  // TimeDateStamp
        w.U16(0);  // MajorVersion
        w.U16(0);  // MinorVersion
        w.U16(0);  // NumberOfNamedEntries
        w.U16(1);  // NumberOfIdEntries
        w.U32(id);
        w.U32(target);
    };
    directory(kRtVersion, kSubdirectory | kNameDir);
    directory(kVersionResourceId, kSubdirectory | kLangDir);
    directory(info.language, kDataEntry);
    w.U32(sectionRva + kData);  // OffsetToData
    w.U32(static_cast<uint32_t>(block.size()));
    w.U32(0);  // CodePage
    w.U32(0);  // Reserved
    w.Bytes(block);
    return w.Take();
}

struct Section {
    const char* name;
    uint32_t rva;
    uint32_t fileOffset;
    std::vector<uint8_t> data;
    uint32_t characteristics;
};

// Where the resource section goes after a .text of that many bytes, the same in
// 32- and 64-bit images: the RVAs inside the section are made for this place.
uint32_t ResourceRva(size_t codeSize) { return kTextRva + AlignUp(static_cast<uint32_t>(codeSize), kSectionAlignment); }

// Headers, then .text holding the code, then .rsrc when there are resources.
std::vector<uint8_t> WriteImage(const std::vector<uint8_t>& code, const std::vector<uint8_t>* resources, Arch arch) {
    const bool is64 = arch == Arch::kAmd64;
    const bool version = resources != nullptr;
    const uint16_t sectionCount = version ? 2 : 1;
    const uint32_t optionalHeaderSize = (is64 ? 112 : 96) + kDataDirectoryCount * 8;
    const uint32_t headersEnd =
        kPeOffset + 4 + kFileHeaderSize + optionalHeaderSize + sectionCount * kSectionHeaderSize;
    const uint32_t sizeOfHeaders = AlignUp(headersEnd, kFileAlignment);

    std::vector<Section> sections;
    sections.push_back({".text", kTextRva, sizeOfHeaders, code, 0x60000020});  // CODE | MEM_EXECUTE | MEM_READ
    if (version) {
        const uint32_t offset = sizeOfHeaders + AlignUp(static_cast<uint32_t>(code.size()), kFileAlignment);
        sections.push_back(
            {".rsrc", ResourceRva(code.size()), offset, *resources, 0x40000040});  // INITIALIZED_DATA | MEM_READ
    }
    const Section& last = sections.back();
    const uint32_t sizeOfImage = last.rva + AlignUp(static_cast<uint32_t>(last.data.size()), kSectionAlignment);
    const uint32_t codeSize = AlignUp(static_cast<uint32_t>(sections[0].data.size()), kFileAlignment);
    const uint32_t dataSize = version ? AlignUp(static_cast<uint32_t>(sections[1].data.size()), kFileAlignment) : 0;

    Writer w;
    // DOS header: only e_magic and e_lfanew matter to a PE loader.
    w.U8('M');
    w.U8('Z');
    w.ZeroTo(0x3C);
    w.U32(kPeOffset);
    w.ZeroTo(kPeOffset);

    w.Bytes(reinterpret_cast<const uint8_t*>("PE\0\0"), 4);
    // File header.
    w.U16(is64 ? 0x8664 : 0x014C);
    w.U16(sectionCount);
    w.U32(0);  // TimeDateStamp: left zero so that images are reproducible
    w.U32(0);  // PointerToSymbolTable
    w.U32(0);  // NumberOfSymbols
    w.U16(static_cast<uint16_t>(optionalHeaderSize));
    // EXECUTABLE_IMAGE, plus 32BIT_MACHINE or LARGE_ADDRESS_AWARE.
    w.U16(is64 ? 0x0022 : 0x0102);

    // Optional header.
    w.U16(is64 ? 0x20B : 0x10B);
    w.U8(14);  // linker version, any plausible value
    w.U8(0);
    w.U32(codeSize);
    w.U32(dataSize);
    w.U32(0);         // SizeOfUninitializedData
    w.U32(kTextRva);  // AddressOfEntryPoint: the first byte of .text
    w.U32(kTextRva);  // BaseOfCode
    if (is64) {
        w.U64(0x140000000);
    } else {
        w.U32(version ? sections[1].rva : 0);  // BaseOfData
        w.U32(0x400000);
    }
    w.U32(kSectionAlignment);
    w.U32(kFileAlignment);
    w.U16(6);  // MajorOperatingSystemVersion
    w.U16(0);
    w.U16(0);  // MajorImageVersion
    w.U16(0);
    w.U16(6);  // MajorSubsystemVersion
    w.U16(0);
    w.U32(0);  // Win32VersionValue
    w.U32(sizeOfImage);
    w.U32(sizeOfHeaders);
    w.U32(0);  // CheckSum: only drivers and boot images need it
    w.U16(2);  // Subsystem: WINDOWS_GUI
    w.U16(0);  // DllCharacteristics: no ASLR, so no relocations are needed
    auto stackOrHeap = [&](uint64_t v) { is64 ? w.U64(v) : w.U32(static_cast<uint32_t>(v)); };
    stackOrHeap(0x100000);  // SizeOfStackReserve
    stackOrHeap(0x1000);    // SizeOfStackCommit
    stackOrHeap(0x100000);  // SizeOfHeapReserve
    stackOrHeap(0x1000);    // SizeOfHeapCommit
    w.U32(0);               // LoaderFlags
    w.U32(kDataDirectoryCount);
    for (uint32_t i = 0; i < kDataDirectoryCount; ++i) {
        if (i == kResourceDirectoryIndex && version) {
            w.U32(sections[1].rva);
            w.U32(static_cast<uint32_t>(sections[1].data.size()));
        } else {
            w.U64(0);
        }
    }

    for (const Section& s : sections) {
        char name[8] = {};
        for (size_t i = 0; i < sizeof(name) && s.name[i]; ++i) name[i] = s.name[i];
        w.Bytes(reinterpret_cast<const uint8_t*>(name), sizeof(name));
        w.U32(static_cast<uint32_t>(s.data.size()));  // VirtualSize
        w.U32(s.rva);
        w.U32(AlignUp(static_cast<uint32_t>(s.data.size()), kFileAlignment));  // SizeOfRawData
        w.U32(s.fileOffset);
        w.U32(0);  // PointerToRelocations
        w.U32(0);  // PointerToLinenumbers
        w.U16(0);  // NumberOfRelocations
        w.U16(0);  // NumberOfLinenumbers
        w.U32(s.characteristics);
    }

    for (const Section& s : sections) {
        w.ZeroTo(s.fileOffset);
        w.Bytes(s.data);
        w.ZeroTo(s.fileOffset + AlignUp(static_cast<uint32_t>(s.data.size()), kFileAlignment));
    }
    return w.Take();
}

uint32_t Read16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t Read32(const std::vector<uint8_t>& b, size_t at) { return Read16(b, at) | Read16(b, at + 2) << 16; }

}  // namespace

std::vector<uint8_t> MakePe(const VersionInfo* version, Arch arch) {
    const std::vector<uint8_t> code(std::begin(kEntryCode), std::end(kEntryCode));
    if (!version) return WriteImage(code, nullptr, arch);
    const std::vector<uint8_t> resources = BuildResourceSection(*version, ResourceRva(code.size()));
    return WriteImage(code, &resources, arch);
}

std::vector<uint8_t> RetargetPe(const std::vector<uint8_t>& image, Arch arch) {
    constexpr size_t kFileHeader = kPeOffset + 4;
    if (image.size() < kFileHeader + kFileHeaderSize || Read32(image, kPeOffset) != 0x4550) return {};
    const uint32_t machine = Read16(image, kFileHeader);
    if (machine != 0x8664 && machine != 0x014C) return {};
    const Arch from = machine == 0x8664 ? Arch::kAmd64 : Arch::kI386;
    const uint32_t sectionCount = Read16(image, kFileHeader + 2);
    const size_t table = kFileHeader + kFileHeaderSize + Read16(image, kFileHeader + 16);
    if (sectionCount < 1 || sectionCount > 2 || table + sectionCount * kSectionHeaderSize > image.size()) return {};
    std::vector<uint8_t> data[2];
    for (uint32_t i = 0; i < sectionCount; ++i) {
        const size_t header = table + i * kSectionHeaderSize;
        const uint32_t size = Read32(image, header + 8), offset = Read32(image, header + 20);
        if (offset > image.size() || size > image.size() - offset) return {};
        data[i].assign(image.begin() + offset, image.begin() + offset + size);
    }
    // Only an image that this writer gives back byte for byte is one it wrote: then the
    // sections are all there is to it, and nothing is lost in the other architecture.
    const std::vector<uint8_t>* resources = sectionCount == 2 ? &data[1] : nullptr;
    if (WriteImage(data[0], resources, from) != image) return {};
    return WriteImage(data[0], resources, arch);
}

std::vector<uint8_t> MakeVersionedPe(uint16_t major, uint16_t minor, uint16_t build, uint16_t revision, Arch arch) {
    VersionInfo info;
    const uint16_t numbers[4] = {major, minor, build, revision};
    for (int i = 0; i < 4; ++i) info.fileVersion[i] = info.productVersion[i] = numbers[i];
    return MakePe(&info, arch);
}

}  // namespace pemaker
