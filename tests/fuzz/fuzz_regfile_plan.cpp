// The .reg writers against the reader, on texts made of what breaks a line-oriented file (control
// characters, brackets, quotes, backslashes, code page 932 characters whose second byte is 0x5C,
// lone lead bytes, lone surrogates in wide texts): a plan (WriteChangesReg) and a version 5 file
// of wide keys are each refused, naming the key, or read back as exactly what was written.
#include <iterator>
#include <string_view>
#include <tuple>
#include <vector>

#include "fuzz_support.h"
#include "tools/winsim/formats/regfile.h"
#include "tools/winsim/core/registry.h"

namespace {

using sim::RegFileOp;
const sim::CodePage kCp(932);
constexpr DWORD kTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY};

struct Input {
    const uint8_t* data;
    size_t size, at = 0;
    bool More() const { return at < size; }
    unsigned Byte() { return at < size ? data[at++] : 0; }
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
};

// A step as written or read: its texts in UTF-16 whether they came in the code page or wide, and
// data other than text as bytes.
using Step = std::tuple<int, std::u16string, std::u16string, DWORD, std::u16string, std::string>;
Step MakeStep(int kind, const std::string& key, bool wideKey, const sim::RegFileValue& v) {
    const bool text = v.type == REG_SZ || v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ;
    return {kind, sim::Registry::Utf16Name(kCp, key, wideKey), sim::Registry::Utf16Name(kCp, v.name, v.wideName),
            v.type, text ? (v.wideData ? sim::Utf16LeUnits(v.data) : kCp.ToUtf16(v.data)) : u"", text ? "" : v.data};
}
Step ReadStep(const RegFileOp& op) {
    return MakeStep(op.kind, op.key, op.wide, {op.valueName, op.type, op.data, op.wide, op.wide});
}

void ExpectReadBack(const std::optional<std::string>& file, const std::string& error, const std::vector<Step>& made) {
    const bool named = error.rfind("key ", 0) == 0 || error.rfind("value ", 0) == 0;
    if (!file) return fuzz::Check(named, "a refusal naming no key", error);
    std::vector<RegFileOp> ops;
    std::string why;
    fuzz::Check(sim::ParseRegFile(*file, kCp, &ops, &why, true), "the reader refuses what was written", why);
    fuzz::Check(ops.size() == made.size(), "a file with other steps than were written");
    for (size_t i = 0; i < ops.size(); ++i)
        fuzz::Check(ReadStep(ops[i]) == made[i], "a step read back otherwise than written", std::to_string(i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    // A plan: each change as the writer lays it out, a value's key opened before it unless open.
    // (Changes and steps list their four kinds in the same order.)
    os::ChangeList changes;
    std::vector<Step> made;
    std::string open, error;
    // A key made and deleted again is no step of a plan (regfile_test's rows): an input either
    // makes keys or deletes them, so that every change is a step.
    const unsigned keyKind = in.Byte() % 2;
    for (int i = 0; i < 8 && in.More(); ++i) {
        const unsigned kind = in.Byte() % 4;
        os::Change c{static_cast<os::Change::Kind>(kind < 2 ? keyKind : kind), in.Path(), "", kTypes[in.Byte() % 5],
                     "", "", ""};
        const bool value = c.kind == os::Change::kValueSet || c.kind == os::Change::kValueDeleted;
        if (value) c.name = in.Text(), c.data = in.Text();
        if (value && c.path != open) made.push_back(MakeStep(RegFileOp::kAddKey, c.path, false, {}));
        const bool set = c.kind == os::Change::kValueSet;
        made.push_back(MakeStep(c.kind, c.path, false, {c.name, set ? c.type : REG_NONE, set ? c.data : ""}));
        open = c.kind == os::Change::kKeyDeleted ? "" : c.path;
        changes.push_back(c);
    }
    ExpectReadBack(sim::WriteChangesReg(changes, kCp, &error), error, made);

    // Keys whose texts may be wide (UTF-8 names, UTF-16LE data), as a version 5 file holds them.
    std::vector<sim::RegFileKey> keys;
    made.clear();
    for (int i = 0; i < 4 && in.More(); ++i) {
        const unsigned wide = in.Byte();
        sim::RegFileKey& key = keys.emplace_back(sim::RegFileKey{in.Path(), {}, false, (wide & 1) != 0});
        made.push_back(MakeStep(RegFileOp::kAddKey, key.path, key.wide, {}));
        for (unsigned n = in.Byte() % 3; n > 0; --n) {
            key.values.push_back({in.Text(), kTypes[in.Byte() % 5], in.Text(), (wide & 2) != 0, (wide & 4) != 0});
            made.push_back(MakeStep(RegFileOp::kSetValue, key.path, key.wide, key.values.back()));
        }
    }
    ExpectReadBack(sim::WriteRegFile5(keys, kCp, &error), error, made);
    return 0;
}
