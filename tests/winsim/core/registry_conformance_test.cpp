// The registry functions of the port, on both backends: error codes, size and NUL
// rules, access masks, paths, enumeration and the merged classes view. Natively these
// pin the simulation to what Windows does; under Wine they check the expectations.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_machine.h"

namespace {

const std::string kKey = "HKEY_CURRENT_USER\\Software\\ZenthoTest";
const char* const kSub = "Software\\ZenthoTest";

struct Key {
    HKEY h = nullptr;
    Key(const char* path, REGSAM access) { EXPECT_EQ(os::RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, &h), 0); }
    ~Key() { os::RegCloseKey(h); }
};

LONG Set(HKEY h, const char* name, const char* text, DWORD size) {
    return os::RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size);
}

// Rows that hold for NT's registry, the 95 family's, or both.
enum Family { kBoth, kNT, k9x };
bool Holds(Family family, bool windows9x) { return family == kBoth || (family == k9x) == windows9x; }

// Runs a test as NT and as Windows 98: natively both, under Wine as the Windows the
// run reports.
template <typename Body>
void AsEachFamily(Body body) {
    for (const bool windows9x : {false, true}) {
        SCOPED_TRACE(windows9x ? "Windows 98" : "Windows NT");
        TestMachine m;
        if (windows9x) m.SetWindowsVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
        if (m.Windows9x() == windows9x) body(m, windows9x);
    }
}

TEST(RegistryConformance, QueryCountsSizesAndNulsAndLeavesShortBuffersAlone) {
    AsEachFamily([](TestMachine& m, bool windows9x) {
        m.SetString(kKey, "s", "abc");
        m.SetDword(kKey, "d", 7);
        m.SetRaw(kKey, "d3", REG_DWORD, "\x01\x02\x03");  // a DWORD value of three bytes stays three bytes
        Key key(kSub, KEY_ALL_ACCESS);
        // NT stores what it is given; the 95 family measures a REG_SZ text by its NUL.
        ASSERT_EQ(Set(key.h, "cut", "FullString", 9), 0);      // nine bytes followed by 'g': no NUL stored
        ASSERT_EQ(Set(key.h, "forgot", "FullString", 10), 0);  // the NUL the caller did not count is counted
        ASSERT_EQ(Set(key.h, "empty", "", 0), 0);
        const struct {
            Family family;
            const char* name;
            int capacity;  // -1: no buffer, the size alone
            LONG result;
            DWORD size, type;
            std::string bytes;  // the buffer's start; the byte after it stays as it was
        } rows[] = {
            {kBoth, "s", -1, 0, 4, REG_SZ, ""},
            {kBoth, "s", 10, 0, 4, REG_SZ, std::string("abc\0", 4)},
            {kBoth, "s", 4, 0, 4, REG_SZ, std::string("abc\0", 4)},
            {kBoth, "s", 3, ERROR_MORE_DATA, 4, REG_SZ, ""},
            {kBoth, "s", 0, ERROR_MORE_DATA, 4, REG_SZ, ""},
            {kNT, "cut", 9, 0, 9, REG_SZ, "FullStrin"},                      // no room: no NUL added
            {kNT, "cut", 10, 0, 9, REG_SZ, std::string("FullStrin\0", 10)},  // room: a NUL added, not counted
            {k9x, "cut", 10, ERROR_MORE_DATA, 11, REG_SZ, ""},               // the whole text and its NUL
            {k9x, "cut", 11, 0, 11, REG_SZ, std::string("FullString\0", 11)},
            {kBoth, "forgot", -1, 0, 11, REG_SZ, ""},
            {kNT, "empty", 10, 0, 0, REG_SZ, ""},
            {k9x, "empty", 10, 0, 1, REG_SZ, std::string(1, 0)},
            {kBoth, "d", 2, ERROR_MORE_DATA, 4, REG_DWORD, ""},
            {kBoth, "d", 4, 0, 4, REG_DWORD, std::string("\x07\0\0\0", 4)},
            {kBoth, "d3", 4, 0, 3, REG_DWORD, "\x01\x02\x03"},
            {kBoth, "missing", -1, ERROR_FILE_NOT_FOUND, 0, 0xBDBDBDBD, ""},
            {kBoth, "", -1, ERROR_FILE_NOT_FOUND, 0, 0xBDBDBDBD, ""},
        };
        for (const auto& row : rows) {
            if (!Holds(row.family, windows9x)) continue;
            SCOPED_TRACE(std::string(row.name) + " into " + std::to_string(row.capacity) + " bytes");
            unsigned char buffer[16];
            std::memset(buffer, 0xBD, sizeof buffer);
            DWORD size = row.capacity < 0 ? 0 : row.capacity, type = 0xBDBDBDBD;
            EXPECT_EQ(os::RegQueryValueExA(key.h, row.name, nullptr, &type, row.capacity < 0 ? nullptr : buffer, &size),
                      row.result);
            if (row.result != ERROR_FILE_NOT_FOUND) {
                EXPECT_EQ(size, row.size);
                EXPECT_EQ(type, row.type);
            }
            EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), row.bytes.size()), row.bytes);
            EXPECT_EQ(buffer[row.bytes.size()], 0xBD) << "written past the data";
        }
        DWORD size = 0;
        EXPECT_EQ(os::RegQueryValueExA(key.h, nullptr, nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(os::RegQueryValueExA(key.h, "s", nullptr, nullptr, reinterpret_cast<BYTE*>(&size), nullptr),
                  ERROR_INVALID_PARAMETER)
            << "a buffer without its size";
    });
}

TEST(RegistryConformance, KeyPathsHandlesAndAccessMasks) {
    AsEachFamily([](TestMachine& m, bool windows9x) {
        m.SetString(kKey + "\\Mixed Case\\Leaf", "v", "x");
        m.SetString(kKey, "v", "x");
        HKEY h = nullptr, same = nullptr;
        auto open = [&](const char* path) { return os::RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &h); };
        EXPECT_EQ(open("\\Software\\ZenthoTest"), ERROR_BAD_PATHNAME);
        EXPECT_EQ(open("Software\\ZenthoTest\\Missing"), ERROR_FILE_NOT_FOUND);
        ASSERT_EQ(open("SOFTWARE\\zenthotest\\MIXED CASE\\leaf\\"), 0)
            << "names match without regard to case; a trailing backslash is harmless";
        EXPECT_EQ(os::RegOpenKeyExA(h, "", 0, KEY_READ, &same), 0) << "an empty path opens the same key again";
        EXPECT_EQ(os::RegCloseKey(same), 0);
        EXPECT_EQ(os::RegCloseKey(h), 0);
        EXPECT_EQ(os::RegCloseKey(h), ERROR_INVALID_HANDLE) << "a closed handle stays invalid";
        EXPECT_EQ(os::RegCloseKey(HKEY_LOCAL_MACHINE), 0);

        DWORD disposition = 0;
        const std::pair<const char*, DWORD> creations[] = {{"Software\\ZenthoTest\\a\\b\\c", REG_CREATED_NEW_KEY},
                                                           {"Software\\ZenthoTest\\A\\B", REG_OPENED_EXISTING_KEY}};
        for (const auto& [path, expected] : creations) {  // every missing level is created, an existing key opened
            ASSERT_EQ(os::RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_WRITE, nullptr, &h, &disposition),
                      0);
            EXPECT_EQ(disposition, expected) << path;
            os::RegCloseKey(h);
        }
        // NT deletes a key without subkeys only; the 95 family takes the subkeys with it.
        auto remove = [](const char* path) { return os::RegDeleteKeyA(HKEY_CURRENT_USER, path); };
        const LONG withSubkeys = remove("Software\\ZenthoTest\\a\\b");
        EXPECT_EQ(withSubkeys, windows9x ? 0 : ERROR_ACCESS_DENIED) << "a key with subkeys";
        EXPECT_EQ(remove("Software\\ZenthoTest\\a\\b\\c"), windows9x ? ERROR_FILE_NOT_FOUND : 0);
        EXPECT_EQ(remove("Software\\ZenthoTest\\a\\b\\c"), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(m.KeyExists(kKey + "\\a\\b"), !windows9x);
        EXPECT_TRUE(m.KeyExists(kKey + "\\a"));

        // NT holds each handle to the access it was opened with; the 95 family has no security.
        Key reading(kSub, KEY_READ), writing(kSub, KEY_WRITE);
        char name[32];
        DWORD size = sizeof name;
        const LONG denied = windows9x ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
        EXPECT_EQ(Set(reading.h, "w", "a", 2), denied);
        EXPECT_EQ(os::RegDeleteValueA(reading.h, "v"), denied);
        EXPECT_EQ(os::RegQueryValueExA(writing.h, "v", nullptr, nullptr, nullptr, &size),
                  windows9x ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);  // deleted just before on the 95 family
        size = sizeof name;
        EXPECT_EQ(os::RegEnumKeyExA(writing.h, 0, name, &size, nullptr, nullptr, nullptr, nullptr), denied);
        EXPECT_EQ(Set(writing.h, "w", "a", 2), 0);
        EXPECT_EQ(os::RegDeleteValueA(writing.h, "w"), 0);
        EXPECT_EQ(os::RegDeleteValueA(writing.h, "w"), ERROR_FILE_NOT_FOUND);
    });
}

TEST(RegistryConformance, EnumerationSortsNamesAndMeasuresThemInCharacters) {
    TestMachine m;
    // Names without [ \ ] ^ _ or a backquote, whose order Windows and Wine agree on;
    // 0x83 0x5C is one character whose second byte is a backslash.
    for (const char* name : {"b", "A", "a1", "Z", "~t", "Zentho: \x96\x7c\x96\xf3", "\x83\x5c\x83\x74\\inner"})
        m.CreateKey(kKey + "\\" + name);
    const std::vector<std::string> expected = {
        "A", "a1", "b", "Z", "Zentho: \x96\x7c\x96\xf3", "~t", "\x83\x5c\x83\x74"};
    EXPECT_EQ(m.Subkeys(kKey), expected);
    EXPECT_EQ(m.Subkeys(kKey + "\\\x83\x5c\x83\x74"), std::vector<std::string>{"inner"});

    Key key(kSub, KEY_READ);
    DWORD subkeys = 0, longest = 0, size = 12;  // exactly the name's bytes: no room for the NUL
    ASSERT_EQ(os::RegQueryInfoKeyA(key.h, 0, 0, 0, &subkeys, &longest, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(subkeys, 7u);
    EXPECT_EQ(longest, 10u) << "the 12-byte name counts 10 characters";
    char name[32];
    std::memset(name, 'X', sizeof name);
    EXPECT_EQ(os::RegEnumKeyExA(key.h, 4, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(size, 12u);
    EXPECT_EQ(name[0], 'X');
    size = 13;
    EXPECT_EQ(os::RegEnumKeyExA(key.h, 4, name, &size, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(size, 12u);
    EXPECT_EQ(std::string(name), expected[4]);
    EXPECT_EQ(os::RegEnumKeyExA(key.h, 7, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}

TEST(RegistryConformance, ClassesRootPrefersTheUsersClasses) {
    TestMachine m;
    m.SetString("HKEY_LOCAL_MACHINE\\Software\\Classes\\zentho-test\\shell", "", "machine");
    DWORD type;
    std::string data;
    ASSERT_TRUE(m.GetValue("HKEY_CLASSES_ROOT\\zentho-test\\shell", "", &type, &data));
    EXPECT_EQ(data, std::string("machine", 8));
    // Wine shows the machine's classes alone; Windows 2000 and later put the user's
    // classes over them, which the simulation does.
    if (!TestMachine::Simulated()) return;
    m.SetString("HKEY_CURRENT_USER\\Software\\Classes\\zentho-test\\shell", "", "user");
    ASSERT_TRUE(m.GetValue("HKEY_CLASSES_ROOT\\zentho-test\\shell", "", &type, &data));
    EXPECT_EQ(data, std::string("user", 5));
}

}  // namespace
