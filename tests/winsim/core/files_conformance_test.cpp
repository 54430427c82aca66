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

const std::string kRoot = TestMachine::Root();
const std::string kShiftJis = "\\\x83\x5c\x83\x74\x83\x67";  // a name whose second byte is a backslash

TEST(FilesConformance, PathsResolveAsWindowsResolvesThem) {
    TestMachine m;
    m.WriteFile(kRoot + "\\File.TXT", "x");
    m.MakeFolder(kRoot + "\\Sub");
    const struct {
        std::string path;
        DWORD attributes;  // INVALID_FILE_ATTRIBUTES: not found, with the error below
        DWORD error;
    } rows[] = {
        {kRoot + "\\file.txt", FILE_ATTRIBUTE_ARCHIVE, 0},
        {"c:/ZT/FILE.txt", FILE_ATTRIBUTE_ARCHIVE, 0},
        {kRoot + "\\.\\Sub\\..\\file.txt", FILE_ATTRIBUTE_ARCHIVE, 0},
        {kRoot + "\\file.txt.", FILE_ATTRIBUTE_ARCHIVE, 0},
        {kRoot + "\\file.txt ", FILE_ATTRIBUTE_ARCHIVE, 0},
        {kRoot + ".\\file.txt", FILE_ATTRIBUTE_ARCHIVE, 0},
        {kRoot + "\\sub\\", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"C:\\", FILE_ATTRIBUTE_DIRECTORY, 0},
        {kRoot + "\\file.txt\\", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {kRoot + "\\missing", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {kRoot + "\\nodir\\x", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {"", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(os::GetFileAttributesA(row.path.c_str()), row.attributes) << row.path;
        EXPECT_EQ(row.error ? m.LastError() : 0, row.error) << row.path;
        EXPECT_EQ(os::_access(row.path.c_str(), 0), row.error ? -1 : 0) << row.path;
    }
}

TEST(FilesConformance, CopyDeleteAndCreateFolderReportWindowsErrors) {
    TestMachine m;
    m.WriteFile(kRoot + "\\a.txt", "first");
    m.WriteFile(kRoot + "\\b.txt", "second");
    auto copy = [](const std::string& from, const std::string& to, BOOL failIfExists) {
        return os::CopyFileA((kRoot + from).c_str(), (kRoot + to).c_str(), failIfExists);
    };
    auto remove = [](const std::string& path) { return os::DeleteFileA((kRoot + path).c_str()); };
    auto mkdir = [](const std::string& path) { return os::CreateDirectoryA((kRoot + path).c_str(), nullptr); };
    auto check = [&](const char* what, BOOL result, DWORD error) {  // error 0: succeeds
        EXPECT_EQ(result, error ? FALSE : TRUE) << what;
        EXPECT_EQ(error ? m.LastError() : 0, error) << what;
    };
    check("copy of a missing file", copy("\\none", "\\n2", FALSE), ERROR_FILE_NOT_FOUND);
    check("copy over an existing file", copy("\\a.txt", "\\b.txt", FALSE), 0);
    check("copy that must not overwrite", copy("\\a.txt", "\\b.txt", TRUE), ERROR_FILE_EXISTS);
    check("copy into a missing folder", copy("\\a.txt", "\\nd\\c.txt", FALSE), ERROR_PATH_NOT_FOUND);
    check("copy of a folder", copy("", "2", FALSE), ERROR_ACCESS_DENIED);
    check("copy onto a folder", copy("\\a.txt", "", FALSE), ERROR_ACCESS_DENIED);
    check("delete of a missing file", remove("\\none"), ERROR_FILE_NOT_FOUND);
    check("delete in a missing folder", remove("\\nd\\none"), ERROR_PATH_NOT_FOUND);
    check("delete of a folder", remove(""), ERROR_ACCESS_DENIED);
    check("delete", remove("\\a.txt"), 0);
    check("delete of the file just deleted", remove("\\a.txt"), ERROR_FILE_NOT_FOUND);
    check("folder that exists", mkdir(""), ERROR_ALREADY_EXISTS);
    check("folder over a file", mkdir("\\b.txt"), ERROR_ALREADY_EXISTS);
    check("folder in a missing folder", mkdir("\\x\\y"), ERROR_PATH_NOT_FOUND);
    check("folder with a trailing backslash", mkdir("\\t\\"), 0);
    check("folder named in Shift-JIS", mkdir(kShiftJis), 0);
    EXPECT_EQ(os::GetFileAttributesA((kRoot + kShiftJis).c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    char text[16] = {};
    EXPECT_EQ(os::GetPrivateProfileStringA(nullptr, nullptr, "", text, sizeof text, (kRoot + "\\b.txt").c_str()), 0u)
        << "b.txt was overwritten by a.txt's text, which has no sections";
}

TEST(FilesConformance, FindFirstFileGivesNamesAsStored) {
    TestMachine m;
    m.WriteFile(kRoot + "\\File.TXT", "x");
    m.WriteFile(kRoot + "\\other.ini", "x");
    m.MakeFolder(kRoot + "\\\x96\x7c\x96\xf3");
    WIN32_FIND_DATAA data;
    HANDLE find = os::FindFirstFileA((kRoot + "\\FILE.txt").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "File.TXT") << "the stored spelling, not the one asked for";
    EXPECT_EQ(data.nFileSizeLow, 1u);
    EXPECT_FALSE(os::FindNextFileA(find, &data));
    EXPECT_TRUE(os::FindClose(find));
    for (const std::string& pattern : {kRoot + "\\", std::string("C:\\"), kRoot + "\\none\\*"})
        EXPECT_EQ(os::FindFirstFileA(pattern.c_str(), &data), INVALID_HANDLE_VALUE) << pattern;
    EXPECT_EQ(m.LastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    std::vector<std::string> names;
    find = os::FindFirstFileA((kRoot + "\\*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        const bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        names.push_back(data.cFileName + std::string(folder ? "\\" : ""));
    } while (os::FindNextFileA(find, &data));
    os::FindClose(find);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"..\\", ".\\", "File.TXT", "other.ini", "\x96\x7c\x96\xf3\\"}));
}

TEST(FilesConformance, SettingsFilesAreReadAsWindowsReadsThem) {
    TestMachine m;
    const std::string ini = kRoot + "\\t.ini";
    m.WriteFile(ini,
                "; comment\r\n[Corvane]\r\n  WinNTIconPath =  \"C:\\icons\"  \r\nQ=\"a\r\nE=\r\n[other]\r\nk=v\r\n");
    const struct {
        const char *section, *key, *fallback;
        DWORD capacity;
        std::string file;
        DWORD result;
        const char* text;
    } rows[] = {
        {"corvane", "winnticonpath", "", 261, ini, 8, "C:\\icons"},  // case, blanks and quotes dropped
        {"Corvane", "Q", "", 261, ini, 2, "\"a"},                    // one quote alone stays
        {"Corvane", "E", "dflt", 261, ini, 0, ""},                   // present but empty: no default
        {"Corvane", "missing", "de  ", 261, ini, 2, "de"},           // the default loses trailing blanks
        {"Corvane", "WinNTIconPath", "", 5, ini, 4, "C:\\i"},        // cut to fit
        {"Corvane", "WinNTIconPath", "", 261, kRoot + "\\none.ini", 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.section) + "/" + row.key + " in " + row.file);
        char out[300];
        std::memset(out, 0x7F, sizeof out);
        EXPECT_EQ(os::GetPrivateProfileStringA(row.section, row.key, row.fallback, out, row.capacity, row.file.c_str()),
                  row.result);
        EXPECT_STREQ(out, row.text);
        EXPECT_EQ(out[row.capacity], 0x7F) << "written past the buffer";
    }
}

TEST(FilesConformance, EnvironmentReferencesExpandAndSearch) {
    TestMachine m;
    m.SetEnv("ZV", "abc");
    const struct {
        const char* text;
        DWORD capacity, result;
        const char* expanded;  // nullptr: the buffer's content is not checked
    } rows[] = {
        {"x%ZV%y", 400, 6, "xabcy"},
        {"x%zv%y%NOPE%z%", 400, 14, "xabcy%NOPE%z%"},
        {"%%ZV%%", 400, 7, "%%ZV%%"},
        {"%ZV", 400, 4, "%ZV"},
        {"", 400, 1, ""},
        {"a%ZV%", 5, 5, "aabc"},
        {"a%ZV%", 4, 5, nullptr},  // too small: the size needed
    };
    for (const auto& row : rows) {
        char out[401];
        std::memset(out, 0x7F, sizeof out);
        EXPECT_EQ(os::ExpandEnvironmentStringsA(row.text, out, row.capacity), row.result) << row.text;
        EXPECT_STREQ(row.expanded ? out : nullptr, row.expanded) << row.text;
        EXPECT_EQ(out[row.capacity], 0x7F) << row.text << ": written past the buffer";
    }

    // _searchenv: the first folder of the list that holds the file, as listed, with the name as asked.
    m.WriteFile(kRoot + "\\Corvane.ini", "x");
    m.MakeFolder(kRoot + "\\empty");
    m.SetEnv("ZENTHO_SEARCH", "C:\\nope;" + kRoot + "\\empty;" + kRoot + "\\");
    char out[MAX_PATH];
    os::_searchenv("corvane.ini", "ZENTHO_SEARCH", out);
    EXPECT_STREQ(out, (kRoot + "\\corvane.ini").c_str());
    os::_searchenv("none.ini", "ZENTHO_SEARCH", out);
    EXPECT_STREQ(out, "");
}

TEST(FilesConformance, WindowsFolderAndVersionRecord) {
    TestMachine m;
    char folder[MAX_PATH];
    const UINT length = os::GetWindowsDirectoryA(folder, sizeof folder);
    ASSERT_GT(length, 3u);
    EXPECT_EQ(std::strlen(folder), length);
    EXPECT_EQ(os::GetWindowsDirectoryA(folder, 3), length + 1) << "too small: the size needed, NUL included";
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(os::GetVersionExA(&info)) << "a wrong record size is refused";
    info.dwOSVersionInfoSize = sizeof info;
    EXPECT_TRUE(os::GetVersionExA(&info));
}

}  // namespace
