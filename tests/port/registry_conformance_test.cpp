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
    Key(HKEY root, const char* path, REGSAM access) { EXPECT_EQ(os::RegOpenKeyExA(root, path, 0, access, &h), 0); }
    ~Key() {
        if (h) os::RegCloseKey(h);
    }
};

class RegistryConformance : public ::testing::Test {
protected:
    TestMachine m;
};

TEST_F(RegistryConformance, QueryReportsSizesAndLeavesShortBuffersAlone) {
    m.SetString(kKey, "s", "abc");
    Key key(HKEY_CURRENT_USER, kSub, KEY_READ);
    struct Case {
        const char* what;
        bool withBuffer;
        DWORD capacity;
        LONG result;
        DWORD size;
        const char* bytes;  // expected buffer start; "" = untouched
    } cases[] = {
        {"size only", false, 0, ERROR_SUCCESS, 4, ""},       {"roomy buffer", true, 10, ERROR_SUCCESS, 4, "abc"},
        {"exact buffer", true, 4, ERROR_SUCCESS, 4, "abc"},  {"one byte short", true, 3, ERROR_MORE_DATA, 4, ""},
        {"no room at all", true, 0, ERROR_MORE_DATA, 4, ""},
    };
    for (const auto& c : cases) {
        char buffer[16];
        std::memset(buffer, 0xBD, sizeof buffer);
        DWORD size = c.capacity, type = 0;
        LONG r = os::RegQueryValueExA(key.h, "s", nullptr, &type,
                                      c.withBuffer ? reinterpret_cast<BYTE*>(buffer) : nullptr, &size);
        EXPECT_EQ(r, c.result) << c.what;
        EXPECT_EQ(size, c.size) << c.what;
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << c.what;
        if (*c.bytes) {
            EXPECT_EQ(std::memcmp(buffer, c.bytes, 4), 0) << c.what;
        } else
            EXPECT_EQ(static_cast<unsigned char>(buffer[0]), 0xBDu) << c.what << ": buffer was written";
        EXPECT_EQ(static_cast<unsigned char>(buffer[4]), 0xBDu) << c.what << ": past the data";
    }
    DWORD size = 4;
    EXPECT_EQ(os::RegQueryValueExA(key.h, "s", nullptr, nullptr, reinterpret_cast<BYTE*>(&size), nullptr),
              ERROR_INVALID_PARAMETER);
    size = 0;
    EXPECT_EQ(os::RegQueryValueExA(key.h, "missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(os::RegQueryValueExA(key.h, "", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(os::RegQueryValueExA(key.h, nullptr, nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryConformance, StringsWithoutTheirNulReadBackAsStored) {
    HKEY h;
    ASSERT_EQ(os::RegCreateKeyExA(HKEY_CURRENT_USER, kSub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), 0);
    const char text[] = "FullString";
    // Nine bytes followed by 'g': stored as nine bytes, no NUL.
    ASSERT_EQ(os::RegSetValueExA(h, "cut", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 9), 0);
    // Ten bytes followed by the NUL the caller forgot to count: Windows counts it.
    ASSERT_EQ(os::RegSetValueExA(h, "forgot", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 10), 0);
    ASSERT_EQ(os::RegSetValueExA(h, "empty", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 0), 0);

    DWORD size = 0;
    EXPECT_EQ(os::RegQueryValueExA(h, "cut", nullptr, nullptr, nullptr, &size), 0);
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(os::RegQueryValueExA(h, "forgot", nullptr, nullptr, nullptr, &size), 0);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(os::RegQueryValueExA(h, "empty", nullptr, nullptr, nullptr, &size), 0);
    EXPECT_EQ(size, 0u);

    unsigned char buffer[16];
    std::memset(buffer, 0xBD, sizeof buffer);
    size = 9;
    EXPECT_EQ(os::RegQueryValueExA(h, "cut", nullptr, nullptr, buffer, &size), 0);
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(buffer[9], 0xBD) << "no room: no NUL added";
    size = 10;
    EXPECT_EQ(os::RegQueryValueExA(h, "cut", nullptr, nullptr, buffer, &size), 0);
    EXPECT_EQ(size, 9u) << "the NUL added is not counted";
    EXPECT_EQ(buffer[9], 0) << "room: a NUL is added";
    std::memset(buffer, 0xBD, sizeof buffer);
    size = 10;
    EXPECT_EQ(os::RegQueryValueExA(h, "empty", nullptr, nullptr, buffer, &size), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(buffer[0], 0xBD);
    os::RegCloseKey(h);
}

TEST_F(RegistryConformance, NumbersKeepTheirType) {
    m.SetDword(kKey, "d", 7);
    m.SetRaw(kKey, "short", REG_DWORD, std::string("\x01\x02\x03", 3));
    Key key(HKEY_CURRENT_USER, kSub, KEY_READ);
    DWORD value = 0, size = 2, type = 0;
    EXPECT_EQ(os::RegQueryValueExA(key.h, "d", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    size = 4;
    EXPECT_EQ(os::RegQueryValueExA(key.h, "d", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size), 0);
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    size = 4;
    EXPECT_EQ(os::RegQueryValueExA(key.h, "short", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size), 0);
    EXPECT_EQ(size, 3u) << "a DWORD value of three bytes stays three bytes";
}

TEST_F(RegistryConformance, AccessMasksAreHonoured) {
    m.SetString(kKey + "\\child", "v", "x");
    m.SetString(kKey, "v", "x");
    {
        Key reading(HKEY_CURRENT_USER, kSub, KEY_READ);
        EXPECT_EQ(os::RegSetValueExA(reading.h, "w", 0, REG_SZ, reinterpret_cast<const BYTE*>("a"), 2),
                  ERROR_ACCESS_DENIED);
        EXPECT_EQ(os::RegDeleteValueA(reading.h, "v"), ERROR_ACCESS_DENIED);
    }
    Key writing(HKEY_CURRENT_USER, kSub, KEY_WRITE);
    DWORD size = 0;
    char name[32];
    EXPECT_EQ(os::RegQueryValueExA(writing.h, "v", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
    size = sizeof name;
    EXPECT_EQ(os::RegEnumKeyExA(writing.h, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
    EXPECT_EQ(os::RegSetValueExA(writing.h, "w", 0, REG_SZ, reinterpret_cast<const BYTE*>("a"), 2), 0);
    EXPECT_EQ(os::RegDeleteValueA(writing.h, "w"), 0);
    EXPECT_EQ(os::RegDeleteValueA(writing.h, "w"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryConformance, KeyPathsAndHandles) {
    m.SetString(kKey + "\\Mixed Case\\Leaf", "v", "x");
    HKEY h = nullptr;
    EXPECT_EQ(os::RegOpenKeyExA(HKEY_CURRENT_USER, "\\Software\\ZenthoTest", 0, KEY_READ, &h), ERROR_BAD_PATHNAME);
    EXPECT_EQ(os::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\ZenthoTest\\Missing", 0, KEY_READ, &h),
              ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(os::RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\zenthotest\\MIXED CASE\\leaf\\", 0, KEY_READ, &h), 0)
        << "names match without regard to case; a trailing backslash is harmless";
    HKEY same = nullptr;
    EXPECT_EQ(os::RegOpenKeyExA(h, "", 0, KEY_READ, &same), 0) << "an empty path opens the same key again";
    EXPECT_EQ(os::RegCloseKey(same), 0);
    EXPECT_EQ(os::RegCloseKey(h), 0);
    EXPECT_EQ(os::RegCloseKey(h), ERROR_INVALID_HANDLE) << "a closed handle stays invalid";
    EXPECT_EQ(os::RegCloseKey(HKEY_LOCAL_MACHINE), 0);

    DWORD disposition = 0;
    ASSERT_EQ(os::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\ZenthoTest\\a\\b\\c", 0, nullptr, 0, KEY_WRITE, nullptr,
                                  &h, &disposition),
              0);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY)) << "every missing level is created";
    os::RegCloseKey(h);
    ASSERT_EQ(os::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\ZenthoTest\\A\\B", 0, nullptr, 0, KEY_WRITE, nullptr,
                                  &h, &disposition),
              0);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    os::RegCloseKey(h);

    EXPECT_EQ(os::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\ZenthoTest\\a\\b"), ERROR_ACCESS_DENIED)
        << "a key with subkeys is not deleted";
    EXPECT_EQ(os::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\ZenthoTest\\a\\b\\c"), 0);
    EXPECT_EQ(os::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\ZenthoTest\\a\\b\\c"), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(m.KeyExists(kKey + "\\a\\b"));
}

TEST_F(RegistryConformance, EnumerationSortsNamesAndMeasuresThemInCharacters) {
    // Names without [ \ ] ^ _ or a backquote, whose order Windows and Wine agree on.
    for (const char* name : {"b", "A", "a1", "Z", "~t", "Zentho: \x96\x7c\x96\xf3"}) m.CreateKey(kKey + "\\" + name);
    std::vector<std::string> expected = {"A", "a1", "b", "Z", "Zentho: \x96\x7c\x96\xf3", "~t"};
    EXPECT_EQ(m.Subkeys(kKey), expected);

    Key key(HKEY_CURRENT_USER, kSub, KEY_READ);
    DWORD subkeys = 0, longest = 0;
    ASSERT_EQ(os::RegQueryInfoKeyA(key.h, nullptr, nullptr, nullptr, &subkeys, &longest, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr),
              0);
    EXPECT_EQ(subkeys, 6u);
    EXPECT_EQ(longest, 10u) << "the 12-byte name counts 10 characters";

    char name[32];
    std::memset(name, 'X', sizeof name);
    DWORD size = 12;  // exactly the name's bytes: no room for the NUL
    EXPECT_EQ(os::RegEnumKeyExA(key.h, 4, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(size, 12u);
    EXPECT_EQ(name[0], 'X');
    size = 13;
    EXPECT_EQ(os::RegEnumKeyExA(key.h, 4, name, &size, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(size, 12u);
    EXPECT_STREQ(name, "Zentho: \x96\x7c\x96\xf3");
    size = sizeof name;
    EXPECT_EQ(os::RegEnumKeyExA(key.h, 6, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryConformance, DoubleByteNamesAreNotCutAtASecondByte) {
    // 0x83 0x5C is one character whose second byte is a backslash.
    const std::string name = "\x83\x5c\x83\x74\x83\x67";
    m.SetString(kKey + "\\" + name + "\\inner", "v", "x");
    EXPECT_EQ(m.Subkeys(kKey), std::vector<std::string>{name});
    EXPECT_EQ(m.Subkeys(kKey + "\\" + name), std::vector<std::string>{"inner"});
}

TEST_F(RegistryConformance, ClassesRootPrefersTheUsersClasses) {
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
