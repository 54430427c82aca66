// The PE writer and the simulation's version-resource reader, against each other and
// against each broken field that a reader could take for sound. Truncations, sizes and
// offsets past the end and arbitrary damage are the fuzzer's (tests/fuzz/fuzz_pe_version.cpp),
// which proves "no read out of bounds" under ASan.
#include "tools/winsim/core/pe_version.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>

#include "pe-maker/pe_writer.h"

namespace {

using pemaker::Arch;
using Image = std::vector<uint8_t>;

uint32_t Get(const Image& b, size_t at, int bytes = 4) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + i];
    return v;
}
void Put(Image& b, size_t at, uint32_t v, int bytes = 4) {
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Where things are in an image the writer made, found by following its own headers.
struct Layout {
    size_t pe, fileHeader, optional, dataDirs, rsrcHeader;
    size_t rsrcRaw;                          // file offset of the resource section
    size_t nameEntry, langEntry, dataEntry;  // file offsets inside the resource tree
    size_t block;                            // file offset of the version block
    explicit Layout(const Image& b) {
        pe = Get(b, 0x3C);
        fileHeader = pe + 4;
        optional = fileHeader + 20;
        dataDirs = optional + (Get(b, optional, 2) == 0x20B ? 112 : 96);
        rsrcHeader = optional + Get(b, fileHeader + 16, 2) + 40;
        rsrcRaw = Get(b, rsrcHeader + 20);
        nameEntry = rsrcRaw + (Get(b, rsrcRaw + 20) & 0x7FFFFFFF) + 16;
        langEntry = rsrcRaw + (Get(b, nameEntry + 4) & 0x7FFFFFFF) + 16;
        dataEntry = rsrcRaw + Get(b, langEntry + 4);
        block = rsrcRaw + (Get(b, dataEntry) - Get(b, rsrcHeader + 12));
    }
};

// File version 5.50.4134.100, product version 65535.0.1.65534.
Image Sample(Arch arch, bool withStrings = true) {
    pemaker::VersionInfo info;
    const uint16_t file[4] = {5, 50, 4134, 100}, product[4] = {65535, 0, 1, 65534};
    std::copy(file, file + 4, info.fileVersion);
    std::copy(product, product + 4, info.productVersion);
    if (withStrings) info.strings = {{"ProductName", "ゼンホー翻訳"}, {"CompanyName", "Zentho"}};
    return pemaker::MakePe(&info, arch);
}

// The fixed information's file and product versions as "FileMS FileLS ProductMS ProductLS"
// in hex, or "none".
std::string Versions(const Image& file) {
    Image block;
    const VS_FIXEDFILEINFO* info = nullptr;
    if (!sim::FindVersionResource(file.data(), file.size(), &block) ||
        !sim::FindFixedFileInfo(block.data(), block.size(), &info))
        return "none";
    EXPECT_EQ(block.size(), Get(block, 0, 2)) << "the data entry's size is exactly the root block";
    EXPECT_EQ(info->dwSignature, 0xFEEF04BDu);
    char text[64];
    std::snprintf(text, sizeof text, "%x %x %x %x", info->dwFileVersionMS, info->dwFileVersionLS,
                  info->dwProductVersionMS, info->dwProductVersionLS);
    return text;
}

class PeVersion : public ::testing::TestWithParam<Arch> {};
INSTANTIATE_TEST_SUITE_P(BothArchs, PeVersion, ::testing::Values(Arch::kAmd64, Arch::kI386));

TEST_P(PeVersion, FixedInfoComesBackExactly) {
    EXPECT_EQ(Versions(Sample(GetParam())), "50032 10260064 ffff0000 1fffe");
    EXPECT_EQ(Versions(Sample(GetParam(), false)), "50032 10260064 ffff0000 1fffe") << "without strings";
    EXPECT_EQ(Versions(pemaker::MakePe(nullptr, GetParam())), "none") << "no resources";
}

// The type level is searched for id 16 past named entries and other ids; below it the
// first name and the first language win, whatever they are.
TEST(PeVersionTree, TakesTypeSixteenThenFirstNameAndFirstLanguage) {
    Image b = Sample(Arch::kAmd64, false);
    const Layout l(b);
    const uint32_t rsrcRva = Get(b, l.rsrcHeader + 12), blockRva = Get(b, l.dataEntry);
    const uint32_t treeAt = 0x140, bad = 0x80000000 | 0x7FFFFFF0;  // bad: a directory past the end
    ASSERT_LT(l.block - l.rsrcRaw + Get(b, l.block, 2), treeAt);
    Put(b, l.rsrcHeader + 8, 0x200);  // let the tree after the block be readable
    Put(b, l.dataDirs + 16, rsrcRva + treeAt);
    size_t at = l.rsrcRaw + treeAt;
    auto dir = [&](uint16_t named, std::initializer_list<std::pair<uint32_t, uint32_t>> entries) {
        Put(b, at + 12, named, 2);
        Put(b, at + 14, static_cast<uint16_t>(entries.size() - named), 2);
        at += 16;
        for (auto [name, target] : entries) Put(b, at, name), Put(b, at + 4, target), at += 8;
    };
    dir(1, {{0x80000000 | 0x40, bad}, {3, bad}, {16, 0x80000000 | 40}});  // types at 0
    dir(0, {{1, 0x80000000 | 72}, {2, bad}});                             // names at 40
    dir(0, {{0x0409, 104}, {0x0411, bad}});                               // languages at 72
    Put(b, at, blockRva), Put(b, at + 4, Get(b, l.block, 2));             // data entry at 104
    EXPECT_EQ(Versions(b), "50032 10260064 ffff0000 1fffe");
}

TEST_P(PeVersion, BrokenFieldsGiveNoVersion) {
    using Damage = std::function<void(Image&, const Layout&)>;
    const std::pair<const char*, Damage> rows[] = {
        {"no MZ", [](Image& b, const Layout&) { b[1] = 'X'; }},
        {"no PE signature", [](Image& b, const Layout& l) { b[l.pe + 2] = 1; }},
        {"unknown optional magic", [](Image& b, const Layout& l) { Put(b, l.optional, 0x107, 2); }},
        {"optional header too short for the resource entry",
         [](Image& b, const Layout& l) { Put(b, l.fileHeader + 16, uint16_t(l.dataDirs - l.optional + 20), 2); }},
        {"only two data directories", [](Image& b, const Layout& l) { Put(b, l.dataDirs - 4, 2); }},
        {"resource section not listed", [](Image& b, const Layout& l) { Put(b, l.fileHeader + 2, 1, 2); }},
        {"no resource directory", [](Image& b, const Layout& l) { Put(b, l.dataDirs + 16, 0); }},
        {"resource RVA in no section", [](Image& b, const Layout& l) { Put(b, l.dataDirs + 16, 0x9000); }},
        {"zero-sized resource section",
         [](Image& b, const Layout& l) { Put(b, l.rsrcHeader + 8, 0), Put(b, l.rsrcHeader + 16, 0); }},
        // Offset + size wraps to 0 in 32 bits.
        {"raw data past the end", [](Image& b, const Layout& l) { Put(b, l.rsrcHeader + 20, 0xFFFFFE00); }},
        {"no type 16", [](Image& b, const Layout& l) { Put(b, l.rsrcRaw + 16, 3); }},
        {"type 16 as a name", [](Image& b, const Layout& l) { Put(b, l.rsrcRaw + 16, 0x80000010); }},
        {"root points to itself", [](Image& b, const Layout& l) { Put(b, l.rsrcRaw + 20, 0x80000000); }},
        {"name level points back to the root", [](Image& b, const Layout& l) { Put(b, l.nameEntry + 4, 0x80000000); }},
        {"type level ends in data", [](Image& b, const Layout& l) { Put(b, l.rsrcRaw + 20, 24); }},
        {"language level holds a directory",
         [](Image& b, const Layout& l) { Put(b, l.langEntry + 4, 0x80000000 | Get(b, l.langEntry + 4)); }},
        {"data RVA in no section", [](Image& b, const Layout& l) { Put(b, l.dataEntry, 0xFFFFFFF0); }},
        {"empty data", [](Image& b, const Layout& l) { Put(b, l.dataEntry + 4, 0); }},
        {"wLength too short for the value", [](Image& b, const Layout& l) { Put(b, l.block, 60, 2); }},
        {"wValueLength below the structure", [](Image& b, const Layout& l) { Put(b, l.block + 2, 51, 2); }},
        {"wrong key", [](Image& b, const Layout& l) { b[l.block + 6 + 2 * 14] = 'X'; }},
        {"key without its NUL", [](Image& b, const Layout& l) { b[l.block + 6 + 2 * 15] = 'X'; }},
        {"wrong signature", [](Image& b, const Layout& l) { Put(b, l.block + 40, 0xFEEF04BC); }},
    };
    const Image valid = Sample(GetParam());
    const Layout layout(valid);
    for (const auto& [name, damage] : rows) {
        Image b = valid;
        damage(b, layout);
        EXPECT_EQ(Versions(b), "none") << name;
    }
}

// A machine folder's programs laid into a 32-bit prefix: the writer's own image for the
// other architecture, and nothing for an image it would not give back byte for byte.
TEST(PeWriter, RetargetingGivesTheOtherArchitecturesImageOrNothing) {
    for (bool withStrings : {true, false})
        for (Arch from : {Arch::kAmd64, Arch::kI386})
            for (Arch to : {Arch::kAmd64, Arch::kI386})
                EXPECT_EQ(pemaker::RetargetPe(Sample(from, withStrings), to), Sample(to, withStrings));
    EXPECT_EQ(pemaker::RetargetPe(pemaker::MakePe(nullptr, Arch::kAmd64), Arch::kI386),
              pemaker::MakePe(nullptr, Arch::kI386));
    const struct {
        const char* what;
        std::function<void(Image&)> damage;
    } foreign[] = {
        {"a byte past the sections", [](Image& b) { b.push_back(0); }},
        {"an import directory", [](Image& b) { Put(b, Layout(b).dataDirs + 8, 0x1000); }},
        {"an ARM image", [](Image& b) { Put(b, Layout(b).fileHeader, 0x01C4, 2); }},
        {"no sections", [](Image& b) { Put(b, Layout(b).fileHeader + 2, 0, 2); }},
        {"a section past the end", [](Image& b) { Put(b, Layout(b).rsrcHeader + 20, 0xFFFFFF00); }},
        {"cut inside the headers", [](Image& b) { b.resize(0x50); }},
    };
    for (const auto& [what, damage] : foreign) {
        Image b = Sample(Arch::kAmd64);
        damage(b);
        EXPECT_TRUE(pemaker::RetargetPe(b, Arch::kI386).empty()) << what;
    }
}

}  // namespace
