// Registry files on both backends: a file imported by regedit under Wine and by the
// simulation's reader natively must leave the same keys, types and bytes, and an export
// of them must import back to the same registry. Text that the ANSI code page cannot
// hold: NT keeps it in UTF-16, the A-functions show it through the code page with '?'
// for each UTF-16 unit that does not fit, such a name enumerates but cannot be opened by
// what it shows, and a version 5 .reg file keeps it exactly.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

std::string Utf16Le(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return out;
}

std::string Hex(const std::u16string& text) {
    std::string out, bytes = Utf16Le(text);
    for (unsigned char b : bytes) {
        char two[4];
        std::snprintf(two, sizeof two, "%02x,", b);
        out += two;
    }
    out.pop_back();
    return out;
}

// The key of the report that stopped a whole machine's load, and data of every string type.
const std::u16string kGlobes = u"\U0001F30E\U0001F30F\U0001F30D";
const std::u16string kFile = u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\ZenthoTest\\" +
                             kGlobes + u"]\r\n@=\"x\"\r\n\r\n[HKEY_CURRENT_USER\\Software\\ZenthoTest\\Plain]\r\n" +
                             u"\"mixed\"=\"a\U0001F30Eb\"\r\n\"\uD55C\"=\"named\"\r\n\"\u65E5\u672C\"=\"\u65E5\u672C\u8A9E\"\r\n";
std::u16string Expand() { return std::u16string(u"%X%\uD55C\0", 5); }
std::u16string Multi() { return std::u16string(u"a\0\uD55C\0\0", 5); }

std::string FileBytes() {
    std::u16string text = kFile + u"\"expand\"=hex(2):";
    std::string ascii = Hex(Expand()) + "\r\n\"multi\"=hex(7):" + Hex(Multi()) + "\r\n\r\n";
    for (char c : ascii) text += static_cast<char16_t>(c);
    return "\xFF\xFE" + Utf16Le(text);
}

class RegistryUnicode : public ::testing::Test {
protected:
    TestMachine m;

    void ExpectAnsiView(const char* when) {
        SCOPED_TRACE(when);
        EXPECT_EQ(m.Subkeys(kKey), (std::vector<std::string>{"Plain", "??????"}));
        HKEY key = nullptr;
        EXPECT_EQ(os::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\ZenthoTest\\??????", 0, KEY_READ, &key),
                  ERROR_FILE_NOT_FOUND)
            << "a name outside the code page cannot be opened by what it shows";
        ASSERT_EQ(os::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\ZenthoTest", 0, KEY_READ, &key), ERROR_SUCCESS);
        DWORD subkeys = 0, longest = 0;
        EXPECT_EQ(os::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &longest, nullptr, nullptr, nullptr,
                                       nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(longest, 6u) << "lengths count UTF-16 units";
        os::RegCloseKey(key);
        ASSERT_EQ(os::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\ZenthoTest\\Plain", 0, KEY_READ, &key),
                  ERROR_SUCCESS);
        struct Case {
            const char* name;
            DWORD capacity;
            LONG result;
            DWORD type;
            std::string data;  // "" for a buffer left alone
            DWORD size;
        } cases[] = {
            {"mixed", 16, ERROR_SUCCESS, REG_SZ, std::string("a??b\0", 5), 5},
            {"mixed", 4, ERROR_MORE_DATA, REG_SZ, "", 5},
            {"expand", 16, ERROR_SUCCESS, REG_EXPAND_SZ, std::string("%X%?\0", 5), 5},
            {"multi", 16, ERROR_SUCCESS, REG_MULTI_SZ, std::string("a\0?\0\0", 5), 5},
            {"\x93\xfa\x96\x7b", 16, ERROR_SUCCESS, REG_SZ, "\x93\xfa\x96\x7b\x8c\xea" + std::string(1, '\0'), 7},
            {"?", 16, ERROR_FILE_NOT_FOUND, 0, "", 16},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " into " + std::to_string(c.capacity) + " bytes");
            char buffer[16];
            std::memset(buffer, 0xBD, sizeof buffer);
            DWORD type = 0, size = c.capacity;
            EXPECT_EQ(os::RegQueryValueExA(key, c.name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
                      c.result);
            EXPECT_EQ(type, c.type);
            EXPECT_EQ(size, c.size);
            std::string expected = c.data.empty() ? std::string(1, '\xBD') : c.data;  // a short buffer is left alone
            EXPECT_EQ(std::string(buffer, expected.size()), expected);
        }
        os::RegCloseKey(key);
    }
};

TEST_F(RegistryUnicode, AnsiFunctionsSeeTheCodePageAndAVersion5FileKeepsTheText) {
    std::string error;
    ASSERT_TRUE(m.ImportReg(FileBytes(), &error)) << error;
    ExpectAnsiView("imported");

    std::string exported = m.ExportReg(kKey);
    for (const std::u16string& exact : {u"ZenthoTest\\" + kGlobes + u"]", std::u16string(u"\"mixed\"=\"a\U0001F30Eb\"")})
        EXPECT_NE(exported.find(Utf16Le(exact)), std::string::npos) << "the export keeps the text exactly";
    // Gone as regedit deletes it: the A-functions cannot name the key to delete it.
    const std::string gone = "\xFF\xFE" + Utf16Le(u"Windows Registry Editor Version 5.00\r\n\r\n[-HKEY_CURRENT_USER\\Software\\ZenthoTest]\r\n");
    ASSERT_TRUE(m.ImportReg(gone, &error)) << error;
    EXPECT_FALSE(m.KeyExists(kKey));
    ASSERT_TRUE(m.ImportReg(exported, &error)) << error;
    ExpectAnsiView("exported and imported again");
    ASSERT_TRUE(m.ImportReg(gone, &error)) << error;
}

}  // namespace
