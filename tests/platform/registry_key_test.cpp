// RegistryKey on both backends: refusals; which stored forms read as text and when a
// default replaces them; expansion of expandable text only, when asked; the default
// value never deleted; a deletion of subkeys stopping at the first that cannot go.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry_key.h"
#include "test_machine.h"
#ifndef _WIN32
#include "tools/winsim/core/machine.h"
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
    EXPECT_EQ((Results{key.Close(), key.Close(), key.WriteString("x", "y")}), (Results{1, 1, 0})) << "closed once";
    RegistryKey created(HKEY_CURRENT_USER, "Software\\ZenthoTest\\New", KEY_READ, true);
    EXPECT_EQ(created.WriteString("v", "written"), 1) << "created with all access although read was asked for";
    EXPECT_EQ(m.Subkeys(kKey), std::vector<std::string>{"New"});
}

TEST(RegistryKey, ReadStringTakesTextThatFitsAndWritesTheDefaultBack) {
    TestMachine m;
    m.SetEnv("ZT_DIR", "C:\\zt");
    m.SetEnv("ZT_LONG", std::string(40, 'd'));
    const std::string variable = "%ZT_DIR%\\x", nul(1, 0);
    // The value (REG_NONE: none), the buffer's size, the type asked for, the default; then
    // what ReadString answers, as "result text size type" (the text only on success),
    // and the value after ("=": as it was).
    const std::tuple<const char*, DWORD, std::string, DWORD, DWORD, const char*, const char*, std::string> rows[] = {
        {"missing, the default too long", REG_NONE, "", 1, REG_NONE, "x", "0 - 2 0", "<missing>"},
        {"missing, the default fits", REG_NONE, "", 2, REG_NONE, "x", "1 x 2 1", "x" + nul},
        {"text too long: kept", REG_SZ, "abcdef" + nul, 4, REG_NONE, "d", "0 - 7 0", "="},
        {"a number: replaced", REG_DWORD, std::string("\5\0\0\0", 4), 16, 0, "fallback", "1 fallback 9 1",
         "fallback" + nul},
        {"no NUL, filling the buffer", REG_SZ, "abc", 3, REG_NONE, "default", "0 - 4 0", "="},
        {"no NUL, with room", REG_SZ, "abc", 4, REG_NONE, nullptr, "1 abc 3 1", "="},
        {"expandable, expanded", REG_EXPAND_SZ, variable + nul, 64, REG_EXPAND_SZ, nullptr, "1 C:\\zt\\x 8 2", "="},
        {"expandable, not asked", REG_EXPAND_SZ, variable + nul, 64, 0, nullptr, "1 %ZT_DIR%\\x 11 2", "="},
        {"plain text, asked", REG_SZ, variable + nul, 64, REG_EXPAND_SZ, nullptr, "1 %ZT_DIR%\\x 11 1", "="},
        {"expanded too long", REG_EXPAND_SZ, "%ZT_LONG%\\x" + nul, 20, REG_EXPAND_SZ, nullptr, "0 - 43 2", "="},
    };
    for (const auto& [what, stored, bytes, capacity, requested, defaultText, answer, after] : rows) {
        // The 95 family's registry measures a REG_SZ text by its NUL: it holds none without.
        if (m.Windows9x() && stored == REG_SZ && bytes.back() != 0) continue;
        m.DeleteTree(kKey);
        m.CreateKey(kKey);
        if (stored != REG_NONE) m.SetRaw(kKey, "v", stored, bytes);
        RegistryKey key(HKEY_CURRENT_USER, kPath, platform::kAllAccess, false);
        char buffer[64];
        std::memset(buffer, 0x7F, sizeof buffer);
        DWORD size = capacity, type = requested;
        const int result = key.ReadString("v", buffer, &size, defaultText, &type);
        const std::string text = result ? std::string(buffer, strnlen(buffer, capacity)) : "-";
        EXPECT_EQ(std::to_string(result) + " " + text + " " + std::to_string(size) + " " + std::to_string(type), answer)
            << what;
        EXPECT_EQ(std::string(buffer + capacity, 64 - capacity), std::string(64 - capacity, 0x7F)) << what << ": past";
        EXPECT_EQ(Value(m, "v"), after == "=" ? bytes : after) << what;
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

}  // namespace
