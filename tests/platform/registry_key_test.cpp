// RegistryKey on both backends: refusals; which stored forms read as text and when a
// default replaces them; expansion of expandable text only, when asked; the default
// value never deleted; subtrees deleted depth first, stopping at the first subkey that
// cannot go; double-byte subkey names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry_key.h"
#include "test_machine.h"
#ifndef _WIN32
#include "platform/os/sim/machine.h"
#endif

using platform::RegistryKey;

namespace {

const std::string kKey = "HKEY_CURRENT_USER\\Software\\ZenthoTest";
const char* const kPath = "Software\\ZenthoTest";

std::string Value(TestMachine& m, const char* name) {
    DWORD type = 0;
    std::string data;
    return m.GetValue(kKey, name, &type, &data) ? data : "<missing>";
}

TEST(RegistryKey, RefusesEmptyPathsAndSecondOpens) {
    TestMachine m;
    m.CreateKey(kKey);
    RegistryKey key;
    using Results = std::vector<int>;  // a braced list calls in order
    EXPECT_EQ((Results{key.Open(HKEY_CURRENT_USER, "", KEY_READ), key.Open(HKEY_CURRENT_USER, nullptr, KEY_READ),
                       key.Create(HKEY_CURRENT_USER, "", KEY_WRITE)}),
              (Results{0, 0, 0}))
        << "an empty path is no key";
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kPath, platform::kAllAccess), 1);
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, "Software", KEY_READ), 0) << "one handle at a time";
    EXPECT_EQ(key.Create(HKEY_CURRENT_USER, "Software\\ZenthoTest\\Other", KEY_WRITE), 0);
    EXPECT_EQ(key.WriteString("still", "usable"), 1);
    EXPECT_EQ((Results{key.Close(), key.Close()}), (Results{1, 1})) << "closing a closed key succeeds";
    EXPECT_EQ(key.WriteString("x", "y"), 0);
    RegistryKey created(HKEY_CURRENT_USER, "Software\\ZenthoTest\\New", KEY_READ, true);
    EXPECT_EQ(created.WriteString("v", "written"), 1) << "created with all access although read was asked for";
    RegistryKey missing(HKEY_CURRENT_USER, "Software\\ZenthoTest\\Absent", KEY_READ, false);
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(m.Subkeys(kKey), std::vector<std::string>{"New"});
}

TEST(RegistryKey, ReadStringTakesTextThatFitsAndWritesTheDefaultBack) {
    TestMachine m;
    m.SetEnv("ZT_DIR", "C:\\zt");
    m.SetEnv("ZT_LONG", std::string(40, 'd'));
    const std::string variable = "%ZT_DIR%\\x", nul(1, 0);
    const struct {
        const char* what;
        DWORD type;         // REG_NONE: no value
        std::string bytes;  // as stored
        DWORD capacity, requested;
        const char* defaultText;
        int result;
        std::string text;     // "-": not looked at
        DWORD size, typeOut;  // as ReadString leaves them
        std::string after;    // "=": as stored
    } rows[] = {
        {"missing, the default and its NUL too long", REG_NONE, "", 1, REG_NONE, "x", 0, "-", 2, 0, "<missing>"},
        {"missing, the default fits", REG_NONE, "", 2, REG_NONE, "x", 1, "x", 2, REG_SZ, "x" + nul},
        {"text too long: kept", REG_SZ, "abcdef" + nul, 4, REG_NONE, "d", 0, "-", 7, 0, "="},
        {"a number: replaced", REG_DWORD, std::string("\5\0\0\0", 4), 16, 0, "fallback", 1, "fallback", 9, REG_SZ,
         "fallback" + nul},
        {"stored without NUL, filling the buffer", REG_SZ, "abc", 3, REG_NONE, "default", 0, "-", 4, 0, "="},
        {"stored without NUL, with room", REG_SZ, "abc", 4, REG_NONE, nullptr, 1, "abc", 3, REG_SZ, "="},
        {"expandable, expanded", REG_EXPAND_SZ, variable + nul, 64, REG_EXPAND_SZ, nullptr, 1, "C:\\zt\\x", 8,
         REG_EXPAND_SZ, "="},
        {"expandable, not asked", REG_EXPAND_SZ, variable + nul, 64, 0, nullptr, 1, variable, 11, REG_EXPAND_SZ, "="},
        {"plain text, asked", REG_SZ, variable + nul, 64, REG_EXPAND_SZ, nullptr, 1, variable, 11, REG_SZ, "="},
        {"an expansion too long: unexpanded", REG_EXPAND_SZ, "%ZT_LONG%\\x" + nul, 20, REG_EXPAND_SZ, nullptr, 0,
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
        const std::string text(buffer, strnlen(buffer, row.capacity));
        EXPECT_EQ(row.text == "-" ? "-" : text, row.text);
        EXPECT_EQ(size, row.size);
        EXPECT_EQ(type, row.typeOut);
        EXPECT_EQ(std::string(buffer + row.capacity, 64 - row.capacity), std::string(64 - row.capacity, 0x7F))
            << "written past the buffer";
        EXPECT_EQ(Value(m, "v"), row.after == "=" ? row.bytes : row.after);
    }
}

TEST(RegistryKey, NumbersAndTheDefaultValueThatIsNeverDeleted) {
    TestMachine m;
    m.SetString(kKey, "", "the default value");
    m.SetString(kKey, "s", "ab");
    RegistryKey key(HKEY_CURRENT_USER, kPath, platform::kAllAccess, false);
    DWORD number = 99;
    using Results = std::vector<DWORD>;  // a braced list calls in order
    EXPECT_EQ((Results{DWORD(key.ReadDword("s", &number)), number}), (Results{0, 99})) << "text is no number";
    EXPECT_EQ((Results{DWORD(key.WriteDword("d", 7)), DWORD(key.ReadDword("d", &number)), number}), (Results{1, 1, 7}));
    EXPECT_EQ((Results{DWORD(key.DeleteValue("")), DWORD(key.DeleteValue(nullptr))}), (Results{0, 0}));
    EXPECT_EQ(Value(m, ""), std::string("the default value", 18));
    EXPECT_EQ((Results{DWORD(key.DeleteValue("d")), DWORD(key.DeleteValue("d"))}), (Results{1, 0})) << "once";
}

TEST(RegistryKey, SubtreesAreDeletedDepthFirst) {
    TestMachine m;
    m.SetString(kKey + "\\Tree\\A\\A1\\deep", "v", "x");
    m.CreateKey(kKey + "\\Tree\\A\\A2");
    m.CreateKey(kKey + "\\Tree\\B");
    m.CreateKey(kKey + "\\Sibling");
    RegistryKey key(HKEY_CURRENT_USER, kPath, platform::kAllAccess, false);
    const auto changes = [&] {  // from the record of the calls, where there is one
        std::vector<std::string> made;
        if (os::ChangeList* log = m.changes()) {
            for (const auto& c : *log)
                made.push_back((c.kind == os::Change::kKeyCreated ? "+" : "-") + c.path.substr(kKey.size() + 1));
            log->clear();
        }
        return made;
    };
    if (m.changes()) m.changes()->clear();
    ASSERT_EQ(key.DeleteSubkeyTree("Tree"), 1);
    const std::vector<std::string> order = {"-Tree\\A\\A1\\deep", "-Tree\\A\\A1", "-Tree\\A\\A2",
                                            "-Tree\\A",           "-Tree\\B",     "-Tree"};
    EXPECT_EQ(changes(), m.changes() ? order : std::vector<std::string>{});
    EXPECT_EQ(key.DeleteSubkeyTree("Missing"), 1) << "a missing subkey is made, then deleted";
    const std::vector<std::string> missing = {"+Missing", "-Missing"};
    EXPECT_EQ(changes(), m.changes() ? missing : std::vector<std::string>{});
    EXPECT_EQ(key.DeleteSubkeyTree("\\NoSuchPath"), 0) << "neither opened nor created";
    EXPECT_EQ(key.DeleteSubkeyTree(""), 0);
    EXPECT_EQ(m.Subkeys(kKey), std::vector<std::string>{"Sibling"});
}

TEST(RegistryKey, ADeletionStopsAtTheFirstSubkeyThatCannotGo) {
#ifdef _WIN32
    GTEST_SKIP() << "only the simulated registry fails on demand";
#else
    TestMachine m;
    const std::vector<std::string> all = {"A", "B", "C", "D"};
    sim::Machine& machine = *m.machine();
    for (size_t nth = 1, faults = 0; nth < 200 && faults == machine.FaultsInjected(); ++nth) {
        for (const auto& name : all) m.CreateKey(kKey + "\\Tree\\" + name + "\\Leaf");
        RegistryKey tree(HKEY_CURRENT_USER, "Software\\ZenthoTest\\Tree", platform::kAllAccess, false);
        faults = machine.FaultsInjected() + 1;  // the loop ends when the calls run out
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

TEST(RegistryKey, EnumerationListsDoubleByteNames) {
    TestMachine m;
    const std::string name = "\x96\x7c\x96\xf3\x96\x7c\x96\xf3";  // 8 bytes, 4 characters
    m.CreateKey(kKey + "\\Empty");
    m.CreateKey(kKey + "\\List\\" + name);
    m.CreateKey(kKey + "\\List\\9.0");
    for (const auto& [path, names] :
         {std::make_pair("Software\\ZenthoTest\\Empty", std::vector<std::string>{}),
          std::make_pair("Software\\ZenthoTest\\List", std::vector<std::string>{"9.0", name})}) {
        platform::KeyNameList list;
        EXPECT_EQ(RegistryKey(HKEY_CURRENT_USER, path, KEY_READ, false).EnumSubkeys(&list), 1) << path;
        EXPECT_EQ(std::vector<std::string>(list.begin(), list.end()), names) << path;
    }
    platform::KeyNameList list;
    EXPECT_EQ(RegistryKey().EnumSubkeys(&list), 0) << "no key open";
}

}  // namespace
