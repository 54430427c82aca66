// RegistryKey on both backends: refusals, which stored forms read as text and when a
// default replaces them, expansion only of expandable text and only when asked, the
// default value never deleted, subtree deletion in order and stopping at the first
// subkey that cannot go, and double-byte subkey names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/heap_string.h"
#include "platform/registry_key.h"
#include "test_machine.h"
#ifndef _WIN32
#include "platform/os/sim/machine.h"
#endif

using platform::RegistryKey;

namespace {

const std::string kKey = "HKEY_CURRENT_USER\\Software\\ZenthoTest";
const char* const kPath = "Software\\ZenthoTest";

class RegistryKeyTest : public ::testing::Test {
protected:
    std::string Value(const std::string& key, const char* name) {
        DWORD type = 0;
        std::string data;
        return m.GetValue(key, name, &type, &data) ? data : "<missing>";
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
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, "Software", KEY_READ), 0) << "one handle at a time";
    EXPECT_EQ(key.Create(HKEY_CURRENT_USER, "Software\\ZenthoTest\\Other", KEY_WRITE), 0);
    EXPECT_EQ(key.WriteString("still", "usable"), 1);
    EXPECT_EQ(key.Close(), 1);
    EXPECT_EQ(key.Close(), 1) << "closing a closed key succeeds";
    EXPECT_EQ(key.WriteString("x", "y"), 0);
    EXPECT_FALSE(m.KeyExists(kKey + "\\Other"));
    RegistryKey created(HKEY_CURRENT_USER, "Software\\ZenthoTest\\New", KEY_READ, true);
    EXPECT_EQ(created.WriteString("v", "written"), 1) << "created with all access although read was asked for";
    RegistryKey missing(HKEY_CURRENT_USER, "Software\\ZenthoTest\\Absent", KEY_READ, false);
    EXPECT_FALSE(missing.IsOpen() || m.KeyExists(kKey + "\\Absent"));
}

TEST_F(RegistryKeyTest, ReadStringTakesTextThatFitsAndWritesTheDefaultBack) {
    m.SetEnv("ZT_DIR", "C:\\zt");
    m.SetEnv("ZT_LONG", std::string(40, 'd'));
    auto nul = [](const std::string& text) { return text + '\0'; };
    const std::string expandable = "%ZT_DIR%\\x";
    const struct {
        const char* what;
        DWORD type;  // REG_NONE: no value
        std::string bytes;
        DWORD capacity, requested;
        const char* defaultText;
        int result;
        std::string text;  // "-": not looked at
        DWORD size, typeOut;
        std::string after;  // "=": as stored before
    } rows[] = {
        {"missing, the default and its NUL too long", REG_NONE, "", 1, REG_NONE, "x", 0, "-", 2, 0, "<missing>"},
        {"missing, the default fits", REG_NONE, "", 2, REG_NONE, "x", 1, "x", 2, REG_SZ, nul("x")},
        {"text too long: kept", REG_SZ, nul("abcdef"), 4, REG_NONE, "d", 0, "-", 7, 0, "="},
        {"a number: replaced", REG_DWORD, std::string("\5\0\0\0", 4), 16, REG_NONE, "fallback", 1, "fallback", 9,
         REG_SZ, nul("fallback")},
        {"stored without NUL, filling the buffer", REG_SZ, "abc", 3, REG_NONE, "default", 0, "-", 4, 0, "="},
        {"stored without NUL, with room", REG_SZ, "abc", 4, REG_NONE, nullptr, 1, "abc", 3, REG_SZ, "="},
        {"expandable, expanded", REG_EXPAND_SZ, nul(expandable), 64, REG_EXPAND_SZ, nullptr, 1, "C:\\zt\\x", 8,
         REG_EXPAND_SZ, "="},
        {"expandable, not asked", REG_EXPAND_SZ, nul(expandable), 64, REG_NONE, nullptr, 1, expandable, 11,
         REG_EXPAND_SZ, "="},
        {"plain text is never expanded", REG_SZ, nul(expandable), 64, REG_EXPAND_SZ, nullptr, 1, expandable, 11, REG_SZ,
         "="},
        {"an expansion too long: unexpanded", REG_EXPAND_SZ, nul("%ZT_LONG%\\x"), 20, REG_EXPAND_SZ, nullptr, 0,
         "%ZT_LONG%\\x", 43, REG_EXPAND_SZ, "="},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        m.DeleteTree(kKey);
        m.CreateKey(kKey);
        if (row.type != REG_NONE) m.SetRaw(kKey, "v", row.type, row.bytes);
        RegistryKey key(HKEY_CURRENT_USER, kPath, platform::kAllAccess, false);
        char buffer[64];
        std::memset(buffer, 0x7F, sizeof buffer);
        DWORD size = row.capacity, type = row.requested;
        EXPECT_EQ(key.ReadString("v", buffer, &size, row.defaultText, &type), row.result);
        if (row.text != "-") {
            EXPECT_EQ(std::string(buffer, strnlen(buffer, row.capacity)), row.text);
        }
        EXPECT_EQ(size, row.size);
        EXPECT_EQ(type, row.typeOut);
        EXPECT_EQ(std::string(buffer + row.capacity, sizeof buffer - row.capacity),
                  std::string(64 - row.capacity, 0x7F))
            << "written past the buffer";
        EXPECT_EQ(Value(kKey, "v"), row.after == "=" ? row.bytes : row.after);
    }
}

TEST_F(RegistryKeyTest, AllocatedReadsTakeTextOnly) {
    m.SetDword(kKey, "n", 5);
    m.SetRaw(kKey, "raw", REG_SZ, "abc");  // three bytes, no NUL
    m.SetEnv("ZT_LONG", std::string(40, 'd'));
    m.SetString(kKey, "e", "%ZT_LONG%\\x", REG_EXPAND_SZ);
    RegistryKey key(HKEY_CURRENT_USER, kPath, platform::kAllAccess, false);
    const struct {
        const char* name;
        DWORD requested;
        const char* defaultText;
        std::string text;                          // "-": none
    } rows[] = {{"n", REG_NONE, "fallback", "-"},  // a number is neither text nor replaced
                {"raw", REG_NONE, nullptr, "abc"},
                {"e", REG_EXPAND_SZ, nullptr, std::string(40, 'd') + "\\x"},
                {"missing", REG_NONE, "fallback", "fallback"}};
    for (const auto& row : rows) {
        char* text = nullptr;
        DWORD type = row.requested;
        const int read = key.ReadStringAlloc(row.name, &text, row.defaultText, &type);
        platform::HeapString owned(text);
        EXPECT_EQ(owned ? std::string(owned.get()) : "-", row.text) << row.name;
        EXPECT_EQ(read, row.text != "-") << row.name;
    }
    EXPECT_EQ(Value(kKey, "n"), std::string("\5\0\0\0", 4));
    EXPECT_EQ(Value(kKey, "missing"), std::string("fallback", 9)) << "the default written back";
}

TEST_F(RegistryKeyTest, DwordsAreNumbersAndTheDefaultValueIsNeverDeleted) {
    m.SetString(kKey, "", "the default value");
    m.SetString(kKey, "s", "ab");
    RegistryKey key(HKEY_CURRENT_USER, kPath, platform::kAllAccess, false);
    DWORD number = 99;
    EXPECT_EQ(key.ReadDword("s", &number), 0);
    EXPECT_EQ(number, 99u) << "text is no number";
    EXPECT_EQ(key.WriteDword("d", 7), 1);
    EXPECT_EQ(key.ReadDword("d", &number), 1);
    EXPECT_EQ(number, 7u);
    EXPECT_EQ(key.DeleteValue(""), 0);
    EXPECT_EQ(key.DeleteValue(nullptr), 0);
    EXPECT_EQ(Value(kKey, ""), std::string("the default value", 18));
    EXPECT_EQ(key.DeleteValue("d"), 1);
    EXPECT_EQ(key.DeleteValue("d"), 0);
}

TEST_F(RegistryKeyTest, SubtreesAreDeletedDepthFirst) {
    m.SetString(kKey + "\\Tree\\A\\A1\\deep", "v", "x");
    m.CreateKey(kKey + "\\Tree\\A\\A2");
    m.CreateKey(kKey + "\\Tree\\B");
    m.CreateKey(kKey + "\\Sibling");
    RegistryKey key(HKEY_CURRENT_USER, kPath, platform::kAllAccess, false);
    if (m.changes()) m.changes()->clear();
    ASSERT_EQ(key.DeleteSubkeyTree("Tree"), 1);
    EXPECT_EQ(m.Subkeys(kKey), std::vector<std::string>{"Sibling"});
    if (os::ChangeList* log = m.changes()) {  // the order, from the record of the calls
        std::vector<std::string> deleted;
        for (const auto& change : *log) deleted.push_back(change.path.substr(kKey.size() + 1));
        EXPECT_EQ(deleted, (std::vector<std::string>{"Tree\\A\\A1\\deep", "Tree\\A\\A1", "Tree\\A\\A2", "Tree\\A",
                                                     "Tree\\B", "Tree"}));
        log->clear();
    }
    EXPECT_EQ(key.DeleteSubkeyTree("Missing"), 1) << "a missing subkey is made and deleted";
    if (os::ChangeList* log = m.changes()) {
        std::vector<os::Change::Kind> kinds;
        for (const auto& change : *log) kinds.push_back(change.kind);
        EXPECT_EQ(kinds, (std::vector<os::Change::Kind>{os::Change::kKeyCreated, os::Change::kKeyDeleted}));
    }
    EXPECT_EQ(key.DeleteSubkeyTree("\\NoSuchPath"), 0) << "neither opened nor created";
    EXPECT_EQ(key.DeleteSubkeyTree(""), 0);
    EXPECT_EQ(m.Subkeys(kKey), std::vector<std::string>{"Sibling"});
}

TEST_F(RegistryKeyTest, ADeletionStopsAtTheFirstSubkeyThatCannotGo) {
#ifdef _WIN32
    GTEST_SKIP() << "only the simulated registry fails on demand";
#else
    const std::vector<std::string> all = {"A", "B", "C", "D"};
    sim::Machine& machine = *m.machine();
    for (size_t nth = 1, faults = 0; nth < 200 && faults == machine.FaultsInjected(); ++nth) {
        for (const auto& name : all) m.CreateKey(kKey + "\\Tree\\" + name + "\\Leaf");
        RegistryKey tree(HKEY_CURRENT_USER, "Software\\ZenthoTest\\Tree", platform::kAllAccess, false);
        faults = machine.FaultsInjected() + 1;
        machine.InjectFault(sim::FaultKind::kRegistry, nth);
        const int deleted = tree.DeleteAllSubkeys();
        machine.InjectFault(sim::FaultKind::kRegistry, 0);
        const std::vector<std::string> left = m.Subkeys(kKey + "\\Tree");
        EXPECT_TRUE(std::equal(left.begin(), left.end(), all.end() - static_cast<long>(left.size())))
            << "registry call " << nth << " failing: left " << testing::PrintToString(left);
        EXPECT_EQ(deleted, left.empty() ? 1 : 0) << "registry call " << nth << " failing";
    }
#endif
}

TEST_F(RegistryKeyTest, EnumerationListsDoubleByteNames) {
    m.CreateKey(kKey + "\\Empty");
    m.CreateKey(kKey + "\\List\\\x96\x7c\x96\xf3\x96\x7c\x96\xf3");  // 8 bytes, 4 characters
    m.CreateKey(kKey + "\\List\\9.0");
    const struct {
        const char* path;
        std::vector<std::string> names;
    } rows[] = {{"Software\\ZenthoTest\\Empty", {}},
                {"Software\\ZenthoTest\\List", {"9.0", "\x96\x7c\x96\xf3\x96\x7c\x96\xf3"}}};
    for (const auto& row : rows) {
        RegistryKey key(HKEY_CURRENT_USER, row.path, KEY_READ, false);
        platform::KeyNameList names;
        EXPECT_EQ(key.EnumSubkeys(&names), 1);
        EXPECT_EQ(std::vector<std::string>(names.begin(), names.end()), row.names) << row.path;
    }
    platform::KeyNameList names;
    EXPECT_EQ(RegistryKey().EnumSubkeys(&names), 0) << "no key open";
}

}  // namespace
