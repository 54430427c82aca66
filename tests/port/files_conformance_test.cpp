// The file, folder, settings-file and environment functions of the port, on both
// backends: Windows path rules, error codes, and the text rules of expansion and of
// settings files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "test_machine.h"

namespace {

class FilesConformance : public ::testing::Test {
protected:
    TestMachine m;
    const std::string root = TestMachine::Root();
};

TEST_F(FilesConformance, PathsResolveAsWindowsResolvesThem) {
    m.WriteFile(root + "\\File.TXT", "x");
    m.MakeFolder(root + "\\Sub");
    struct Case {
        std::string path;
        DWORD attributes;  // INVALID_FILE_ATTRIBUTES: not found, with the error below
        DWORD error;
    } cases[] = {
        {root + "\\file.txt", FILE_ATTRIBUTE_ARCHIVE, 0},
        {"c:/ZT/FILE.txt", FILE_ATTRIBUTE_ARCHIVE, 0},
        {root + "\\.\\Sub\\..\\file.txt", FILE_ATTRIBUTE_ARCHIVE, 0},
        {root + "\\file.txt.", FILE_ATTRIBUTE_ARCHIVE, 0},
        {root + "\\file.txt ", FILE_ATTRIBUTE_ARCHIVE, 0},
        {root + ".\\file.txt", FILE_ATTRIBUTE_ARCHIVE, 0},
        {root + "\\sub\\", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"C:\\", FILE_ATTRIBUTE_DIRECTORY, 0},
        {root + "\\file.txt\\", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {root + "\\missing", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {root + "\\nodir\\x", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {"", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        DWORD attributes = os::GetFileAttributesA(c.path.c_str());
        EXPECT_EQ(attributes, c.attributes) << c.path;
        if (c.error) {
            EXPECT_EQ(m.LastError(), c.error) << c.path;
        }
        EXPECT_EQ(os::_access(c.path.c_str(), 0), c.error ? -1 : 0) << c.path;
    }
}

TEST_F(FilesConformance, CopyDeleteAndCreateFolderReportWindowsErrors) {
    m.WriteFile(root + "\\a.txt", "first");
    m.WriteFile(root + "\\b.txt", "second");
    struct Case {
        const char* what;
        BOOL result;
        DWORD error;
    };
    auto check = [&](const Case& c) {
        EXPECT_EQ(c.result, c.error ? FALSE : TRUE) << c.what;
        if (c.error) {
            EXPECT_EQ(m.LastError(), c.error) << c.what;
        }
    };
    auto path = [&](const char* name) { return root + name; };
    check({"copy of a missing file", os::CopyFileA(path("\\none").c_str(), path("\\n2").c_str(), FALSE),
           ERROR_FILE_NOT_FOUND});
    check({"copy over an existing file", os::CopyFileA(path("\\a.txt").c_str(), path("\\b.txt").c_str(), FALSE), 0});
    check({"copy that must not overwrite", os::CopyFileA(path("\\a.txt").c_str(), path("\\b.txt").c_str(), TRUE),
           ERROR_FILE_EXISTS});
    check({"copy into a missing folder", os::CopyFileA(path("\\a.txt").c_str(), path("\\nd\\c.txt").c_str(), FALSE),
           ERROR_PATH_NOT_FOUND});
    check({"copy of a folder", os::CopyFileA(root.c_str(), "C:\\zt2", FALSE), ERROR_ACCESS_DENIED});
    check({"copy onto a folder", os::CopyFileA(path("\\a.txt").c_str(), root.c_str(), FALSE), ERROR_ACCESS_DENIED});
    check({"delete of a missing file", os::DeleteFileA(path("\\none").c_str()), ERROR_FILE_NOT_FOUND});
    check({"delete in a missing folder", os::DeleteFileA(path("\\nd\\none").c_str()), ERROR_PATH_NOT_FOUND});
    check({"delete of a folder", os::DeleteFileA(root.c_str()), ERROR_ACCESS_DENIED});
    check({"delete", os::DeleteFileA(path("\\a.txt").c_str()), 0});
    check({"folder that exists", os::CreateDirectoryA(root.c_str(), nullptr), ERROR_ALREADY_EXISTS});
    check({"folder over a file", os::CreateDirectoryA(path("\\b.txt").c_str(), nullptr), ERROR_ALREADY_EXISTS});
    check({"folder in a missing folder", os::CreateDirectoryA(path("\\x\\y").c_str(), nullptr), ERROR_PATH_NOT_FOUND});
    check({"folder with a trailing backslash", os::CreateDirectoryA(path("\\t\\").c_str(), nullptr), 0});
    check({"folder named in Shift-JIS", os::CreateDirectoryA(path("\\\x83\x5c\x83\x74\x83\x67").c_str(), nullptr), 0});

    EXPECT_FALSE(m.Exists(path("\\a.txt")));
    EXPECT_EQ(os::GetFileAttributesA(path("\\\x83\x5c\x83\x74\x83\x67").c_str()),
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    char text[16] = {};
    EXPECT_EQ(os::GetPrivateProfileStringA(nullptr, nullptr, "", text, sizeof text, path("\\b.txt").c_str()), 0u)
        << "b.txt holds text, not sections";
}

TEST_F(FilesConformance, FindFirstFileGivesNamesAsStored) {
    m.WriteFile(root + "\\File.TXT", "x");
    m.WriteFile(root + "\\other.ini", "x");
    m.MakeFolder(root + "\\\x96\x7c\x96\xf3");
    WIN32_FIND_DATAA data;
    HANDLE find = os::FindFirstFileA((root + "\\FILE.txt").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "File.TXT") << "the stored spelling, not the one asked for";
    EXPECT_EQ(data.nFileSizeLow, 1u);
    EXPECT_FALSE(os::FindNextFileA(find, &data));
    EXPECT_TRUE(os::FindClose(find));

    EXPECT_EQ(os::FindFirstFileA((root + "\\").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(os::FindFirstFileA("C:\\", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(os::FindFirstFileA((root + "\\none\\*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(m.LastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    std::vector<std::string> names;
    find = os::FindFirstFileA((root + "\\*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        names.push_back(data.cFileName);
        if (names.back() == "\x96\x7c\x96\xf3") {
            EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        }
    } while (os::FindNextFileA(find, &data));
    os::FindClose(find);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "File.TXT", "other.ini", "\x96\x7c\x96\xf3"}));
}

TEST_F(FilesConformance, SettingsFilesAreReadAsWindowsReadsThem) {
    std::string ini = root + "\\t.ini";
    m.WriteFile(ini,
                "; comment\r\n[Corvane]\r\n  WinNTIconPath =  \"C:\\icons\"  \r\nQ=\"a\r\nE=\r\n[other]\r\nk=v\r\n");
    struct Case {
        const char* section;
        const char* key;
        const char* fallback;
        DWORD capacity;
        const char* file;
        DWORD result;
        const char* text;
    } cases[] = {
        {"corvane", "winnticonpath", "", 261, nullptr, 8, "C:\\icons"},  // case, blanks and quotes dropped
        {"Corvane", "Q", "", 261, nullptr, 2, "\"a"},                    // one quote alone stays
        {"Corvane", "E", "dflt", 261, nullptr, 0, ""},                   // present but empty: no default
        {"Corvane", "missing", "de  ", 261, nullptr, 2, "de"},           // the default loses trailing blanks
        {"Corvane", "WinNTIconPath", "", 5, nullptr, 4, "C:\\i"},        // cut to fit
        {"Corvane", "WinNTIconPath", "", 261, "C:\\zt\\none.ini", 0, ""},
    };
    for (const auto& c : cases) {
        char out[300];
        std::memset(out, 0x7F, sizeof out);
        DWORD n =
            os::GetPrivateProfileStringA(c.section, c.key, c.fallback, out, c.capacity, c.file ? c.file : ini.c_str());
        EXPECT_EQ(n, c.result) << c.section << "/" << c.key;
        EXPECT_STREQ(out, c.text) << c.section << "/" << c.key;
        EXPECT_EQ(out[c.capacity], 0x7F) << "written past the buffer";
    }
}

TEST_F(FilesConformance, SearchAlongAVariableFindsTheFirstFolderHoldingTheFile) {
    m.WriteFile(root + "\\Corvane.ini", "x");
    m.MakeFolder(root + "\\empty");
    char out[MAX_PATH];
    m.SetEnv("ZENTHO_SEARCH", "C:\\nope;" + root + "\\empty;" + root + "\\");
    os::_searchenv("corvane.ini", "ZENTHO_SEARCH", out);
    EXPECT_STREQ(out, (root + "\\corvane.ini").c_str()) << "the folder as listed, the name as asked";
    os::_searchenv("none.ini", "ZENTHO_SEARCH", out);
    EXPECT_STREQ(out, "");
}

TEST_F(FilesConformance, EnvironmentReferencesExpand) {
    m.SetEnv("ZV", "abc");
    struct Case {
        const char* text;
        DWORD capacity;
        DWORD result;
        const char* expanded;  // nullptr: the buffer's content is not checked
    } cases[] = {
        {"x%ZV%y", 400, 6, "xabcy"},
        {"x%zv%y%NOPE%z%", 400, 14, "xabcy%NOPE%z%"},
        {"%%ZV%%", 400, 7, "%%ZV%%"},
        {"%ZV", 400, 4, "%ZV"},
        {"", 400, 1, ""},
        {"a%ZV%", 5, 5, "aabc"},
        {"a%ZV%", 4, 5, nullptr},  // too small: the size needed
    };
    for (const auto& c : cases) {
        char out[401];
        std::memset(out, 0x7F, sizeof out);
        EXPECT_EQ(os::ExpandEnvironmentStringsA(c.text, out, c.capacity), c.result) << c.text;
        if (c.expanded) {
            EXPECT_STREQ(out, c.expanded) << c.text;
        }
        EXPECT_EQ(out[c.capacity], 0x7F) << c.text << ": written past the buffer";
    }
}

TEST_F(FilesConformance, WindowsFolderAndVersion) {
    char folder[MAX_PATH];
    UINT length = os::GetWindowsDirectoryA(folder, sizeof folder);
    ASSERT_GT(length, 3u);
    EXPECT_EQ(std::strlen(folder), length);
    EXPECT_EQ(os::GetWindowsDirectoryA(folder, 3), length + 1) << "too small: the size needed, NUL included";

    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(os::GetVersionExA(&info)) << "a wrong record size is refused";
    info.dwOSVersionInfoSize = sizeof info;
    EXPECT_TRUE(os::GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(sizeof info, 148u);
}

}  // namespace
