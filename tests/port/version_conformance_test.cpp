// Version resources through the port, on both backends: the files are real PE images
// written by the project's own writer, read by version.dll under Wine and by the
// simulation natively.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "pe-maker/pe_writer.h"
#include "test_machine.h"

namespace {

// The product version through the three calls the library makes, as "MS.LS" in hex;
// "none" when the first call finds none, "fails" when a later one fails.
std::string ProductVersion(const std::string& path) {
    DWORD handle = 1;
    const DWORD size = os::GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return "none";
    EXPECT_EQ(handle, 0u);
    std::vector<char> block(size + 16, '\x7F');
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!os::GetFileVersionInfoA(path.c_str(), 0, size, block.data()) ||
        !os::VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length))
        return "fails";
    EXPECT_EQ(block[size], '\x7F') << "written past the block";
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    char text[32];
    std::snprintf(text, sizeof text, "%lx.%lx", static_cast<unsigned long>(fixed->dwProductVersionMS),
                  static_cast<unsigned long>(fixed->dwProductVersionLS));
    return text;
}

TEST(VersionConformance, ProductVersionsOfRealAndDamagedImages) {
    TestMachine m;
    const std::string root = TestMachine::Root();
    // iexplore.exe: Wine answers for its own programs unless told not to, and the
    // browser detection reads exactly this name.
    m.WriteExe(root + "\\IEXPLORE.EXE", 5, 50, 4134, 100);
    m.WriteExe(root + "\\Winword.exe", 9, 0, 2720, 0);
    m.WriteExe(root + "\\eudora.exe", 4, 3, 2, 0);
    const auto plain = pemaker::MakePe(nullptr), versioned = pemaker::MakeVersionedPe(1, 2, 3, 4);
    m.WriteFile(root + "\\plain.exe", std::string(plain.begin(), plain.end()));
    m.WriteFile(root + "\\cut.exe", std::string(versioned.begin(), versioned.begin() + 300));
    m.WriteFile(root + "\\text.exe", "MZ is not enough");
    const std::pair<std::string, std::string> rows[] = {
        {root + "\\IEXPLORE.EXE", "50032.10260064"},
        {root + "\\Winword.exe", "90000.aa00000"},
        {root + "\\eudora.exe", "40003.20000"},
        {root + "\\plain.exe", "none"},
        {root + "\\cut.exe", "none"},
        {root + "\\text.exe", "none"},
        {root + "\\missing.exe", "none"},
        {"\"" + root + "\\eudora.exe\"", "none"},  // quotes are no part of a path
    };
    for (const auto& [path, version] : rows) EXPECT_EQ(ProductVersion(path), version) << path;
}

}  // namespace
