// Version resources through the port, on both backends: the files are real PE images
// written by the project's own writer, read by version.dll under Wine and by the
// simulation natively.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pe-maker/pe_writer.h"
#include "test_machine.h"

namespace {

// Reads the product version through the three calls the library makes; false when
// any of them fails.
bool ProductVersion(const std::string& path, DWORD* ms, DWORD* ls, DWORD* infoSize) {
    DWORD handle = 1;
    *infoSize = os::GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (*infoSize == 0) return false;
    EXPECT_EQ(handle, 0u);
    std::vector<char> block(*infoSize + 16, '\x7F');
    if (!os::GetFileVersionInfoA(path.c_str(), 0, *infoSize, block.data())) return false;
    EXPECT_EQ(block[*infoSize], '\x7F') << "written past the block";
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!os::VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length)) return false;
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    *ms = fixed->dwProductVersionMS;
    *ls = fixed->dwProductVersionLS;
    return true;
}

TEST(VersionConformance, ProductVersionsReadFromRealImages) {
    TestMachine m;
    const std::string root = TestMachine::Root();
    // iexplore.exe: Wine answers for its own programs unless told not to, and the
    // browser detection reads exactly this name.
    struct Case {
        const char* name;
        uint16_t v[4];
    } cases[] = {
        {"\\IEXPLORE.EXE", {5, 50, 4134, 100}}, {"\\Winword.exe", {9, 0, 2720, 0}}, {"\\eudora.exe", {4, 3, 2, 0}}};
    for (const auto& c : cases) {
        m.WriteExe(root + c.name, c.v[0], c.v[1], c.v[2], c.v[3]);
        DWORD ms = 0, ls = 0, size = 0;
        ASSERT_TRUE(ProductVersion(root + c.name, &ms, &ls, &size)) << c.name;
        EXPECT_EQ(ms, static_cast<DWORD>(c.v[0] << 16 | c.v[1])) << c.name;
        EXPECT_EQ(ls, static_cast<DWORD>(c.v[2] << 16 | c.v[3])) << c.name;
    }
}

TEST(VersionConformance, FilesWithoutAReadableVersionGiveNone) {
    TestMachine m;
    const std::string root = TestMachine::Root();
    auto image = pemaker::MakePe(nullptr);
    m.WriteFile(root + "\\plain.exe", std::string(image.begin(), image.end()));
    auto versioned = pemaker::MakeVersionedPe(1, 2, 3, 4);
    m.WriteFile(root + "\\cut.exe", std::string(versioned.begin(), versioned.begin() + 300));
    m.WriteFile(root + "\\text.exe", "MZ is not enough");
    DWORD ms, ls, size;
    for (const char* name : {"\\plain.exe", "\\cut.exe", "\\text.exe", "\\missing.exe"}) {
        EXPECT_FALSE(ProductVersion(root + name, &ms, &ls, &size)) << name;
        EXPECT_EQ(size, 0u) << name;
    }
    m.WriteExe(root + "\\ok.exe", 1, 2, 3, 4);
    EXPECT_FALSE(ProductVersion("\"" + root + "\\ok.exe\"", &ms, &ls, &size)) << "quotes are no part of a path";
}

}  // namespace
