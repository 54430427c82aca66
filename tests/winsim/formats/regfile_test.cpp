// The .reg file reader and writers: each form read, a file exported by Wine's regedit read
// and written back byte for byte, malformed files, files read from a stream a block at a
// time and applied key after key. (Files cut anywhere, and the REGEDIT4 round trip of
// whatever reads, are the fuzzer's: tests/fuzz/fuzz_regfile.cpp.)
#include "tools/winsim/formats/regfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <tuple>

#include "tools/winsim/formats/machine_folder.h"

namespace sim {
namespace {

const CodePage kCp932(932);
const std::string kHead4 = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\T]\r\n";  // the next line is line 4
const std::string kHead5 = "Windows Registry Editor Version 5.00\r\n[HKEY_USERS]\r\n";

// A version 5 file of the given UTF-8 text.
std::string Wide(const std::string& utf8) {
    std::u16string text;
    EXPECT_TRUE(Utf8ToUtf16(utf8, &text));
    std::string out = "\xFF\xFE";
    for (char16_t c : text) out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return out;
}

// Ops one per line ("line kind type key [name] bytes"), so that a failure shows what differs.
std::string Dump(const std::vector<RegFileOp>& ops) {
    std::string out;
    char buf[32];
    for (const RegFileOp& op : ops) {
        std::snprintf(buf, sizeof buf, "%d %c %x ", op.line, "ADSX"[op.kind], static_cast<unsigned>(op.type));
        out += buf + op.key + " [" + op.valueName + "]";
        for (unsigned char b : op.data) out += (std::snprintf(buf, sizeof buf, " %02x", b), buf);
        out += "\n";
    }
    return out;
}

std::vector<RegFileOp> MustParse(const std::string& file, const CodePage& cp = kCp932) {
    std::vector<RegFileOp> ops;
    std::string error;
    EXPECT_TRUE(ParseRegFile(file, cp, &ops, &error)) << error;
    return ops;
}

void ExpectError(const std::string& file, const std::string& error) {
    std::vector<RegFileOp> ops(1);
    std::string got;
    EXPECT_FALSE(ParseRegFile(file, kCp932, &ops, &got));
    EXPECT_EQ(got, error);
    EXPECT_TRUE(ops.empty());
}

// A key line `levels` below HKEY_USERS.
std::string Deep(int levels) {
    std::string line = "[HKEY_USERS";
    for (int i = 0; i < levels; ++i) line += "\\k";
    return line + "]";
}

std::vector<RegFileKey> ToKeys(const std::vector<RegFileOp>& ops) {
    std::vector<RegFileKey> keys;
    for (const RegFileOp& op : ops) {
        if (op.kind == RegFileOp::kAddKey) keys.push_back({op.key, {}});
        if (op.kind == RegFileOp::kSetValue) keys.back().values.push_back({op.valueName, op.type, op.data});
    }
    return keys;
}

// Each line stands after a key line, so what it gives is the second op, from line 4. (The
// plain forms, imported on both backends: regfile_conformance_test.cpp.)
TEST(RegFileRead, Forms) {
    struct {
        const char* line;
        const char* op;
    } cases[] = {
        {R"(@="x")", "S 1 HKEY_CURRENT_USER\\T [] 78 00"},
        {R"("n\\m\"q"="")", "S 1 HKEY_CURRENT_USER\\T [n\\m\"q] 00"},
        {R"("lf"="a\nb\rc")", "S 1 HKEY_CURRENT_USER\\T [lf] 61 0a 62 0d 63 00"},
        {"\t\"s\" = \"t;\" ;c", "S 1 HKEY_CURRENT_USER\\T [s] 74 3b 00"},
        {"\"\x83\x5c\"=\"\x96\x7c\x83\x5c\"", "S 1 HKEY_CURRENT_USER\\T [\x83\x5c] 96 7c 83 5c 00"},  // ソ
        {"\"d\"=dword: ABCDEF12;c", "S 4 HKEY_CURRENT_USER\\T [d] 12 ef cd ab"},
        {"\"h\"=hex:", "S 3 HKEY_CURRENT_USER\\T [h]"},
        {"\"h\"=hex: 01,\tFf, ", "S 3 HKEY_CURRENT_USER\\T [h] 01 ff"},
        {"\"x\" = hex(2):41,00 ;c", "S 2 HKEY_CURRENT_USER\\T [x] 41 00"},
        {"\"x\"=hex(B):01", "S b HKEY_CURRENT_USER\\T [x] 01"},
        {"\"x\"=hex(0):", "S 0 HKEY_CURRENT_USER\\T [x]"},
        {"\"x\"=hex(fFfFfFfF):01", "S ffffffff HKEY_CURRENT_USER\\T [x] 01"},
        {"@ = - ;c", "X 0 HKEY_CURRENT_USER\\T []"},
        {"[HKEY_LOCAL_MACHINE\\Software\\X]", "A 0 HKEY_LOCAL_MACHINE\\Software\\X []"},
        {"[hkey_current_user\\Soft Ware\\X\\]", "A 0 HKEY_CURRENT_USER\\Soft Ware\\X []"},
        {"  [HKEY_CLASSES_ROOT\\.txt] ; c", "A 0 HKEY_CLASSES_ROOT\\.txt []"},
        {"[HKEY_USERS]", "A 0 HKEY_USERS []"},
        {"[-HKEY_USERS\\S-1\\Y\\]", "D 0 HKEY_USERS\\S-1\\Y []"},
        {"[HKEY_USERS\\A]B]", "A 0 HKEY_USERS\\A]B []"},
        {"[HKEY_USERS\\\x83\x5c]", "A 0 HKEY_USERS\\\x83\x5c []"},  // ソ: its 0x5C is no backslash
        {"[HKEY_USERS\\\x83\x5d]", "A 0 HKEY_USERS\\\x83\x5d []"},  // ゾ: its 0x5D is no bracket
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::vector<RegFileOp> ops = MustParse(kHead4 + c.line + "\r\n");
        ASSERT_EQ(ops.size(), 2u);
        EXPECT_EQ(Dump({ops[1]}), std::string("4 ") + c.op + "\n");
    }
}

// What Wine's regedit /E wrote (values sorted by name, as it writes them).
const char* const kWineExport =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Probe]\r\n"
    "@=\"既定\"\r\n"
    "\"bin\"=hex:00,07,0e,15,1c,23,2a,31,38,3f,46,4d,54,5b,62,69,70,77,7e,85,8c,93,9a,\\\r\n"
    "  a1,a8,af,b6,bd,c4,cb,d2,d9,e0,e7,ee,f5,fc,03,0a,11,18,1f,26,2d,34,3b,42,49,\\\r\n"
    "  50,57,5e,65,6c,73,7a,81,88,8f,96,9d,a4,ab,b2,b9,c0,c7,ce,d5,dc,e3,ea,f1,f8,\\\r\n"
    "  ff,06,0d,14,1b,22,29,30,37,3e,45,4c,53,5a,61,68,6f\r\n"
    "\"empty\"=\"\"\r\n"
    "\"exp\"=hex(2):25,00,41,00,25,00,00,00\r\n"
    "\"lf\"=\"a\\nb\"\r\n"
    "\"multi\"=hex(7):41,00,00,00,42,00,00,00,00,00\r\n"
    "\"n\"=dword:0000002a\r\n"
    "\"nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn"
    "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn\"=hex:01,\\\r\n"
    "  02\r\n"
    "\"none\"=hex(0):\r\n"
    "\"path\"=\"C:\\\\Program Files\\\\ソ\"\r\n"
    "\"q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
    "\"quote\"=\"say \\\"hi\\\"\"\r\n"
    "\"翻訳\"=\"翻訳ソフト\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Probe\\Sub ソ]\r\n"
    "\"x\"=\"y\"\r\n\r\n";

TEST(RegFileRead, WineExportReadsAndWritesBackTheSame) {
    std::vector<RegFileOp> ops = MustParse(Wide(kWineExport));
    ASSERT_EQ(ops.size(), 16u);
    EXPECT_EQ(Dump({ops[4], ops[5], ops[10]}),
              "10 S 2 HKEY_CURRENT_USER\\Software\\Probe [exp] 25 41 25 00\n"
              "11 S 1 HKEY_CURRENT_USER\\Software\\Probe [lf] 61 0a 62 00\n"
              "17 S 1 HKEY_CURRENT_USER\\Software\\Probe [path] "
              "43 3a 5c 50 72 6f 67 72 61 6d 20 46 69 6c 65 73 5c 83 5c 00\n");
    EXPECT_EQ(ops[15].key, "HKEY_CURRENT_USER\\Software\\Probe\\Sub \x83\x5c");
    // Our writer wraps like Wine's; only the string with a line break differs (hex by choice).
    std::string expected = kWineExport, lf = "\"lf\"=\"a\\nb\"";
    expected.replace(expected.find(lf), lf.size(), "\"lf\"=hex(1):61,00,0a,00,62,00,00,00");
    EXPECT_EQ(WriteRegFile5(ToKeys(ops), kCp932), Wide(expected));
}

TEST(RegFileRead, RefusesMalformedLines) {
    struct {
        std::string lines;  // from line 4 on
        const char* error;
    } cases[] = {
        {"\"s\"=\"abc", "line 4: string without its closing quote"},
        {"\"s\"=\"a\\\"", "line 4: string without its closing quote"},
        {"\"s\"=\"a\\qb\"", "line 4: unknown escape '\\q'"},
        {"\"s\"=\"a\" x", "line 4: text after the closing quote"},
        {"\"s\"=\"\x83\r\n\"t\"=\"\"", "line 4: broken double-byte character"},
        {"\"s\"=\"\x83\"", "line 4: broken double-byte character"},
        {std::string("\"s\"=\"a\0b\"", 9), "line 4: NUL in the text"},
        {"[HKEY_CURRENT_USER\\X", "line 4: key line without ']'"},
        {"[HKCU\\X]", "line 4: unknown root key 'HKCU'"},
        {"[HKEY_USERS\\X] junk", "line 4: text after the key's ']'"},
        {"[HKEY_USERS\\A\\\\B]", "line 4: empty key name in the path"},
        {"[-HKEY_USERS]", "line 4: a root key cannot be deleted"},
        {"\"h\"=hex:0g", "line 4: a byte must be two hex digits"},
        {"\"h\"=hex:012", "line 4: a byte must be two hex digits"},
        {"\"h\"=hex:01 ,02", "line 4: unexpected text in the byte list"},
        {"\"h\"=hex:01\\", "line 4: ',' expected before the continuation backslash"},
        {"\"h\"=hex(123456789):01", "line 4: hex(N) needs 1 to 8 hex digits"},
        {"\"h\"=HEX:01", "line 4: unknown kind of value data"},
        {"\"d\"=dword:123456789", "line 4: dword needs 1 to 8 hex digits"},
        {"\"d\"=dword:1g", "line 4: text after the dword"},
        {"\"v\"=-x", "line 4: text after '=-'"},
        {"\"v\" \"x\"", "line 4: '=' expected after the value name"},
        {"junk", "line 4: not a key, a value or a comment"},
        {"\"h\"=hex:01,\\\r\n\"x\"=\"y\"", "line 5: unexpected text in the byte list"},
        {"\"h\"=hex:01,\\\r\n; c\r\n", "line 4: the value is continued past the end of the file"},
        {"[-HKEY_USERS\\X]\r\n\"a\"=\"b\"", "line 5: value line outside a key"},
        {Deep(513), "line 4: a key nested deeper than 512 levels, which Windows refuses"},
        {"[HKEY_USERS\\A\x1b[2J]", "line 4: a control character in a key name, which a key line cannot carry"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        ExpectError(kHead4 + c.lines, c.error);
    }
    ExpectError("REGEDIT4\r\n\"a\"=\"b\"\r\n", "line 2: value line outside a key");
    EXPECT_EQ(MustParse(kHead4 + Deep(512)).size(), 2u) << "512 levels are as deep as Windows goes";
}

TEST(RegFileRead, RefusesBadHeadersAndEncodings) {
    ExpectError("", "line 1: the file does not start with REGEDIT4 or the version 5 header");
    ExpectError("REGEDIT4 \r\n", "line 1: the file does not start with REGEDIT4 or the version 5 header");
    ExpectError(kHead5, "line 1: a version 5 file must be UTF-16LE with a byte-order mark");
    ExpectError(Wide("REGEDIT4\r\n"), "line 1: a REGEDIT4 file must be in the code page, not UTF-16");
    std::string cut = Wide(kHead5 + "\"a\"=\"b\"");
    ExpectError(cut.substr(0, cut.size() - 1), "line 3: the UTF-16 text ends in half a character");
    ExpectError(Wide(kHead5 + "\"a\"=\"x").append("\x00\xD8\"\x00", 4), "line 3: lone UTF-16 surrogate");
    ExpectError(Wide(kHead5 + "\"a\"=\"한\""), "line 3: text that code page 932 cannot hold");
    ExpectError(Wide(kHead5 + "\"a\"=hex(2):41"), "line 3: UTF-16 data of odd length, which only an NT machine keeps");
    ExpectError(Wide(kHead5 + "\"a\"=hex(7):00,d8,00,00"), "line 3: text that code page 932 cannot hold");
}

// The writer refuses, naming the key, what a .reg file cannot carry exactly, so that nothing
// read from a hive writes a line of its own into a plan; what it can carry reads back exactly.
TEST(RegFileWrite, APlanHoldsExactlyItsChangeOrIsRefused) {
    using C = os::Change;
    const std::string key = "HKEY_USERS\\A", control = "a control character, which a key line cannot carry",
                      empty = "an empty key name, which reads back as another path";
    const struct {
        C::Kind kind;
        std::string path, name, data, why;  // why it is refused, "" when it is carried
    } rows[] = {
        {C::kKeyCreated, key + "]\r\n[HKEY_LOCAL_MACHINE\\Run", "", "", control},
        {C::kKeyDeleted, key + "\x1b[2J", "", "", control},
        {C::kKeyCreated, key + "\\", "", "", empty},
        {C::kKeyCreated, "HKEY_USERS\\\\A", "", "", empty},
        {C::kKeyDeleted, "HKEY_USERS", "", "", "a root key, which cannot be deleted"},
        {C::kKeyCreated, "HKCU\\A", "", "", "no root key name"},
        {C::kKeyCreated, key + "\x83", "", "", "text that is not whole characters of its code"},
        {C::kValueDeleted, key, std::string("n\0m", 3), "", "a NUL in its name, which a quoted name cannot hold"},
        {C::kValueSet, key, "n", "\x83", "text that code page 932 cannot convert exactly"},
        {C::kKeyCreated, key + "]B\\\x83\x5c]", "", "", ""},  // brackets, and ソ, whose second byte is 0x5C
        {C::kValueSet, key, "q\"\\\r\n\x1b@", std::string("l\r\n\0f\0", 6), ""},
        {C::kValueDeleted, key, "", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path + " " + row.name);
        std::string error, named = "key " + kCp932.ToUtf8(row.path) + ": " + row.why;
        if (row.kind == C::kValueSet || row.kind == C::kValueDeleted) named = "value \"" + row.name + "\" of " + named;
        auto plan = WriteChangesReg({{row.kind, row.path, row.name, REG_SZ, row.data, "", ""}}, kCp932, &error);
        EXPECT_EQ(plan.has_value(), row.why.empty());
        EXPECT_EQ(error, row.why.empty() ? "" : named);
        std::vector<RegFileOp> ops;
        if (!plan || !ParseRegFile(*plan, kCp932, &ops, &error)) continue;
        const RegFileOp& last = ops.back();
        EXPECT_EQ(std::tie(last.key, last.valueName, last.data), std::tie(row.path, row.name, row.data));
    }
}

// A plan leaves out a key made and deleted again with all made in it between, and an attempt
// that failed; a key deleted that was there before, or made again after, stays.
TEST(RegFileWrite, AKeyMadeAndDeletedAgainIsNoStep) {
    using C = os::Change;
    auto change = [](C::Kind kind, const std::string& path, const std::string& failed = "") {
        const bool value = kind == C::kValueSet || kind == C::kValueDeleted;
        return C{kind, "HKEY_USERS\\A" + path, value ? "v" : "", REG_SZ, value ? std::string("x\0", 2) : "", "", failed};
    };
    const C::Kind made = C::kKeyCreated, gone = C::kKeyDeleted, set = C::kValueSet;
    const struct {
        std::vector<C> changes;
        std::string steps;  // + key made, - key deleted, = value set, _ value deleted
    } rows[] = {
        {{change(made, "\\T"), change(set, "\\T"), change(made, "\\T\\S"), change(gone, "\\T")}, ""},
        {{change(made, "\\T\\S"), change(gone, "\\T\\S"), change(set, "\\T")}, "+\\T=\\T"},
        {{change(gone, "\\T")}, "-\\T"},
        {{change(gone, "\\T"), change(made, "\\T"), change(gone, "\\T")}, "-\\T"},
        {{change(made, "\\T"), change(gone, "\\T"), change(made, "\\T")}, "+\\T"},
        {{change(made, "\\T"), change(made, "\\TT"), change(gone, "\\T")}, "+\\TT"},  // a name that only begins alike
        {{change(made, "\\t"), change(gone, "\\T")}, ""},                 // names are alike in any case
        {{change(C::kValueDeleted, "", "nothing there"), change(made, "\\U", "error 5")}, ""},
    };
    for (const auto& row : rows) {
        std::string error, steps;
        auto plan = WriteChangesReg(row.changes, kCp932, &error);
        std::vector<RegFileOp> ops;
        ASSERT_TRUE(plan && ParseRegFile(*plan, kCp932, &ops, &error)) << error;
        for (const RegFileOp& op : ops) steps += std::string(1, "+-=_"[op.kind]) + op.key.substr(12);
        EXPECT_EQ(steps, row.steps) << "changes: " << row.changes.size() << ", first " << row.changes[0].path;
    }
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
            EXPECT_EQ(parsed ? Dump(steps) : error, parsed ? Dump(expected) : expectedError);
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
    const std::string expected = WriteRegFile4(ExportRegistry(reference.registry()), reference.codePage()).value();
    EXPECT_EQ(WriteRegFile4(ExportRegistry(applied.registry()), applied.codePage()), expected);
    EXPECT_NE(expected.find("[HKEY_LOCAL_MACHINE\\Software\\AB]"), std::string::npos);
}

}  // namespace
}  // namespace sim
