// The PE writer and the simulation's version-resource reader, against each other and
// against damaged files: every truncation and each broken field. Arbitrary damage is
// the fuzzer's (tests/fuzz/fuzz_pe_version.cpp); run under AddressSanitizer, these
// prove "no read out of bounds" only when a sanitizer is watching.
#include "platform/os/sim/pe_version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>

#include "pe-maker/pe_writer.h"

namespace {

using pemaker::Arch;
using Image = std::vector<uint8_t>;

uint32_t Get32(const Image& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t Get16(const Image& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
void Put32(Image& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(Image& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// Where things are in an image the writer made, found by following its own headers.
struct Layout {
    size_t pe, fileHeader, optional, dataDirs, sections, rsrcHeader;
    size_t rsrcRaw;                          // file offset of the resource section
    size_t nameEntry, langEntry, dataEntry;  // file offsets inside the resource tree
    size_t block;                            // file offset of the version block
    explicit Layout(const Image& b) {
        pe = Get32(b, 0x3C);
        fileHeader = pe + 4;
        optional = fileHeader + 20;
        dataDirs = optional + (Get16(b, optional) == 0x20B ? 112 : 96);
        sections = optional + Get16(b, fileHeader + 16);
        rsrcHeader = sections + 40;
        rsrcRaw = Get32(b, rsrcHeader + 20);
        nameEntry = rsrcRaw + (Get32(b, rsrcRaw + 20) & 0x7FFFFFFF) + 16;
        langEntry = rsrcRaw + (Get32(b, nameEntry + 4) & 0x7FFFFFFF) + 16;
        dataEntry = rsrcRaw + Get32(b, langEntry + 4);
        block = rsrcRaw + (Get32(b, dataEntry) - Get32(b, rsrcHeader + 12));
    }
};

pemaker::VersionInfo SampleInfo() {
    pemaker::VersionInfo info;
    const uint16_t file[4] = {5, 50, 4134, 100}, product[4] = {65535, 0, 1, 65534};
    std::copy(file, file + 4, info.fileVersion);
    std::copy(product, product + 4, info.productVersion);
    info.strings = {{"ProductName", "ゼンホー翻訳"}, {"CompanyName", "Zentho"}};
    return info;
}

struct Read {
    bool found = false;
    Image block;
    VS_FIXEDFILEINFO fixed{};
};

Read ReadVersion(const Image& file) {
    Read r;
    const VS_FIXEDFILEINFO* info = nullptr;
    r.found = sim::FindVersionResource(file.data(), file.size(), &r.block) &&
              sim::FindFixedFileInfo(r.block.data(), r.block.size(), &info);
    if (r.found) r.fixed = *info;
    return r;
}

// ---- Round trips -----------------------------------------------------------------------

class RoundTrip : public ::testing::TestWithParam<Arch> {};
INSTANTIATE_TEST_SUITE_P(BothArchs, RoundTrip, ::testing::Values(Arch::kAmd64, Arch::kI386));

TEST_P(RoundTrip, FixedInfoComesBackExactly) {
    pemaker::VersionInfo info = SampleInfo();
    for (bool withStrings : {true, false}) {
        SCOPED_TRACE(withStrings ? "with strings" : "without strings");
        if (!withStrings) info.strings.clear();
        Read r = ReadVersion(pemaker::MakePe(&info, GetParam()));
        ASSERT_TRUE(r.found);
        EXPECT_EQ(r.fixed.dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(r.fixed.dwStrucVersion, 0x00010000u);
        EXPECT_EQ(r.fixed.dwFileVersionMS, 0x00050032u);
        EXPECT_EQ(r.fixed.dwFileVersionLS, 0x10260064u);
        EXPECT_EQ(r.fixed.dwProductVersionMS, 0xFFFF0000u);
        EXPECT_EQ(r.fixed.dwProductVersionLS, 0x0001FFFEu);
        EXPECT_EQ(r.fixed.dwFileOS, 0x40004u);
        EXPECT_EQ(r.fixed.dwFileType, 1u);
        // The data entry's size is exactly the root block.
        EXPECT_EQ(r.block.size(), Get16(r.block, 0));
    }
}

TEST(PeVersion, ImageWithoutResourcesHasNoVersion) {
    for (Arch arch : {Arch::kAmd64, Arch::kI386}) {
        const Image b = pemaker::MakePe(nullptr, arch);
        EXPECT_EQ(Get16(b, Layout(b).fileHeader + 2), 1);
        Image block{1, 2, 3};
        EXPECT_FALSE(sim::FindVersionResource(b.data(), b.size(), &block));
    }
}

// The type level is searched for id 16 past named entries and other ids; below it the
// first name and the first language win, whatever they are.
TEST(PeVersion, TakesTypeSixteenThenFirstNameAndFirstLanguage) {
    pemaker::VersionInfo info = SampleInfo();
    info.strings.clear();
    Image b = pemaker::MakePe(&info, Arch::kAmd64);
    const Layout l(b);
    const uint32_t rsrcRva = Get32(b, l.rsrcHeader + 12), blockRva = Get32(b, l.dataEntry);
    const uint32_t treeAt = 0x140, bad = 0x80000000 | 0x7FFFFFF0;  // bad: a directory past the end
    ASSERT_LT(l.block - l.rsrcRaw + Get16(b, l.block), treeAt);
    Put32(b, l.rsrcHeader + 8, 0x200);  // let the tree after the block be readable
    Put32(b, l.dataDirs + 16, rsrcRva + treeAt);
    size_t at = l.rsrcRaw + treeAt;
    auto dir = [&](uint16_t named, std::initializer_list<std::pair<uint32_t, uint32_t>> entries) {
        Put16(b, at + 12, named);
        Put16(b, at + 14, static_cast<uint16_t>(entries.size() - named));
        at += 16;
        for (auto [name, target] : entries) Put32(b, at, name), Put32(b, at + 4, target), at += 8;
    };
    dir(1, {{0x80000000 | 0x40, bad}, {3, bad}, {16, 0x80000000 | 40}});  // types at 0
    dir(0, {{1, 0x80000000 | 72}, {2, bad}});                             // names at 40
    dir(0, {{0x0409, 104}, {0x0411, bad}});                               // languages at 72
    Put32(b, at, blockRva), Put32(b, at + 4, Get16(b, l.block));          // data entry at 104
    Read r = ReadVersion(b);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.fixed.dwFileVersionLS, 0x10260064u);
}

// ---- Damaged and hostile files ------------------------------------------------------------

class Hostile : public ::testing::TestWithParam<Arch> {
protected:
    Image Valid() const { return pemaker::MakePe(&info_, GetParam()); }
    pemaker::VersionInfo info_ = SampleInfo();
};
INSTANTIATE_TEST_SUITE_P(BothArchs, Hostile, ::testing::Values(Arch::kAmd64, Arch::kI386));

TEST_P(Hostile, EveryTruncationFails) {
    const Image b = Valid();
    Image block;
    for (size_t n = 0; n < b.size(); ++n) {
        // A copy of exactly n bytes, so that ASan sees any read past the prefix.
        const Image prefix(b.begin(), b.begin() + n);
        ASSERT_FALSE(sim::FindVersionResource(prefix.data(), n, &block)) << "prefix " << n;
    }
    ASSERT_TRUE(sim::FindVersionResource(b.data(), b.size(), &block));
    const VS_FIXEDFILEINFO* info;
    for (size_t n = 0; n < block.size(); ++n) {
        const Image prefix(block.begin(), block.begin() + n);
        ASSERT_FALSE(sim::FindFixedFileInfo(prefix.data(), n, &info)) << "block prefix " << n;
    }
    EXPECT_FALSE(sim::FindVersionResource(nullptr, 0, &block));
    EXPECT_FALSE(sim::FindFixedFileInfo(nullptr, 0, &info));
}

TEST_P(Hostile, BrokenFieldsGiveNoVersion) {
    struct Case {
        const char* name;
        std::function<void(Image&, const Layout&)> damage;
    };
    const Case cases[] = {
        {"no MZ", [](Image& b, const Layout&) { b[1] = 'X'; }},
        {"e_lfanew 0xFFFFFFFF", [](Image& b, const Layout&) { Put32(b, 0x3C, 0xFFFFFFFF); }},
        {"e_lfanew at the last two bytes", [](Image& b, const Layout&) { Put32(b, 0x3C, uint32_t(b.size() - 2)); }},
        {"no PE signature", [](Image& b, const Layout& l) { b[l.pe + 2] = 1; }},
        {"unknown optional magic", [](Image& b, const Layout& l) { Put16(b, l.optional, 0x107); }},
        {"optional header too short for the resource entry",
         [](Image& b, const Layout& l) { Put16(b, l.fileHeader + 16, uint16_t(l.dataDirs - l.optional + 20)); }},
        {"optional header past the end", [](Image& b, const Layout& l) { Put16(b, l.fileHeader + 16, 0xFFFF); }},
        {"only two data directories", [](Image& b, const Layout& l) { Put32(b, l.dataDirs - 4, 2); }},
        {"section count past the end", [](Image& b, const Layout& l) { Put16(b, l.fileHeader + 2, 0xFFFF); }},
        {"resource section not listed", [](Image& b, const Layout& l) { Put16(b, l.fileHeader + 2, 1); }},
        {"no resource directory", [](Image& b, const Layout& l) { Put32(b, l.dataDirs + 16, 0); }},
        {"resource RVA in no section", [](Image& b, const Layout& l) { Put32(b, l.dataDirs + 16, 0x9000); }},
        {"zero-sized resource section",
         [](Image& b, const Layout& l) { Put32(b, l.rsrcHeader + 8, 0), Put32(b, l.rsrcHeader + 16, 0); }},
        // Offset + size wraps to 0 in 32 bits.
        {"raw data past the end", [](Image& b, const Layout& l) { Put32(b, l.rsrcHeader + 20, 0xFFFFFE00); }},
        {"raw size past the end", [](Image& b, const Layout& l) { Put32(b, l.rsrcHeader + 16, 0xFFFFFFFF); }},
        {"type entry count past the data", [](Image& b, const Layout& l) { Put16(b, l.rsrcRaw + 14, 0xFFFF); }},
        {"named entry count past the data", [](Image& b, const Layout& l) { Put16(b, l.rsrcRaw + 12, 0xFFFF); }},
        {"no type 16", [](Image& b, const Layout& l) { Put32(b, l.rsrcRaw + 16, 3); }},
        {"type 16 as a name", [](Image& b, const Layout& l) { Put32(b, l.rsrcRaw + 16, 0x80000010); }},
        {"root points to itself", [](Image& b, const Layout& l) { Put32(b, l.rsrcRaw + 20, 0x80000000); }},
        {"name level points back to the root",
         [](Image& b, const Layout& l) { Put32(b, l.nameEntry + 4, 0x80000000); }},
        {"type level ends in data", [](Image& b, const Layout& l) { Put32(b, l.rsrcRaw + 20, 24); }},
        {"language level holds a directory",
         [](Image& b, const Layout& l) { Put32(b, l.langEntry + 4, 0x80000000 | Get32(b, l.langEntry + 4)); }},
        {"subdirectory past the end", [](Image& b, const Layout& l) { Put32(b, l.rsrcRaw + 20, 0xFFFFFFFF); }},
        {"data entry past the end", [](Image& b, const Layout& l) { Put32(b, l.langEntry + 4, 0x7FFFFFFC); }},
        {"data RVA in no section", [](Image& b, const Layout& l) { Put32(b, l.dataEntry, 0xFFFFFFF0); }},
        {"data larger than the file", [](Image& b, const Layout& l) { Put32(b, l.dataEntry + 4, 0x10000000); }},
        {"data size 0xFFFFFFFF", [](Image& b, const Layout& l) { Put32(b, l.dataEntry + 4, 0xFFFFFFFF); }},
        {"empty data", [](Image& b, const Layout& l) { Put32(b, l.dataEntry + 4, 0); }},
        {"wLength past the data", [](Image& b, const Layout& l) { Put16(b, l.block, 0xFFFF); }},
        {"wLength too short for the value", [](Image& b, const Layout& l) { Put16(b, l.block, 60); }},
        {"wValueLength below the structure", [](Image& b, const Layout& l) { Put16(b, l.block + 2, 51); }},
        {"wValueLength past the block", [](Image& b, const Layout& l) { Put16(b, l.block + 2, 0xFFFF); }},
        {"wrong key", [](Image& b, const Layout& l) { b[l.block + 6 + 2 * 14] = 'X'; }},
        {"key without its NUL", [](Image& b, const Layout& l) { b[l.block + 6 + 2 * 15] = 'X'; }},
        {"wrong signature", [](Image& b, const Layout& l) { Put32(b, l.block + 40, 0xFEEF04BC); }},
    };
    const Image valid = Valid();
    ASSERT_TRUE(ReadVersion(valid).found);
    const Layout layout(valid);
    for (const Case& c : cases) {
        Image b = valid;
        c.damage(b, layout);
        EXPECT_FALSE(ReadVersion(b).found) << c.name;
    }
}

TEST(PeVersion, MisalignedBlockIsRefusedRatherThanReadUnaligned) {
    Image block;
    const Image b = pemaker::MakeVersionedPe(1, 2, 3, 4);
    ASSERT_TRUE(sim::FindVersionResource(b.data(), b.size(), &block));
    Image shifted(block.size() + 1);
    std::memcpy(shifted.data() + 1, block.data(), block.size());
    const VS_FIXEDFILEINFO* info = nullptr;
    EXPECT_FALSE(sim::FindFixedFileInfo(shifted.data() + 1, block.size(), &info));
    EXPECT_TRUE(sim::FindFixedFileInfo(block.data(), block.size(), &info));
}

// A machine folder's programs laid into a 32-bit prefix: the writer's own image for the
// other architecture, and nothing for an image it would not give back byte for byte.
TEST(PeWriter, RetargetingGivesTheOtherArchitecturesImageOrNothing) {
    const pemaker::VersionInfo info = SampleInfo();
    for (const pemaker::VersionInfo* version : {&info, static_cast<const pemaker::VersionInfo*>(nullptr)}) {
        for (Arch from : {Arch::kAmd64, Arch::kI386}) {
            for (Arch to : {Arch::kAmd64, Arch::kI386}) {
                EXPECT_EQ(pemaker::RetargetPe(pemaker::MakePe(version, from), to), pemaker::MakePe(version, to));
            }
        }
    }
    const struct {
        const char* what;
        std::function<void(Image&)> damage;
    } foreign[] = {
        {"a byte past the sections", [](Image& b) { b.push_back(0); }},
        {"an import directory", [](Image& b) { Put32(b, Layout(b).dataDirs + 8, 0x1000); }},
        {"an ARM image", [](Image& b) { Put16(b, Layout(b).fileHeader, 0x01C4); }},
        {"no sections", [](Image& b) { Put16(b, Layout(b).fileHeader + 2, 0); }},
        {"a section past the end", [](Image& b) { Put32(b, Layout(b).rsrcHeader + 20, 0xFFFFFF00); }},
        {"cut inside the headers", [](Image& b) { b.resize(0x50); }},
    };
    for (const auto& [what, damage] : foreign) {
        Image b = pemaker::MakePe(&info, Arch::kAmd64);
        damage(b);
        EXPECT_TRUE(pemaker::RetargetPe(b, Arch::kI386).empty()) << what;
    }
}

}  // namespace
