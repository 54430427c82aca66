// The simulation's registry at the size of a real machine (simulation only): names
// compared without building their folded forms, keys with thousands of values, names
// measured as Windows measures them, and keys nested deeper than any stack.
#include <gtest/gtest.h>

#include "tools/winsim/formats/machine_folder.h"

namespace sim {
namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(FoldedNames, CompareHashAndMatchAsTheFoldedKeysDo) {
    // Prefixes, case, double-byte characters (one with a 0x5C second byte), a lone lead
    // byte, bytes that do not decode, and the letters of code page 1252.
    const std::string names[] = {"",     "a",      "A",       "ab",   "AB\\",     "abc",      "z",        "[",
                                 "_",    "\x95\\", "\x95\\a", "\x81", "\x81\x40", "\x82\x60", "\x82\x81", "\xa0",
                                 "\xe9", "\xc9",   "\xff",    "\x9f", "\x8a",     "\x9a",     "\xdf"};
    for (unsigned id : {932u, 1252u}) {
        CodePage cp(id);
        for (const auto& a : names) {
            for (const auto& b : names) {
                SCOPED_TRACE(std::to_string(id) + " [" + a + "] [" + b + "]");
                const int folded = Sign(cp.FoldKey(a).compare(cp.FoldKey(b)));
                EXPECT_EQ(Sign(cp.CompareFolded(a, b)), folded);
                EXPECT_EQ(folded == 0 ? cp.HashFolded(a) : 0, folded == 0 ? cp.HashFolded(b) : 0);
            }
        }
    }
}

TEST(RegistryValues, ThousandsInOneKeyAreFoundByAnyCaseAndKeepTheirOrder) {
    CodePage cp(932);
    Registry registry(&cp, KeyOrder::kSorted, kDefaultUserSid);
    RegKey* key = registry.EnsureKey("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
    ASSERT_TRUE(key);
    auto name = [](int i) { return (i % 3 ? "C:\\WINNT\\System32\\Lib" : "\x95\x5c") + std::to_string(i) + ".dll"; };
    for (int i = 0; i < 3000; ++i) registry.PutValue(key, name(i), REG_DWORD, std::to_string(i));
    ASSERT_EQ(key->values.size(), 3000u);
    ASSERT_TRUE(Registry::FindValue(key, "c:\\winnt\\SYSTEM32\\lib1000.DLL", cp));
    EXPECT_EQ(Registry::FindValue(key, "c:\\winnt\\SYSTEM32\\lib1000.DLL", cp)->data, "1000");
    registry.PutValue(key, "C:\\WINNT\\SYSTEM32\\LIB1000.DLL", REG_DWORD, "again");
    EXPECT_EQ(key->values.size(), 3000u) << "the same name, so the same value";
    EXPECT_EQ(key->values[1000].name, name(1000)) << "a value keeps its name and place when set again";
    EXPECT_EQ(key->values[1000].data, "again");

    // Removing a value moves those behind it: each must still be found where it now is.
    ASSERT_TRUE(registry.RemoveValue(key, name(0)));
    ASSERT_TRUE(registry.RemoveValue(key, "c:\\winnt\\system32\\lib1.dll"));
    EXPECT_FALSE(registry.RemoveValue(key, name(1)));
    EXPECT_EQ(Registry::FindValue(key, name(0), cp), nullptr);
    for (int i : {2, 999, 1000, 2999}) {
        RegValue* value = Registry::FindValue(key, name(i), cp);
        ASSERT_TRUE(value) << i;
        EXPECT_EQ(value->name, name(i));
    }
    EXPECT_EQ(key->values.front().name, name(2));
    registry.PutValue(key, name(0), REG_DWORD, "back");
    EXPECT_EQ(key->values.back().name, name(0)) << "a new value goes last";
    EXPECT_EQ(Registry::FindValue(key, name(0), cp)->data, "back");
}

// A name the code page cannot hold (NT keeps it in UTF-16) counts its UTF-16 units, not
// the characters of the bytes the registry keeps for it.
TEST(RegistryNames, ANameOutsideTheCodePageCountsItsUtf16Units) {
    Machine machine;
    Machine::Use(&machine);
    std::u16string text;
    ASSERT_TRUE(
        Utf8ToUtf16("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\T\\\uD55C\uD55C]\r\n", &text));
    std::string file = "\xFF\xFE", error;
    for (char16_t c : text) file += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    std::vector<RegFileOp> ops;
    ASSERT_TRUE(ParseRegFile(file, machine.codePage(), &ops, &error, true)) << error;
    ApplyRegFile(machine.registry(), ops);
    HKEY key;
    DWORD longest = 0;
    ASSERT_EQ(os::RegOpenKeyExA(HKEY_CURRENT_USER, "T", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(os::RegQueryInfoKeyA(key, 0, 0, 0, 0, &longest, 0, 0, 0, 0, 0, 0), ERROR_SUCCESS);
    EXPECT_EQ(longest, 2u);
    os::RegCloseKey(key);
    Machine::Use(nullptr);
}

// Keys nested far deeper than a file may nest them (by calls) are deleted and let go of
// without one call per level, which would overflow the stack.
TEST(RegistryDepth, FiftyThousandKeysDeepAreDeletedAndFreed) {
    auto machine = std::make_unique<Machine>();
    Registry& registry = machine->registry();
    auto chain = [&] {
        RegKey* key = registry.EnsureKey("HKEY_LOCAL_MACHINE\\Software\\Deep");
        for (int i = 0; i < 50000; ++i) key = registry.EnsureSubkey(key, "k");
    };
    chain();
    HKEY held;  // a key below the one deleted: deleted with it, and kept by its handle until closed
    ASSERT_EQ(registry.Open(HKEY_LOCAL_MACHINE, "Software\\Deep\\k\\k", KEY_READ, &held), ERROR_SUCCESS);
    EXPECT_TRUE(registry.DeleteTree("HKEY_LOCAL_MACHINE\\Software\\Deep"));
    EXPECT_EQ(registry.QueryValue(held, "", nullptr, nullptr, nullptr), 1018) << "ERROR_KEY_DELETED";
    registry.Close(held);
    chain();
    machine.reset();
}

// A hive may name a key with a backslash, which no path can reach: no key is made, and it is told.
TEST(RegistryNames, ANameWithABackslashMakesNoKeyAndIsTold) {
    Machine machine;
    Registry& registry = machine.registry();
    EXPECT_EQ(registry.AddSubkey(registry.EnsureKey("HKEY_LOCAL_MACHINE\\Software"), "a\\b"), nullptr);
    EXPECT_EQ(registry.leftOut(), std::vector<std::string>{"HKEY_LOCAL_MACHINE\\Software\\a\\b"});
}

}  // namespace
}  // namespace sim
