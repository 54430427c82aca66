// The simulation's registry at the size of a real machine (simulation only): names
// compared without building their folded forms, keys with thousands of values, and
// .reg files read from a stream a block at a time and applied key after key.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/os/sim/machine_folder.h"

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

std::string Steps(const std::vector<RegFileOp>& ops) {
    std::string out;
    for (const auto& op : ops)
        out += std::to_string(op.line) + " " + std::to_string(op.kind) + " " + std::to_string(op.type) + " " + op.key +
               " [" + op.valueName + "] " + op.data + "\n";
    return out;
}

TEST(RegFileStream, ReadsAsFromMemoryWhereverItsBlocksEnd) {
    // Every block size up to the longest line puts a block's end inside each construct in
    // turn: a CR and its LF, a double-byte character whose second byte is a backslash, an
    // escape, a byte list continued over a blank and a comment line, a last line without
    // its line break; and a bad line, whose number must come out the same.
    const std::string good =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\\x95\x5c\x83\x5c]\r\n"
        "\"\x94\x5c\"=\"a\\\\b\\\"c\"\r\n"
        "\"bytes\"=hex:00,01,02,\\\r\n\r\n; between\r\n  03,04\r\n"
        "[-HKEY_LOCAL_MACHINE\\Software\\Old]\r\n[HKEY_CURRENT_USER\\X]\n@=dword:0000002a";
    const std::string bad = good + "\r\n\"v\"=hex:0\r\n";
    CodePage cp(932);
    for (const std::string& text : {good, good + "\r\n", bad}) {
        std::vector<RegFileOp> expected;
        std::string expectedError;
        const bool parsed = ParseRegFile(text, cp, &expected, &expectedError);
        EXPECT_EQ(parsed, text != bad) << expectedError;
        for (size_t block = 1; block <= 40; ++block) {
            SCOPED_TRACE("block " + std::to_string(block));
            std::vector<RegFileOp> steps;
            std::string error;
            std::istringstream in(text);
            ASSERT_EQ(ReadRegFile(
                          in, cp, [&](const RegFileOp& op) { steps.push_back(op); }, &error, block),
                      parsed)
                << error;
            EXPECT_EQ(parsed ? Steps(steps) : error, parsed ? Steps(expected) : expectedError);
        }
    }
}

// The steps applied one by one from the root: the reference for the applier, which
// finds most keys from the ones it found last.
void ApplyFromTheRoot(Registry& registry, const std::vector<RegFileOp>& ops) {
    const std::string linked = "HKEY_USERS\\" + registry.userSid() + "_Classes";
    for (const auto& op : ops) {
        std::string key = op.key;
        if (key.compare(0, linked.size(), linked) == 0)
            key = "HKEY_USERS\\" + registry.userSid() + "\\Software\\Classes" + key.substr(linked.size());
        RegKey* k = op.kind == RegFileOp::kAddKey || op.kind == RegFileOp::kSetValue ? registry.EnsureKey(key)
                                                                                     : registry.FindKey(key);
        if (op.kind == RegFileOp::kDeleteKey) registry.DeleteTree(key);
        if (op.kind == RegFileOp::kSetValue && k) registry.PutValue(k, op.valueName, op.type, op.data);
        if (op.kind == RegFileOp::kDeleteValue && k) registry.RemoveValue(k, op.valueName);
    }
}

TEST(RegFileApply, KeysFoundFromTheLastOnesAreThoseFoundFromTheRoot) {
    // Siblings and a name that merely starts like the last one, names in other cases, a
    // double-byte name ending in 0x5C, the classes seen through HKEY_CLASSES_ROOT and through
    // the user's linked key, and a key deleted and made again.
    const std::string file =
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\A\\B\\C]\r\n\"v\"=\"1\"\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\AB]\r\n\"v\"=\"2\"\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\a\\b\\D]\r\n\"v\"=\"3\"\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\A\\B]\r\n\"w\"=\"4\"\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\\x95\x5c\\X]\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\\x95\x5c]\r\n\"v\"=\"5\"\r\n"
        "[HKEY_CURRENT_USER\\Software\\Classes\\.txt]\r\n@=\"user\"\r\n"
        "[HKEY_CLASSES_ROOT\\.txt\\Sub]\r\n@=\"6\"\r\n"
        "[HKEY_CLASSES_ROOT\\.doc]\r\n@=\"machine\"\r\n"
        "[-HKEY_LOCAL_MACHINE\\Software\\A]\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\A\\B\\C]\r\n\"v\"=\"7\"\r\n"
        "[HKEY_USERS\\S-1-5-21-0-0-0-1000_Classes\\.zip\\Sub]\r\n@=\"8\"\r\n"
        "[HKEY_USERS\\S-1-5-21-0-0-0-1000_Classes\\.zip]\r\n\"x\"=\"9\"\r\n"
        "[HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\Classes\\.zip]\r\n\"x\"=-\r\n";
    std::vector<RegFileOp> ops;
    std::string error;
    ASSERT_TRUE(ParseRegFile(file, CodePage(932), &ops, &error)) << error;
    Machine applied, reference;
    ApplyRegFile(applied.registry(), ops);
    ApplyFromTheRoot(reference.registry(), ops);
    const std::string expected = WriteRegFile4(ExportRegistry(reference.registry()), reference.codePage());
    EXPECT_EQ(WriteRegFile4(ExportRegistry(applied.registry()), applied.codePage()), expected);
    EXPECT_NE(expected.find("[HKEY_LOCAL_MACHINE\\Software\\AB]"), std::string::npos);
}

}  // namespace
}  // namespace sim
