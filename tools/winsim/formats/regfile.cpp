// Registry export files (.reg): a line-oriented reader and the two writers.
//
// How Wine's regedit /S reads these files, tried as a black box, and what we took from it: both
// forms share one grammar. Blanks may start a line and may stand around '=', after "dword:" and
// "hex:" and after the commas of a byte list (not before a comma); a ';' comment may follow a key
// or a value; quoted names and data know \\, \", \n (LF) and \r (CR); a key path's trailing
// backslash is dropped and the path runs to the last ']'; only lower-case "dword"/"hex" are
// known; a byte list may end in a comma, and blank and comment lines inside a continued list are
// skipped. We read all of that alike. Wine skips without a word the lines it cannot read (text
// after a string, a blank before a comma, nine dword digits, HKCU, values after a deleted key),
// drops the backslash of any other escape, and at a \0 in data silently ends the import; we
// refuse the whole file in all those cases instead, and also for text after ']', bytes of one or
// three digits, "hex()" and empty key names inside a path, which Wine reads somehow.
#include "tools/winsim/formats/regfile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <istream>
#include <iterator>
#include <memory>

#include "tools/winsim/core/registry.h"

namespace sim {
namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRoots[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT", "HKEY_USERS"};
constexpr size_t kWrapColumn = 79;  // byte lists are wrapped so that no line passes 80 columns

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// C0 controls and DEL: bytes that no key line carries, in either form.
bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// Valid trail bytes of a double-byte character.
bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// True when every lead byte of the text is followed by a trail byte.
bool IsWholeDbcs(const CodePage& cp, std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (!cp.IsLeadByte(static_cast<unsigned char>(text[i]))) continue;
        if (i + 1 >= text.size() || !IsTrailByte(static_cast<unsigned char>(text[i + 1]))) return false;
        ++i;
    }
    return true;
}

bool IsBlankOrComment(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    return i == line.size() || line[i] == ';';
}

// Keeps messages readable whatever the file's encoding.
std::string Printable(std::string_view text) {
    std::string out;
    for (char c : text) out.push_back(c >= 0x20 && c < 0x7F ? c : '?');
    return out;
}

std::string LineError(int line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

// ---------------------------------------------------------------------------------------------
// Reading: the file is read as lines of 8-bit text (the code page for REGEDIT4, UTF-8 for the
// UTF-16 form, so that the syntax bytes are plain ASCII in both), one at a time, and parsed as
// they come: a hive of a real machine is tens of megabytes, and a copy of it cut into lines
// cost more memory than the registry that it makes.

class Lines {
public:
    // A whole text in memory.
    Lines(std::string_view text, bool utf8) : text_(text), utf8_(utf8) {}
    // A REGEDIT4 text read from a stream a block at a time, `start` being its first bytes.
    Lines(std::istream* in, std::string start, size_t block)
        : buffer_(std::move(start)), text_(buffer_), utf8_(false), in_(in), block_(block) {}

    bool utf8() const { return utf8_; }
    bool failed() const { return in_ && in_->bad(); }
    int number() const { return number_; }  // of the line last read (1-based)
    // The next line without its CR LF, valid until the next call; false past the end. A file
    // ending in a line break ends in an empty line, as the text after the last break is a
    // line too.
    bool Next(std::string_view* line) {
        if (done_) return false;
        size_t end;
        while ((end = text_.find('\n', scan_)) == std::string_view::npos) {
            scan_ = text_.size();
            if (!Refill()) break;
        }
        if (end == std::string_view::npos) {
            end = text_.size();
            done_ = true;
        }
        *line = text_.substr(next_, end - next_);
        if (!line->empty() && line->back() == '\r') line->remove_suffix(1);
        next_ = scan_ = end + 1;
        ++number_;
        return true;
    }

private:
    bool Refill() {
        if (!in_ || !*in_) return false;
        buffer_.erase(0, next_);  // the lines read so far go; the one being read stays
        scan_ -= next_;
        next_ = 0;
        size_t had = buffer_.size();
        buffer_.resize(had + block_);
        in_->read(&buffer_[had], static_cast<std::streamsize>(block_));
        buffer_.resize(had + static_cast<size_t>(in_->gcount()));
        text_ = buffer_;
        return buffer_.size() > had;
    }

    std::string buffer_;
    std::string_view text_;
    bool utf8_;
    std::istream* in_ = nullptr;
    size_t block_ = 0;
    size_t next_ = 0;  // where the next line starts
    size_t scan_ = 0;  // how far the search for its end has come
    bool done_ = false;
    int number_ = 0;
};

// UTF-16LE after the byte-order mark, as UTF-8. Odd lengths and lone surrogates are refused
// here, where the line is known.
bool Utf16Text(std::string_view body, std::string* out, std::string* error) {
    int number = 1;
    auto fail = [&](const char* what) {
        *error = LineError(number, what);
        return false;
    };
    auto unit = [&](size_t i) {
        return static_cast<char16_t>(static_cast<unsigned char>(body[2 * i]) |
                                     static_cast<unsigned char>(body[2 * i + 1]) << 8);
    };
    size_t count = body.size() / 2;
    out->reserve(count);
    std::u16string run;  // the text since the last line break
    for (size_t i = 0; i <= count; ++i) {
        if (i == count || unit(i) == u'\n') {
            *out += Utf16ToUtf8(run);
            run.clear();
            if (i < count) {
                out->push_back('\n');
                ++number;
            }
            continue;
        }
        char16_t c = unit(i);
        bool high = c >= 0xD800 && c <= 0xDBFF;
        bool low = c >= 0xDC00 && c <= 0xDFFF;
        if (low || (high && (i + 1 >= count || unit(i + 1) < 0xDC00 || unit(i + 1) > 0xDFFF)))
            return fail("lone UTF-16 surrogate");
        run.push_back(c);
        if (high) run.push_back(unit(++i));
    }
    if (body.size() % 2 != 0) return fail("the UTF-16 text ends in half a character");
    return true;
}

bool CheckHeader(Lines& lines, bool wide, std::string* error) {
    std::string_view first;
    lines.Next(&first);
    if (first == (wide ? kHeader5 : kHeader4)) return true;
    if (first == kHeader5)
        *error = LineError(1, "a version 5 file must be UTF-16LE with a byte-order mark");
    else if (first == kHeader4)
        *error = LineError(1, "a REGEDIT4 file must be in the code page, not UTF-16");
    else
        *error = LineError(1, "the file does not start with REGEDIT4 or the version 5 header");
    return false;
}

// A file in memory; `*utf8` receives the UTF-16 form's text, which `*lines` then reads.
bool OpenFile(std::string_view file, std::string* utf8, std::unique_ptr<Lines>* lines, std::string* error) {
    bool wide = file.size() >= 2 && file[0] == '\xFF' && file[1] == '\xFE';
    if (wide) {
        if (!Utf16Text(file.substr(2), utf8, error)) return false;
        *lines = std::make_unique<Lines>(*utf8, true);
    } else {
        *lines = std::make_unique<Lines>(file, false);
    }
    return CheckHeader(**lines, wide, error);
}

// A file read from a stream: REGEDIT4 a block at a time; the UTF-16 form whole, since its
// encoding is checked throughout before any line is parsed.
bool OpenStream(std::istream& in, size_t block, std::string* utf8, std::unique_ptr<Lines>* lines, std::string* error) {
    char start[2] = {0, 0};
    in.read(start, 2);
    bool wide = in.gcount() == 2 && start[0] == '\xFF' && start[1] == '\xFE';
    if (wide) {
        std::string body{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (!Utf16Text(body, utf8, error)) return false;
        *lines = std::make_unique<Lines>(*utf8, true);
    } else {
        *lines = std::make_unique<Lines>(&in, std::string(start, static_cast<size_t>(in.gcount())), block);
    }
    return CheckHeader(**lines, wide, error);
}

// A read position in one line.
struct Cursor {
    std::string_view s;
    size_t i = 0;
    bool AtEnd() const { return i >= s.size(); }
    char Peek() const { return AtEnd() ? '\0' : s[i]; }
    void SkipBlanks() {
        while (!AtEnd() && IsBlank(s[i])) ++i;
    }
    bool Take(std::string_view word) {
        if (s.substr(i, word.size()) != word) return false;
        i += word.size();
        return true;
    }
    // Nothing but blanks and perhaps a comment up to the end.
    bool RestIsEmpty() {
        SkipBlanks();
        return AtEnd() || s[i] == ';';
    }
};

// Hands each step on as soon as it is read; one RegFileOp is filled again and again, so that
// reading allocates nothing per line once its buffers have grown.
class Parser {
public:
    Parser(const CodePage& cp, Lines& lines, const std::function<void(const RegFileOp&)>& step, bool unicode)
        : cp_(cp), lines_(lines), step_(step), unicode_(unicode && lines.utf8()) {}

    bool Run(std::string* error);

private:
    bool Fail(int line, const std::string& what) {
        error_ = LineError(line, what);
        return false;
    }
    int Number() const { return lines_.number(); }
    size_t CharLen(const Cursor& c) const {
        return !plain_ && cp_.IsLeadByte(static_cast<unsigned char>(c.Peek())) ? 2 : 1;
    }
    // The step to fill for a line, emptied.
    RegFileOp& Step(RegFileOp::Kind kind) {
        op_.kind = kind;
        op_.valueName.clear();
        op_.type = REG_NONE;
        op_.data.clear();
        op_.wide = false;
        op_.line = Number();
        return op_;
    }
    bool CheckBytes(std::string_view line);
    bool ToCodePage(std::string_view text, std::string* out);
    bool ParseKeyLine(Cursor c);
    bool ParseKeyPath(std::string_view path, bool remove, std::string* out);
    bool ParseValueLine(Cursor c);
    bool ParseQuoted(Cursor& c, std::string* out);
    bool ParseDword(Cursor& c, std::string* data);
    bool ParseHexType(Cursor& c, DWORD* type);
    bool ParseByteList(Cursor c, std::string* bytes);
    bool ParseByteLine(Cursor& c, std::string* bytes, bool* more);
    bool WideToCodePage(int line, std::string* data);

    const CodePage& cp_;
    Lines& lines_;
    const std::function<void(const RegFileOp&)>& step_;
    // Text the code page cannot hold is kept (the version 5 form on an NT machine): the last
    // text converted was kept as UTF-8 when wide_ is set; the current key's path in UTF-8.
    bool unicode_;
    bool wide_ = false;
    bool keyWide_ = false;
    std::string keyUtf8_;
    RegFileOp op_;
    std::string key_;  // the key that value lines belong to; empty outside a key
    std::string text_, rest_;
    std::vector<size_t> seps_;
    // The line holds no double-byte character (CheckBytes tells): every byte is a character,
    // and the searches can look at bytes.
    bool plain_ = true;
    std::string error_;
};

bool Parser::Run(std::string* error) {
    std::string_view line;
    while (lines_.Next(&line)) {
        if (IsBlankOrComment(line)) continue;
        if (!CheckBytes(line)) break;
        Cursor c{line};
        c.SkipBlanks();
        bool ok;
        if (c.Peek() == '[')
            ok = ParseKeyLine(c);
        else if (c.Peek() == '@' || c.Peek() == '"')
            ok = ParseValueLine(c);
        else
            ok = Fail(Number(), "not a key, a value or a comment");
        if (!ok) break;
    }
    if (!error_.empty()) {
        *error = error_;
        return false;
    }
    return true;
}

// A REGEDIT4 line must hold whole characters of the code page; otherwise a trail byte could be
// taken for a quote, a backslash or a bracket.
bool Parser::CheckBytes(std::string_view line) {
    if (line.find('\0') != std::string_view::npos) return Fail(Number(), "NUL in the text");
    plain_ = true;
    if (lines_.utf8()) return true;
    size_t high = 0;  // most lines are ASCII: find the first byte that is not, eight at a time
    for (uint64_t word; high + 8 <= line.size(); high += 8) {
        std::memcpy(&word, line.data() + high, 8);
        if (word & 0x8080808080808080ULL) break;
    }
    while (high < line.size() && static_cast<unsigned char>(line[high]) < 0x80) ++high;
    std::string_view rest = line.substr(high);
    if (!IsWholeDbcs(cp_, rest)) return Fail(Number(), "broken double-byte character");
    for (char ch : rest)
        if (cp_.IsLeadByte(static_cast<unsigned char>(ch))) plain_ = false;
    return true;
}

bool Parser::ToCodePage(std::string_view text, std::string* out) {
    wide_ = false;
    if (!lines_.utf8()) {
        out->assign(text);
        return true;
    }
    if (cp_.FromUtf8(text, out)) return true;
    if (unicode_) {
        out->assign(text);
        return wide_ = true;
    }
    return Fail(Number(), "text that code page " + std::to_string(cp_.id()) + " cannot hold");
}

bool Parser::ParseKeyLine(Cursor c) {
    ++c.i;  // '['
    bool remove = c.Take("-");
    size_t start = c.i, close = std::string_view::npos;
    if (plain_) {
        close = c.s.rfind(']');
        if (close != std::string_view::npos && close < start) close = std::string_view::npos;
    } else {
        for (; !c.AtEnd(); c.i += CharLen(c))
            if (c.Peek() == ']') close = c.i;
    }
    if (close == std::string_view::npos) return Fail(Number(), "key line without ']'");
    Cursor rest{c.s, close + 1};
    if (!rest.RestIsEmpty()) return Fail(Number(), "text after the key's ']'");
    RegFileOp& op = Step(remove ? RegFileOp::kDeleteKey : RegFileOp::kAddKey);
    if (!ParseKeyPath(c.s.substr(start, close - start), remove, &op.key)) return false;
    op.wide = wide_;
    if (remove) {
        key_.clear();
    } else {
        key_ = op.key;
        keyWide_ = wide_;
    }
    step_(op);
    return true;
}

// Root by full name in any case, written back in capitals; the rest as written, less one
// trailing backslash.
bool Parser::ParseKeyPath(std::string_view path, bool remove, std::string* out) {
    Cursor c{path};
    std::vector<size_t>& seps = seps_;
    seps.clear();
    if (plain_) {
        for (size_t at = path.find('\\'); at != std::string_view::npos; at = path.find('\\', at + 1))
            seps.push_back(at);
    } else {
        for (; !c.AtEnd(); c.i += CharLen(c))
            if (c.Peek() == '\\') seps.push_back(c.i);
    }
    if (!seps.empty() && seps.back() + 1 == path.size()) {
        path.remove_suffix(1);
        seps.pop_back();
    }
    std::string_view root = path.substr(0, seps.empty() ? path.size() : seps[0]);
    std::string_view canonical;
    for (std::string_view name : kRoots) {
        bool same = name.size() == root.size();
        for (size_t k = 0; same && k < name.size(); ++k)
            same = (root[k] >= 'a' && root[k] <= 'z' ? root[k] - 0x20 : root[k]) == name[k];
        if (same) canonical = name;
    }
    if (canonical.empty()) return Fail(Number(), "unknown root key '" + Printable(root) + "'");
    if (std::any_of(path.begin(), path.end(), IsControl))
        return Fail(Number(), "a control character in a key name, which a key line cannot carry");
    if (seps.size() > kMaxKeyDepth)
        return Fail(Number(),
                    "a key nested deeper than " + std::to_string(kMaxKeyDepth) + " levels, which Windows refuses");
    for (size_t k = 0; k < seps.size(); ++k) {
        size_t next = k + 1 < seps.size() ? seps[k + 1] : path.size();
        if (next == seps[k] + 1) return Fail(Number(), "empty key name in the path");
    }
    if (remove && seps.empty()) return Fail(Number(), "a root key cannot be deleted");
    if (!ToCodePage(path.substr(root.size()), &rest_)) return false;
    out->assign(canonical);
    out->append(rest_);
    if (unicode_) keyUtf8_ = std::string(canonical).append(path.substr(root.size()));
    return true;
}

bool Parser::ParseValueLine(Cursor c) {
    if (key_.empty()) return Fail(Number(), "value line outside a key");
    RegFileOp& op = Step(RegFileOp::kSetValue);
    op.key = key_;
    bool wide = keyWide_;  // some text of the step is kept as it came
    std::string nameUtf8, dataUtf8, raw;
    if (c.Peek() == '@') {
        ++c.i;
    } else {
        if (!ParseQuoted(c, &op.valueName)) return false;
        if (unicode_) nameUtf8 = text_;
        wide = wide || wide_;
    }
    c.SkipBlanks();
    if (!c.Take("=")) return Fail(Number(), "'=' expected after the value name");
    c.SkipBlanks();
    bool ok;
    if (c.Take("-")) {
        op.kind = RegFileOp::kDeleteValue;
        ok = c.RestIsEmpty() || Fail(Number(), "text after '=-'");
    } else if (c.Peek() == '"') {
        op.kind = RegFileOp::kSetValue;
        op.type = REG_SZ;
        ok = ParseQuoted(c, &op.data) && (c.RestIsEmpty() || Fail(Number(), "text after the closing quote"));
        op.data.push_back('\0');
        wide = wide || wide_;
        if (unicode_) {
            std::u16string units;
            Utf8ToUtf16(text_, &units);
            units.push_back(u'\0');
            for (char16_t u : units) raw += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
        }
    } else if (c.Take("dword:")) {
        op.kind = RegFileOp::kSetValue;
        op.type = REG_DWORD;
        ok = ParseDword(c, &op.data);
    } else if (c.Take("hex")) {
        op.kind = RegFileOp::kSetValue;
        ok = ParseHexType(c, &op.type) && ParseByteList(c, &op.data);
        bool text = op.type == REG_SZ || op.type == REG_EXPAND_SZ || op.type == REG_MULTI_SZ;
        if (unicode_) raw = op.data;
        wide_ = false;
        ok = ok && (!lines_.utf8() || !text || WideToCodePage(op.line, &op.data));
        wide = wide || wide_;
    } else {
        ok = Fail(Number(), "unknown kind of value data");
    }
    if (ok && wide) {
        op.wide = true;
        op.key = keyUtf8_;
        op.valueName = nameUtf8;
        if (op.type == REG_SZ || op.type == REG_EXPAND_SZ || op.type == REG_MULTI_SZ) op.data = raw;
    }
    if (ok) step_(op);
    return ok;
}

// A quoted name or string; the result is in the code page.
bool Parser::ParseQuoted(Cursor& c, std::string* out) {
    ++c.i;  // '"'
    std::string& text = text_;
    text.clear();
    for (;;) {
        size_t run = c.i;  // the characters up to a quote or a backslash go in one piece
        if (plain_) {
            c.i = std::min(c.s.find_first_of("\"\\", c.i), c.s.size());
        } else {
            while (!c.AtEnd() && c.Peek() != '"' && c.Peek() != '\\') c.i += CharLen(c);
        }
        text.append(c.s.substr(run, c.i - run));
        if (c.AtEnd()) return Fail(Number(), "string without its closing quote");
        char ch = c.Peek();
        if (ch == '"') break;
        if (ch == '\\') {
            ++c.i;
            char esc = c.Peek();
            if (c.AtEnd()) return Fail(Number(), "string without its closing quote");
            if (esc == 'n')
                text.push_back('\n');
            else if (esc == 'r')
                text.push_back('\r');
            else if (esc == '\\' || esc == '"')
                text.push_back(esc);
            else
                return Fail(Number(), "unknown escape '\\" + Printable(std::string_view(&esc, 1)) + "'");
            ++c.i;
        }
    }
    ++c.i;
    return ToCodePage(text, out);
}

bool Parser::ParseDword(Cursor& c, std::string* data) {
    c.SkipBlanks();
    uint32_t value = 0;
    size_t digits = 0;
    for (; HexDigit(c.Peek()) >= 0; ++c.i, ++digits) value = value << 4 | HexDigit(c.Peek());
    if (digits == 0 || digits > 8) return Fail(Number(), "dword needs 1 to 8 hex digits");
    if (!c.RestIsEmpty()) return Fail(Number(), "text after the dword");
    for (int k = 0; k < 4; ++k) data->push_back(static_cast<char>(value >> (8 * k) & 0xFF));
    return true;
}

// "hex:" (REG_BINARY) or "hex(N):" with N in hex.
bool Parser::ParseHexType(Cursor& c, DWORD* type) {
    *type = REG_BINARY;
    if (c.Take("(")) {
        size_t digits = 0;
        for (*type = 0; HexDigit(c.Peek()) >= 0; ++c.i, ++digits) *type = *type << 4 | HexDigit(c.Peek());
        if (digits == 0 || digits > 8 || !c.Take(")")) return Fail(Number(), "hex(N) needs 1 to 8 hex digits");
    }
    return c.Take(":") || Fail(Number(), "':' expected after hex");
}

// The byte list and its continuation lines; blank and comment lines between them are skipped.
bool Parser::ParseByteList(Cursor c, std::string* bytes) {
    for (;;) {
        bool more = false;
        if (!ParseByteLine(c, bytes, &more)) return false;
        if (!more) return true;
        int continued = Number();
        std::string_view line;
        bool found;
        while ((found = lines_.Next(&line)) && IsBlankOrComment(line)) {
        }
        if (!found) return Fail(continued, "the value is continued past the end of the file");
        if (!CheckBytes(line)) return false;
        c = Cursor{line};
    }
}

// One line of "xx,xx,..." with an optional trailing comma, backslash and comment.
bool Parser::ParseByteLine(Cursor& c, std::string* bytes, bool* more) {
    c.SkipBlanks();
    bool open = true;  // at the start, or after a comma
    while (open && HexDigit(c.Peek()) >= 0) {
        int high = HexDigit(c.Peek()), low = c.i + 1 < c.s.size() ? HexDigit(c.s[c.i + 1]) : -1;
        if (low < 0 || (c.i + 2 < c.s.size() && HexDigit(c.s[c.i + 2]) >= 0))
            return Fail(Number(), "a byte must be two hex digits");
        bytes->push_back(static_cast<char>(high << 4 | low));
        c.i += 2;
        open = c.Take(",");
        c.SkipBlanks();
    }
    *more = c.Take("\\");
    if (*more && !open) return Fail(Number(), "',' expected before the continuation backslash");
    return c.RestIsEmpty() || Fail(Number(), "unexpected text in the byte list");
}

// hex(1), hex(2) and hex(7) of a version 5 file hold UTF-16LE. Windows' regedit takes them of
// any length as the bytes they name (a real machine has REG_SZ values of 23 bytes): NT keeps an
// odd length as it is, the code page shows it without its last byte.
bool Parser::WideToCodePage(int line, std::string* data) {
    if (data->size() % 2 != 0) {
        if (unicode_) return wide_ = true;
        return Fail(line, "UTF-16 data of odd length, which only an NT machine keeps");
    }
    std::u16string wide;
    for (size_t k = 0; k < data->size(); k += 2)
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>((*data)[k]) |
                                             static_cast<unsigned char>((*data)[k + 1]) << 8));
    std::string narrow;
    if (cp_.FromUtf16(wide, &narrow)) {
        *data = std::move(narrow);
        return true;
    }
    if (unicode_) return wide_ = true;  // the caller keeps the UTF-16LE bytes
    return Fail(line, "text that code page " + std::to_string(cp_.id()) + " cannot hold");
}

// ---------------------------------------------------------------------------------------------
// Writing. Both forms are built as 8-bit text (code page or UTF-8) with CRLF line ends.

bool IsConvertible(const CodePage& cp, std::string_view text) {
    std::string back;
    return cp.FromUtf16(cp.ToUtf16(text), &back) && back == text;
}

// A REG_SZ that the quoted form holds: text, one NUL at the end, no line breaks.
bool IsPlainString(std::string_view data) {
    if (data.empty() || data.back() != '\0') return false;
    data.remove_suffix(1);
    return data.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

std::string Quote(std::string_view text, const CodePage* dbcs) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (dbcs && dbcs->IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
            out.append(text.substr(i++, 2));  // a trail byte 0x5C is no backslash
            continue;
        }
        if (c == '\\' || c == '"') out.push_back('\\');
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out.push_back(c);
    }
    return out + "\"";
}

void AppendHexList(std::string* out, size_t column, std::string_view bytes) {
    size_t onLine = 0;
    for (size_t k = 0; k < bytes.size(); ++k) {
        if (onLine > 0 && column + 3 > kWrapColumn) {
            *out += "\\\r\n  ";
            column = 2;
            onLine = 0;
        }
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(bytes[k]));
        *out += hex;
        if (k + 1 < bytes.size()) *out += ',';
        column += 3;
        ++onLine;
    }
}

std::string Utf16Bytes(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

size_t Columns(std::string_view text, bool utf8) {
    if (!utf8) return text.size();
    size_t n = 0;
    for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

std::string FormatDword(std::string_view data) {
    uint32_t value = 0;
    for (int k = 3; k >= 0; --k) value = value << 8 | static_cast<unsigned char>(data[k]);
    char text[20];
    std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(value));
    return text;
}

// How one form writes texts: REGEDIT4 keeps the code page's bytes, version 5 goes through UTF-8
// here and UTF-16 in the file.
struct Form {
    const CodePage& cp;
    bool utf8;

    std::string Text(std::string_view text) const { return utf8 ? cp.ToUtf8(text) : std::string(text); }
    std::string Quoted(std::string_view text) const { return Quote(Text(text), utf8 ? nullptr : &cp); }
    // Whether `text` comes back unchanged from a quoted string.
    bool Holds(std::string_view text) const { return utf8 ? IsConvertible(cp, text) : IsWholeDbcs(cp, text); }
};

// UTF-16 that UTF-8 keeps: no lone surrogates.
bool IsWholeUtf16(std::u16string_view units) {
    for (size_t k = 0; k < units.size(); ++k) {
        bool high = units[k] >= 0xD800 && units[k] <= 0xDBFF, low = units[k] >= 0xDC00 && units[k] <= 0xDFFF;
        if (low || (high && (k + 1 >= units.size() || units[k + 1] < 0xDC00 || units[k + 1] > 0xDFFF))) return false;
        if (high) ++k;
    }
    return true;
}

std::string LossyText(const CodePage& cp, std::string_view utf8) {
    std::u16string units;
    Utf8ToUtf16(utf8, &units);
    return cp.FromUtf16Lossy(units);
}

// UTF-8 that is whole characters and comes back the same through UTF-16.
bool IsWholeUtf8(std::string_view text) {
    std::u16string units;
    return Utf8ToUtf16(text, &units) && IsWholeUtf16(units) && Utf16ToUtf8(units) == text;
}

// Why a key path cannot stand in a key line of this form exactly, or "".
std::string KeyFault(std::string_view path, bool wide, bool remove, const Form& form) {
    if (!(wide ? IsWholeUtf8(path) : form.Holds(path))) return "text that is not whole characters of its code";
    const std::string text = wide ? std::string(path) : form.Text(path);
    if (std::any_of(text.begin(), text.end(), IsControl)) return "a control character, which a key line cannot carry";
    size_t rootEnd = std::min(text.find('\\'), text.size());
    if (std::find(std::begin(kRoots), std::end(kRoots), text.substr(0, rootEnd)) == std::end(kRoots))
        return "no root key name";
    if (remove && rootEnd == text.size()) return "a root key, which cannot be deleted";
    // Names split as the reader splits them: in code-page text a double-byte character's second
    // byte is no backslash.
    for (size_t at = rootEnd; at < text.size();) {
        size_t start = ++at;
        while (at < text.size() && text[at] != '\\')
            at += !form.utf8 && !wide && form.cp.IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
        if (at == start) return "an empty key name, which reads back as another path";
    }
    return "";
}

// Why a value cannot be written in this form exactly, or "".
std::string ValueFault(const RegFileValue& v, const Form& form) {
    if (v.name.find('\0') != std::string::npos) return "a NUL in its name, which a quoted name cannot hold";
    if (!(v.wideName ? !form.utf8 || IsWholeUtf8(v.name) : form.Holds(v.name)))
        return "a name that is not whole characters of its code";
    const bool text = v.type == REG_SZ || v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ;
    if (v.remove || !text || !form.utf8) return "";  // REGEDIT4 keeps any bytes, as hex if need be
    if (!v.wideData && !IsConvertible(form.cp, v.data))
        return "text that code page " + std::to_string(form.cp.id()) + " cannot convert exactly";
    return "";
}

// The refusal of a key, or of one of its values, as a message.
bool Refuse(const Form& form, std::string_view path, bool wide, const std::string& value, const std::string& why,
            std::string* error) {
    if (error)
        *error = (value.empty() ? "" : "value \"" + value + "\" of ") + "key " +
                 (wide ? std::string(path) : form.cp.ToUtf8(path)) + ": " + why;
    return false;
}

std::string FormatValue(const RegFileValue& v, const Form& form);

// A value with text the code page cannot hold: exact in the version 5 form, as the code page
// shows it in REGEDIT4.
std::string FormatWideValue(const RegFileValue& v, const Form& form) {
    if (!form.utf8) {
        RegFileValue shown{v.wideName ? LossyText(form.cp, v.name) : v.name, v.type,
                           v.wideData ? form.cp.FromUtf16Lossy(Utf16LeUnits(v.data)) : v.data, false, false, v.remove};
        return FormatValue(shown, form);
    }
    std::string line = (v.name.empty() ? "@" : v.wideName ? Quote(v.name, nullptr) : form.Quoted(v.name)) + "=";
    if (v.remove) return line + "-";
    if (!v.wideData) {
        std::string rest = FormatValue(RegFileValue{"", v.type, v.data}, form);
        return line + rest.substr(2);  // past "@="
    }
    std::u16string units = Utf16LeUnits(v.data);
    if (v.type == REG_SZ && v.data.size() % 2 == 0 && !units.empty() && units.back() == 0 && IsWholeUtf16(units) &&
        units.find_first_of(std::u16string_view(u"\0\r\n", 3)) == units.size() - 1) {
        units.pop_back();
        return line + Quote(Utf16ToUtf8(units), nullptr);
    }
    char type[24];
    std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(v.type));
    line += type;
    AppendHexList(&line, Columns(line, true), v.data);
    return line;
}

std::string FormatValue(const RegFileValue& v, const Form& form) {
    if (v.wideName || v.wideData) return FormatWideValue(v, form);
    std::string line = (v.name.empty() ? "@" : form.Quoted(v.name)) + "=";
    if (v.remove) return line + "-";
    std::string_view text(v.data.data(), v.data.empty() ? 0 : v.data.size() - 1);
    if (v.type == REG_SZ && IsPlainString(v.data) && form.Holds(text)) return line + form.Quoted(text);
    if (v.type == REG_DWORD && v.data.size() == 4) return line + FormatDword(v.data);
    char type[24] = "hex:";
    if (v.type != REG_BINARY) std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(v.type));
    line += type;
    // Version 5 holds these texts as UTF-16LE (ValueFault has seen that they convert).
    bool wide = v.type == REG_SZ || v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ;
    AppendHexList(&line, Columns(line, form.utf8), form.utf8 && wide ? Utf16Bytes(form.cp.ToUtf16(v.data)) : v.data);
    return line;
}

std::string Header(const Form& form) { return std::string(form.utf8 ? kHeader5 : kHeader4) + "\r\n\r\n"; }

bool AppendKey(const RegFileKey& key, const Form& form, std::string* out, std::string* error) {
    // A REGEDIT4 file shows a wide path as the code page does.
    const std::string lossy = key.wide && !form.utf8 ? LossyText(form.cp, key.path) : "";
    std::string why = KeyFault(lossy.empty() ? key.path : lossy, key.wide && form.utf8, key.remove, form);
    if (!why.empty()) return Refuse(form, key.path, key.wide, "", why, error);
    for (const RegFileValue& v : key.values)
        if (!(why = ValueFault(v, form)).empty())
            return Refuse(form, key.path, key.wide, v.wideName ? v.name : form.cp.ToUtf8(v.name), why, error);
    *out += key.remove ? "[-" : "[";
    *out += key.wide ? (form.utf8 ? key.path : LossyText(form.cp, key.path)) : form.Text(key.path);
    *out += "]\r\n";
    for (const RegFileValue& v : key.values) {
        *out += FormatValue(v, form);
        *out += "\r\n";
    }
    *out += "\r\n";
    return true;
}

std::optional<std::string> WriteBody(const std::vector<RegFileKey>& keys, const Form& form, std::string* error) {
    std::string out = Header(form);
    for (const RegFileKey& key : keys)
        if (!AppendKey(key, form, &out, error)) return std::nullopt;
    return out;
}

// The version 5 form of a text written in UTF-8.
std::string Utf16File(const std::string& utf8) {
    std::u16string wide;
    Utf8ToUtf16(utf8, &wide);
    return "\xFF\xFE" + Utf16Bytes(wide);
}

}  // namespace

bool ReadRegFile(std::string_view file, const CodePage& cp, const std::function<void(const RegFileOp&)>& step,
                 std::string* error, bool unicode) {
    error->clear();
    std::string utf8;
    std::unique_ptr<Lines> lines;
    if (!OpenFile(file, &utf8, &lines, error)) return false;
    return Parser(cp, *lines, step, unicode).Run(error);
}

bool ReadRegFile(std::istream& in, const CodePage& cp, const std::function<void(const RegFileOp&)>& step,
                 std::string* error, size_t blockSize, bool unicode) {
    error->clear();
    std::string utf8;
    std::unique_ptr<Lines> lines;
    if (!OpenStream(in, std::max<size_t>(blockSize, 1), &utf8, &lines, error)) return false;
    if (!Parser(cp, *lines, step, unicode).Run(error)) return false;
    if (lines->failed()) *error = "the file cannot be read to its end";
    return error->empty();
}

bool ParseRegFile(std::string_view file, const CodePage& cp, std::vector<RegFileOp>* ops, std::string* error,
                  bool unicode) {
    ops->clear();
    std::vector<RegFileOp> steps;
    auto keep = [&](const RegFileOp& op) { steps.push_back(op); };
    if (!ReadRegFile(file, cp, keep, error, unicode)) return false;
    *ops = std::move(steps);
    return true;
}

std::optional<std::string> WriteRegFile4(const std::vector<RegFileKey>& keys, const CodePage& cp, std::string* error) {
    return WriteBody(keys, Form{cp, false}, error);
}

std::string RegFile4Header() { return Header(Form{CodePage(932), false}); }

bool AppendRegFileKey4(const RegFileKey& key, const CodePage& cp, std::string* out, std::string* error) {
    return AppendKey(key, Form{cp, false}, out, error);
}

namespace {

bool IsRegistryChange(const os::Change& change) {
    return change.failed.empty() && (change.kind == os::Change::kKeyCreated || change.kind == os::Change::kKeyDeleted ||
           change.kind == os::Change::kValueSet || change.kind == os::Change::kValueDeleted);
}

// The changes that leave nothing behind: a key created and deleted again, with whatever was
// made in and below it in between, was never there before and is not there after.
std::vector<bool> Vanished(const os::ChangeList& changes, const CodePage& cp) {
    std::vector<bool> vanished(changes.size());
    auto at = [&](const os::Change& change, const std::string& key) {  // the key, or below it
        return IsRegistryChange(change) && change.path.size() >= key.size() &&
               cp.EqualFolded(std::string_view(change.path).substr(0, key.size()), key) &&
               (change.path.size() == key.size() || change.path[key.size()] == '\\');
    };
    for (size_t end = 0; end < changes.size(); ++end) {
        if (changes[end].kind != os::Change::kKeyDeleted) continue;
        for (size_t start = end; start-- > 0;) {
            const os::Change& c = changes[start];
            const bool same = c.path.size() == changes[end].path.size() && at(c, changes[end].path);
            if (same && c.kind == os::Change::kKeyDeleted) break;
            if (!same || c.kind != os::Change::kKeyCreated) continue;
            for (size_t k = start; k <= end; ++k) vanished[k] = vanished[k] || at(changes[k], changes[end].path);
            break;
        }
    }
    return vanished;
}

}  // namespace

std::optional<std::string> WriteChangesReg(const os::ChangeList& changes, const CodePage& cp, std::string* error,
                                           const std::string& note) {
    Form form{cp, true};
    // section: the key the value lines below belong to
    std::string text = Header(form) + (note.empty() ? "" : "; " + note + "\r\n\r\n"), section;
    const std::vector<bool> vanished = Vanished(changes, cp);
    for (size_t n = 0; n < changes.size(); ++n) {
        const os::Change& change = changes[n];
        if (vanished[n] || !change.failed.empty()) continue;
        const bool deleted = change.kind == os::Change::kKeyDeleted || change.kind == os::Change::kValueDeleted;
        const bool value = change.kind == os::Change::kValueSet || change.kind == os::Change::kValueDeleted;
        if (!value && change.kind != os::Change::kKeyCreated && change.kind != os::Change::kKeyDeleted) continue;
        const RegFileValue v{change.name, change.type, change.data, false, false, deleted};
        std::string why = KeyFault(change.path, false, deleted && !value, form);
        if (why.empty() && value) why = ValueFault(v, form);
        if (!why.empty())
            return Refuse(form, change.path, false, value ? cp.ToUtf8(change.name) : "", why, error), std::nullopt;
        std::string path = form.Text(change.path);
        if (!value) {
            if (!section.empty()) text += "\r\n";
            text += (deleted ? "[-" : "[") + path + "]\r\n";
            section = deleted ? "" : path;
            continue;
        }
        if (path != section) {
            if (!section.empty()) text += "\r\n";
            text += "[" + path + "]\r\n";
            section = path;
        }
        text += FormatValue(v, form) + "\r\n";
    }
    return Utf16File(text + "\r\n");
}

std::optional<std::string> WriteRegFile5(const std::vector<RegFileKey>& keys, const CodePage& cp, std::string* error) {
    std::optional<std::string> body = WriteBody(keys, Form{cp, true}, error);
    if (!body) return std::nullopt;
    return Utf16File(*body);
}

}  // namespace sim
