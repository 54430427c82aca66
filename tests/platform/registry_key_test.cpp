// RegistryKey, KeyNameList and ExpandEnvironment on both backends: refusals, the
// default write-back and its capacity rules, expansion only when asked, strings
// stored without NUL, and subtree deletion.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/heap_string.h"
#include "platform/registry_key.h"
#include "test_machine.h"

using platform::RegistryKey;

namespace {

const std::string kKey = "HKEY_CURRENT_USER\\Software\\ZenthoTest";
const char* const kPath = "Software\\ZenthoTest";

class RegistryKeyTest : public ::testing::Test {
protected:
    std::string Value(const std::string& key, const char* name, DWORD* type = nullptr) {
        DWORD t = 0;
        std::string data;
        if (!m.GetValue(key, name, &t, &data)) return "<missing>";
        if (type) *type = t;
        return data;
    }
    TestMachine m;
};

TEST_F(RegistryKeyTest, RefusesEmptyPathsAndSecondOpens) {
    m.CreateKey(kKey);
    RegistryKey key;
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, "", KEY_READ), 0);
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, nullptr, KEY_READ), 0);
    EXPECT_EQ(key.Create(HKEY_CURRENT_USER, "", KEY_WRITE), 0);
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kPath, platform::kAllAccess), 1);
    HKEY first = key.handle();
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, "Software", KEY_READ), 0) << "one handle at a time";
    EXPECT_EQ(key.Create(HKEY_CURRENT_USER, "Software\\Other", KEY_WRITE), 0);
    EXPECT_EQ(key.handle(), first);
    EXPECT_EQ(key.WriteString("still", "usable"), 1);
    EXPECT_EQ(key.Close(), 1);
    EXPECT_EQ(key.Close(), 1) << "closing a closed key succeeds";
    EXPECT_EQ(key.WriteString("x", "y"), 0);
    EXPECT_FALSE(m.KeyExists(kKey + "\\Other"));
}

TEST_F(RegistryKeyTest, CreatingConstructorGivesAllAccess) {
    RegistryKey key(HKEY_CURRENT_USER, "Software\\ZenthoTest\\New", KEY_READ, true);
    ASSERT_TRUE(key.IsOpen());
    EXPECT_EQ(key.WriteString("v", "written"), 1) << "created with all access although read was asked for";
    RegistryKey missing(HKEY_CURRENT_USER, "Software\\ZenthoTest\\Absent", KEY_READ, false);
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_FALSE(m.KeyExists(kKey + "\\Absent"));
}

TEST_F(RegistryKeyTest, ReadStringWritesTheDefaultBackOnlyWhenItFits) {
    RegistryKey key(HKEY_CURRENT_USER, kPath, platform::kAllAccess, true);
    char buffer[8];
    std::memset(buffer, 0x7F, sizeof buffer);
    DWORD size = 1, type = REG_NONE;
    EXPECT_EQ(key.ReadString("v", buffer, &size, "x", &type), 0) << "the default and its NUL need 2 bytes";
    EXPECT_EQ(Value(kKey, "v"), "<missing>");
    EXPECT_EQ(buffer[0], 0x7F);
    size = 2;
    ASSERT_EQ(key.ReadString("v", buffer, &size, "x", &type), 1);
    EXPECT_STREQ(buffer, "x");
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(buffer[2], 0x7F);
    EXPECT_EQ(Value(kKey, "v"), std::string("x", 2));

    m.SetString(kKey, "long", "abcdef");
    std::memset(buffer, 0x7F, sizeof buffer);
    size = 4;
    EXPECT_EQ(key.ReadString("long", buffer, &size, "d", nullptr), 0) << "an existing value that does not fit";
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(Value(kKey, "long"), std::string("abcdef", 7)) << "not replaced by the default";
    EXPECT_EQ(buffer[4], 0x7F);

    size = sizeof buffer;
    EXPECT_EQ(key.ReadString("v", nullptr, &size, "x", nullptr), 0);
    size = 0;
    EXPECT_EQ(key.ReadString("v", buffer, &size, "x", nullptr), 0);
}

TEST_F(RegistryKeyTest, NumbersAreNoTextAndTextIsNoNumber) {
    m.SetDword(kKey, "n", 5);
    m.SetString(kKey, "s", "ab");
    RegistryKey key(HKEY_CURRENT_USER, kPath, platform::kAllAccess, false);
    char* text = nullptr;
    EXPECT_EQ(key.ReadStringAlloc("n", &text, "fallback", nullptr), 0);
    EXPECT_EQ(text, nullptr);
    DWORD type;
    EXPECT_EQ(Value(kKey, "n", &type).size(), 4u) << "ReadStringAlloc leaves a number alone";
    char buffer[16];
    DWORD size = sizeof buffer;
    ASSERT_EQ(key.ReadString("n", buffer, &size, "fallback", nullptr), 1);
    EXPECT_STREQ(buffer, "fallback") << "a number that fits is replaced by the default";
    EXPECT_EQ(Value(kKey, "n", &type), std::string("fallback", 9));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    DWORD number = 99;
    EXPECT_EQ(key.ReadDword("s", &number), 0);
    EXPECT_EQ(number, 99u);
    EXPECT_EQ(key.WriteDword("d", 7), 1);
    EXPECT_EQ(key.ReadDword("d", &number), 1);
    EXPECT_EQ(number, 7u);
    EXPECT_EQ(key.DeleteValue(""), 0) << "the default value is never deleted here";
    EXPECT_EQ(key.DeleteValue("d"), 1);
    EXPECT_EQ(key.DeleteValue("d"), 0);
}

TEST_F(RegistryKeyTest, ExpandableTextIsExpandedOnlyWhenAskedFor) {
    m.SetEnv("ZENTHO_DIR", "C:\\zt");
    m.SetString(kKey, "e", "%ZENTHO_DIR%\\x", REG_EXPAND_SZ);
    RegistryKey key(HKEY_CURRENT_USER, kPath, KEY_READ, false);
    char buffer[64];
    DWORD size = sizeof buffer, type = REG_EXPAND_SZ;
    ASSERT_EQ(key.ReadString("e", buffer, &size, nullptr, &type), 1);
    EXPECT_STREQ(buffer, "C:\\zt\\x");
    EXPECT_EQ(size, 8u);
    size = sizeof buffer;
    type = REG_NONE;
    ASSERT_EQ(key.ReadString("e", buffer, &size, nullptr, &type), 1);
    EXPECT_STREQ(buffer, "%ZENTHO_DIR%\\x");
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    size = sizeof buffer;
    ASSERT_EQ(key.ReadString("e", buffer, &size, nullptr, nullptr), 1);
    EXPECT_STREQ(buffer, "%ZENTHO_DIR%\\x");

    m.SetEnv("ZENTHO_DIR", std::string(40, 'd'));
    size = 20;
    type = REG_EXPAND_SZ;
    EXPECT_EQ(key.ReadString("e", buffer, &size, nullptr, &type), 0) << "the expansion does not fit";
    EXPECT_STREQ(buffer, "%ZENTHO_DIR%\\x");

    char* text = nullptr;
    type = REG_EXPAND_SZ;
    ASSERT_EQ(key.ReadStringAlloc("e", &text, nullptr, &type), 1);
    EXPECT_EQ(std::string(text), std::string(40, 'd') + "\\x");
    os::free(text);
    platform::HeapString none(platform::ExpandEnvironment(nullptr));
    EXPECT_FALSE(none);
}

TEST_F(RegistryKeyTest, TextStoredWithoutNulEndsInsideTheBuffer) {
    m.SetRaw(kKey, "raw", REG_SZ, "abc");  // three bytes, no NUL
    RegistryKey key(HKEY_CURRENT_USER, kPath, platform::kAllAccess, false);
    char* text = nullptr;
    ASSERT_EQ(key.ReadStringAlloc("raw", &text, nullptr, nullptr), 1);
    EXPECT_STREQ(text, "abc");
    os::free(text);
    char buffer[8];
    std::memset(buffer, 0x7F, sizeof buffer);
    DWORD size = 3;
    EXPECT_EQ(key.ReadString("raw", buffer, &size, "default", nullptr), 0) << "no room for the NUL: it does not fit";
    EXPECT_EQ(Value(kKey, "raw"), "abc") << "and is not replaced";
    size = 4;
    ASSERT_EQ(key.ReadString("raw", buffer, &size, nullptr, nullptr), 1);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[4], 0x7F);
}

TEST_F(RegistryKeyTest, SubtreesAreDeletedDepthFirst) {
    m.SetString(kKey + "\\Tree\\A\\A1\\deep", "v", "x");
    m.CreateKey(kKey + "\\Tree\\A\\A2");
    m.CreateKey(kKey + "\\Tree\\B");
    m.CreateKey(kKey + "\\Sibling");
    RegistryKey key(HKEY_CURRENT_USER, kPath, platform::kAllAccess, false);
    if (m.changes()) m.changes()->clear();
    ASSERT_EQ(key.DeleteSubkeyTree("Tree"), 1);
    EXPECT_FALSE(m.KeyExists(kKey + "\\Tree"));
    EXPECT_TRUE(m.KeyExists(kKey + "\\Sibling"));
    if (os::ChangeList* log = m.changes()) {  // the order, from the simulation's record of the calls
        std::vector<std::string> deleted;
        for (const auto& change : *log) deleted.push_back(change.path.substr(kKey.size() + 1));
        EXPECT_EQ(deleted, (std::vector<std::string>{"Tree\\A\\A1\\deep", "Tree\\A\\A1", "Tree\\A\\A2", "Tree\\A",
                                                     "Tree\\B", "Tree"}));
        log->clear();
    }
    ASSERT_EQ(key.DeleteSubkeyTree("Missing"), 1) << "a missing subkey is made and deleted";
    EXPECT_FALSE(m.KeyExists(kKey + "\\Missing"));
    if (os::ChangeList* log = m.changes()) {
        ASSERT_EQ(log->size(), 2u);
        EXPECT_EQ((*log)[0].kind, os::Change::kKeyCreated);
        EXPECT_EQ((*log)[1].kind, os::Change::kKeyDeleted);
    }
    EXPECT_EQ(key.DeleteSubkeyTree("\\NoSuchPath"), 0) << "neither opened nor created";
    EXPECT_EQ(key.DeleteSubkeyTree(""), 0);
}

TEST_F(RegistryKeyTest, EnumerationListsDoubleByteNames) {
    m.CreateKey(kKey + "\\Empty");
    m.CreateKey(kKey + "\\List\\\x96\x7c\x96\xf3\x96\x7c\x96\xf3");
    m.CreateKey(kKey + "\\List\\9.0");
    platform::KeyNameList names;
    RegistryKey empty(HKEY_CURRENT_USER, "Software\\ZenthoTest\\Empty", KEY_READ, false);
    EXPECT_EQ(empty.EnumSubkeys(&names), 1);
    EXPECT_EQ(names.size(), 0u);
    RegistryKey list(HKEY_CURRENT_USER, "Software\\ZenthoTest\\List", KEY_READ, false);
    ASSERT_EQ(list.EnumSubkeys(&names), 1);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_STREQ(names[0], "9.0");
    EXPECT_STREQ(names[1], "\x96\x7c\x96\xf3\x96\x7c\x96\xf3") << "8 bytes, 4 characters: the buffer holds it";
    RegistryKey::FreeKeyNames(&names);
    EXPECT_EQ(names.size(), 0u);
    RegistryKey closed;
    EXPECT_EQ(closed.EnumSubkeys(&names), 0);
}

}  // namespace
