// Registry files on both backends: a file imported by regedit under Wine and by the
// simulation's reader natively must leave the same keys, types and bytes, and an
// export of them must import back to the same registry.
#include <gtest/gtest.h>

#include <string>

#include "test_machine.h"

namespace {

const std::string kKey = "HKEY_CURRENT_USER\\Software\\ZenthoTest";

// REGEDIT4 (Shift-JIS bytes) with every form the machine folders use, and a key and a
// value that the file deletes again.
const std::string kFile4 =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\ZenthoTest]\r\n"
    "@=\"default\"\r\n"
    "\"quoted\"=\"a \\\"b\\\" C:\\\\c\\\\\"\r\n"
    "; a comment\r\n"
    "\"dword\"=dword:12345678\r\n"
    "\"binary\"=hex:00,01,\\\r\n  fe,ff\r\n"
    "\"expand\"=hex(2):25,57,49,4e,44,49,52,25,5c,78,00\r\n"
    "\"multi\"=hex(7):61,00,62,00,00\r\n"
    "\"gone\"=\"x\"\r\n"
    "\"gone\"=-\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\ZenthoTest\\\x96\x7c\x96\xf3]\r\n"
    "\"\x96\x7c\"=\"\x83\x5c\x83\x74\x83\x67\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\ZenthoTest\\Gone\\Deeper]\r\n\r\n"
    "[-HKEY_CURRENT_USER\\Software\\ZenthoTest\\Gone]\r\n";

void ExpectImported(TestMachine& m, const char* when) {
    const struct {
        const char *key, *name;  // key below kKey
        DWORD type;
        std::string data;
    } values[] = {
        {"", "", REG_SZ, std::string("default\0", 8)},
        {"", "quoted", REG_SZ, std::string("a \"b\" C:\\c\\\0", 12)},
        {"", "dword", REG_DWORD, std::string("\x78\x56\x34\x12", 4)},
        {"", "binary", REG_BINARY, std::string("\x00\x01\xfe\xff", 4)},
        {"", "expand", REG_EXPAND_SZ, std::string("%WINDIR%\\x\0", 11)},
        {"", "multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
        {"\\\x96\x7c\x96\xf3", "\x96\x7c", REG_SZ, std::string("\x83\x5c\x83\x74\x83\x67\0", 7)},
    };
    DWORD type = 0;
    std::string data;
    for (const auto& v : values) {
        EXPECT_TRUE(m.GetValue(kKey + v.key, v.name, &type, &data)) << when << ": " << v.name;
        EXPECT_EQ(type, v.type) << when << ": " << v.name;
        EXPECT_EQ(data, v.data) << when << ": " << v.name;
    }
    EXPECT_FALSE(m.GetValue(kKey, "gone", &type, &data)) << when;
    EXPECT_FALSE(m.KeyExists(kKey + "\\Gone")) << when;
}

TEST(RegFileConformance, ImportThenExportRoundTrips) {
    TestMachine m;
    std::string error;
    ASSERT_TRUE(m.ImportReg(kFile4, &error)) << error;
    ExpectImported(m, "after the import");

    const std::string exported = m.ExportReg(kKey);
    EXPECT_EQ(exported.substr(0, 2), "\xff\xfe") << "version 5.00 files are UTF-16LE";
    m.DeleteTree(kKey);
    ASSERT_FALSE(m.KeyExists(kKey));
    ASSERT_TRUE(m.ImportReg(exported, &error)) << error;
    ExpectImported(m, "after exporting and importing again");
}

}  // namespace
