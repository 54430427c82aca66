// The .reg writers against the reader, on keys, names and data built from any bytes out of
// what breaks a line-oriented file: line breaks and other control characters, brackets,
// quotes, backslashes, code page 932 characters whose second byte is 0x5C or 0x5D, lone lead
// bytes, and (in the UTF-8 of wide texts) lone UTF-16 surrogates. A plan (WriteChangesReg) and
// a version 5 file of wide keys (WriteRegFile5) are each refused, with the key named, or read
// back as exactly the keys and values they were made of.
#include <iterator>
#include <string_view>
#include <tuple>
#include <vector>

#include "fuzz_support.h"
#include "platform/os/sim/regfile.h"
#include "platform/os/sim/registry.h"

namespace {

using sim::RegFileOp;

const sim::CodePage& Cp() {
    static const sim::CodePage cp(932);
    return cp;
}

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool More() const { return at_ < size_; }
    unsigned Byte() { return at_ < size_ ? data_[at_++] : 0; }
    // Up to seven pieces, most of them harmless.
    std::string Text() {
        static const std::string_view kPieces[] = {
            "a", "Zentho", " ", "\\", "]", "[", "\"", "@", "=", ";", "-", "\r", "\n", "\t", "\x1b",
            std::string_view("\0", 1), "\x7f", "\x83\x5c", "\x83\x5d", "\x83", "\x81\x40", "\xa0",
            "\xed\xa0\x80", "\xe2\x82\xac", "\xc2\x9b", "HKEY_USERS"};
        std::string text;
        for (unsigned n = Byte() % 8; n > 0; --n) text += kPieces[Byte() % std::size(kPieces)];
        return text;
    }
    std::string Path() { return (Byte() % 4 ? "HKEY_CURRENT_USER\\" : "") + Text(); }

private:
    const uint8_t* data_;
    size_t size_, at_ = 0;
};

constexpr DWORD kTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY};

// A step as the reader gives it, its texts in UTF-16 (code page or wide alike) and other data as bytes.
using Step = std::tuple<int, std::u16string, std::u16string, DWORD, std::u16string, std::string>;
std::u16string Units(std::string_view text, bool utf8) {
    std::u16string units;
    if (!utf8) return Cp().ToUtf16(text);
    sim::Utf8ToUtf16(text, &units);
    return units;
}
Step Expect(RegFileOp::Kind kind, const std::string& key, bool wideKey, const sim::RegFileValue& v) {
    const bool text = v.type == REG_SZ || v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ;
    return {kind, Units(key, wideKey), Units(v.name, v.wideName), v.type,
            text ? (v.wideData ? sim::Utf16LeUnits(v.data) : Units(v.data, false)) : u"", text ? "" : v.data};
}
Step Got(const RegFileOp& op) {
    const bool text = op.type == REG_SZ || op.type == REG_EXPAND_SZ || op.type == REG_MULTI_SZ;
    return {op.kind, Units(op.key, op.wide), Units(op.valueName, op.wide), op.type,
            text ? (op.wide ? sim::Utf16LeUnits(op.data) : Units(op.data, false)) : u"", text ? "" : op.data};
}

void ExpectReadBack(const std::optional<std::string>& file, const std::string& error, const std::vector<Step>& made,
                    const char* what) {
    if (!file) return fuzz::Check(error.rfind("key ", 0) == 0 || error.rfind("value ", 0) == 0,
                                  "a refusal that names no key", error);
    std::vector<RegFileOp> ops;
    std::string why;
    fuzz::Check(sim::ParseRegFile(*file, Cp(), &ops, &why, true), "the reader refuses what was written", why);
    fuzz::Check(ops.size() == made.size(), "a file with other steps than were written", what);
    for (size_t i = 0; i < ops.size(); ++i)
        fuzz::Check(Got(ops[i]) == made[i], "a step read back otherwise than written", what + std::to_string(i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    // A plan: each change as the writer lays it out, a value's key opened before it unless open.
    os::ChangeList changes;
    std::vector<Step> made;
    std::string open, error;
    for (int i = 0; i < 8 && in.More(); ++i) {
        os::Change c{static_cast<os::Change::Kind>(in.Byte() % 4), in.Path(), "", kTypes[in.Byte() % 5], "", ""};
        const bool value = c.kind == os::Change::kValueSet || c.kind == os::Change::kValueDeleted;
        if (value) c.name = in.Text(), c.data = in.Text();
        if (value && c.path != open) made.push_back(Expect(RegFileOp::kAddKey, c.path, false, {}));
        const RegFileOp::Kind kind = c.kind == os::Change::kKeyCreated  ? RegFileOp::kAddKey
                                     : c.kind == os::Change::kKeyDeleted ? RegFileOp::kDeleteKey
                                     : c.kind == os::Change::kValueSet   ? RegFileOp::kSetValue
                                                                         : RegFileOp::kDeleteValue;
        sim::RegFileValue v{c.name, kind == RegFileOp::kSetValue ? c.type : REG_NONE,
                            kind == RegFileOp::kSetValue ? c.data : ""};
        made.push_back(Expect(kind, c.path, false, v));
        open = c.kind == os::Change::kKeyDeleted ? "" : c.path;
        changes.push_back(c);
    }
    ExpectReadBack(sim::WriteChangesReg(changes, Cp(), &error), error, made, "plan step ");

    // Keys whose texts may be wide (UTF-8 names, UTF-16LE data), as a version 5 file holds them.
    std::vector<sim::RegFileKey> keys;
    made.clear();
    for (int i = 0; i < 4 && in.More(); ++i) {
        const unsigned wide = in.Byte();
        keys.push_back({in.Path(), {}, false, (wide & 1) != 0});
        made.push_back(Expect(RegFileOp::kAddKey, keys.back().path, keys.back().wide, {}));
        for (unsigned n = in.Byte() % 3; n > 0; --n) {
            sim::RegFileValue v{in.Text(), kTypes[in.Byte() % 5], in.Text(), (wide & 2) != 0, (wide & 4) != 0};
            keys.back().values.push_back(v);
            made.push_back(Expect(RegFileOp::kSetValue, keys.back().path, keys.back().wide, v));
        }
    }
    ExpectReadBack(sim::WriteRegFile5(keys, Cp(), &error), error, made, "version 5 step ");
    return 0;
}
