// Code pages 932 and 1252 for the simulated machine.
//
// Code page 1252 is a fixed table. The double-byte half of code page 932 is read once
// from the C library's converter into a table, so that conversions afterwards are
// plain lookups and behave the same whatever the host's locale.
#include "tools/winsim/core/codepage.h"

#include <iconv.h>

#include <array>
#include <utility>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace sim {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Bytes 0x80-0x9F of code page 1252; the five undefined ones pass through as the C1
// controls, as Windows converts them.
constexpr std::array<char16_t, 32> k1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The double-byte table of code page 932: (lead << 8 | trail) -> UTF-16, and back.
struct Table932 {
    std::vector<char16_t> decode = std::vector<char16_t>(65536, 0);
    std::unordered_map<char16_t, uint16_t> encode;
};

const Table932& Get932() {
    static Table932 table;
    static std::once_flag once;
    std::call_once(once, [] {
        iconv_t cd = iconv_open("UTF-16LE", "CP932");
        if (cd == (iconv_t)-1) return;
        // Windows prefers the NEC row 13 and IBM codes over the NEC-selected IBM
        // duplicates in rows 0xED and 0xEE when it encodes: fill those rows last.
        auto fill = [&](unsigned lead) {
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail == 0x7F) continue;
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                char16_t out[2] = {0, 0};
                char* inp = in;
                size_t inLeft = 2;
                char* outp = reinterpret_cast<char*>(out);
                size_t outLeft = sizeof out;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == (size_t)-1 || outLeft != 2) continue;
                uint16_t code = static_cast<uint16_t>(lead << 8 | trail);
                table.decode[code] = out[0];
                table.encode.emplace(out[0], code);  // the first code for a character wins
            }
        };
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead)
            if (CodePage::IsLeadByte932(static_cast<unsigned char>(lead)) && lead != 0xED && lead != 0xEE) fill(lead);
        fill(0xED);
        fill(0xEE);
        iconv_close(cd);
    });
    return table;
}

// Decodes one character at text[i]; advances i. Returns false for undecodable bytes
// (i then advanced past one byte).
bool DecodeOne(unsigned cp, std::string_view text, size_t& i, char16_t* out) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
        *out = b;
        ++i;
        return true;
    }
    if (cp == 1252) {
        *out = b < 0xA0 ? k1252High[b - 0x80] : b;
        ++i;
        return true;
    }
    if (b >= 0xA1 && b <= 0xDF) {  // half-width katakana
        *out = static_cast<char16_t>(0xFF61 + (b - 0xA1));
        ++i;
        return true;
    }
    if (CodePage::IsLeadByte932(b) && i + 1 < text.size()) {
        uint16_t code = static_cast<uint16_t>(b << 8 | static_cast<unsigned char>(text[i + 1]));
        char16_t c = Get932().decode[code];
        if (c != 0) {
            *out = c;
            i += 2;
            return true;
        }
    }
    ++i;
    return false;
}

bool EncodeOne(unsigned cp, char16_t c, std::string* out) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
        return true;
    }
    if (cp == 1252) {
        if (c >= 0xA0 && c <= 0xFF) {
            out->push_back(static_cast<char>(c));
            return true;
        }
        for (size_t k = 0; k < k1252High.size(); ++k) {
            if (k1252High[k] == c) {
                out->push_back(static_cast<char>(0x80 + k));
                return true;
            }
        }
        return false;
    }
    if (c >= 0xFF61 && c <= 0xFF9F) {
        out->push_back(static_cast<char>(0xA1 + (c - 0xFF61)));
        return true;
    }
    const auto& enc = Get932().encode;
    auto it = enc.find(c);
    if (it == enc.end()) return false;
    out->push_back(static_cast<char>(it->second >> 8));
    out->push_back(static_cast<char>(it->second & 0xFF));
    return true;
}

}  // namespace

CodePage::CodePage(unsigned id) : id_(IsSupported(id) ? id : 932) {}

unsigned char CodePage::ToLower(unsigned char b) const {
    if (b >= 'A' && b <= 'Z') return static_cast<unsigned char>(b + 0x20);
    if (id_ == 1252) {
        if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<unsigned char>(b + 0x20);
        if (b == 0x8A || b == 0x8C || b == 0x8E) return static_cast<unsigned char>(b + 0x10);
        if (b == 0x9F) return 0xFF;
    }
    return b;
}

unsigned char CodePage::ToUpper(unsigned char b) const {
    if (b >= 'a' && b <= 'z') return static_cast<unsigned char>(b - 0x20);
    if (id_ == 1252) {
        if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<unsigned char>(b - 0x20);
        if (b == 0x9A || b == 0x9C || b == 0x9E) return static_cast<unsigned char>(b - 0x10);
        if (b == 0xFF) return 0x9F;
    }
    return b;
}

size_t CodePage::CharCount(std::string_view text) const {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++count)
        i += (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
    return count;
}

std::u16string CodePage::ToUtf16(std::string_view text) const {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char16_t c;
        out.push_back(DecodeOne(id_, text, i, &c) ? c : kReplacement);
    }
    return out;
}

bool CodePage::FromUtf16(std::u16string_view text, std::string* out) const {
    out->clear();
    for (char16_t c : text)
        if (!EncodeOne(id_, c, out)) return false;
    return true;
}

std::string CodePage::FromUtf16Lossy(std::u16string_view text) const {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text)
        if (!EncodeOne(id_, c, &out)) out.push_back('?');
    return out;
}

std::string CodePage::ToUtf8(std::string_view text) const { return Utf16ToUtf8(ToUtf16(text)); }

bool CodePage::FromUtf8(std::string_view utf8, std::string* out) const {
    std::u16string wide;
    return Utf8ToUtf16(utf8, &wide) && FromUtf16(wide, out);
}

char16_t CodePage::NextFolded(std::string_view text, size_t* i) const {
    unsigned char b = static_cast<unsigned char>(text[*i]);
    if (b < 0x80) {  // the common case, kept cheap
        ++*i;
        return static_cast<char16_t>(b >= 'a' && b <= 'z' ? b - 0x20 : b);
    }
    size_t start = *i;
    char16_t c;
    if (DecodeOne(id_, text, *i, &c)) return UpcaseUtf16(c);
    *i = start + 1;
    return static_cast<char16_t>(0xDC00 + b);
}

std::u16string CodePage::FoldKey(std::string_view text) const {
    std::u16string key;
    key.reserve(text.size());
    for (size_t i = 0; i < text.size();) key.push_back(NextFolded(text, &i));
    return key;
}

uint64_t CodePage::HashFolded(std::string_view text) const {
    uint64_t hash = 0xCBF29CE484222325ULL;  // FNV-1a over the folded units
    for (size_t i = 0; i < text.size();) {
        hash = (hash ^ NextFolded(text, &i)) * 0x100000001B3ULL;
    }
    return hash;
}

int CodePage::CompareFolded(std::string_view a, std::string_view b) const {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        char16_t x = NextFolded(a, &i), y = NextFolded(b, &j);
        if (x != y) return x < y ? -1 : 1;
    }
    // The one with units left is the longer key; every byte left makes at least one unit.
    return i < a.size() ? 1 : j < b.size() ? -1 : 0;
}

namespace {

// The folded UTF-16 units of a UTF-8 name, one at a time; a character outside the BMP gives
// its two surrogates. Bytes that do not decode give private-use units of their own.
struct WideUnits {
    std::string_view s;
    size_t i = 0;
    char16_t low = 0;  // the second surrogate, still to come
    bool Done() const { return !low && i >= s.size(); }
    char16_t Next() {
        if (low) return std::exchange(low, 0);
        unsigned char b = static_cast<unsigned char>(s[i]);
        size_t extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : 9;
        if (extra == 9 || i + extra >= s.size()) {
            ++i;
            return static_cast<char16_t>(0xDC00 + b);
        }
        uint32_t c = extra ? b & (0x3F >> extra) : b;
        for (size_t k = 1; k <= extra; ++k) c = c << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        i += extra + 1;
        if (c < 0x10000) return UpcaseUtf16(static_cast<char16_t>(c));
        c -= 0x10000;
        low = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        return static_cast<char16_t>(0xD800 + (c >> 10));
    }
};

}  // namespace

int CodePage::CompareNames(std::string_view a, bool aWide, std::string_view b, bool bWide) const {
    if (!aWide && !bWide) return CompareFolded(a, b);
    WideUnits wa{a}, wb{b};
    size_t i = 0, j = 0;
    auto done = [&](bool wide, WideUnits& w, size_t k, std::string_view t) { return wide ? w.Done() : k >= t.size(); };
    while (!done(aWide, wa, i, a) && !done(bWide, wb, j, b)) {
        char16_t x = aWide ? wa.Next() : NextFolded(a, &i);
        char16_t y = bWide ? wb.Next() : NextFolded(b, &j);
        if (x != y) return x < y ? -1 : 1;
    }
    bool aLeft = !done(aWide, wa, i, a), bLeft = !done(bWide, wb, j, b);
    return aLeft ? 1 : bLeft ? -1 : 0;
}

uint64_t CodePage::HashName(std::string_view text, bool wide) const {
    if (!wide) return HashFolded(text);
    uint64_t hash = 0xCBF29CE484222325ULL;
    for (WideUnits w{text}; !w.Done();) hash = (hash ^ w.Next()) * 0x100000001B3ULL;
    return hash;
}

char16_t UpcaseUtf16(char16_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - 0x20) : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
    switch (c) {
        case 0x00FF:
            return 0x0178;
        case 0x0153:
            return 0x0152;
        case 0x0161:
            return 0x0160;
        case 0x017E:
            return 0x017D;
        case 0x0192:
            return 0x0191;
        case 0x03C2:
            return 0x03A3;
        default:
            break;
    }
    if (c >= 0x03B1 && c <= 0x03C9) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x0430 && c <= 0x044F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x0450 && c <= 0x045F) return static_cast<char16_t>(c - 0x50);
    if (c >= 0x2170 && c <= 0x217F) return static_cast<char16_t>(c - 0x10);
    if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
    return c;
}

std::u16string Utf16LeUnits(std::string_view bytes) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t k = 0; k < units.size(); ++k)
        units[k] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                         static_cast<unsigned char>(bytes[2 * k + 1]) << 8);
    return units;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool Utf8ToUtf16(std::string_view text, std::u16string* out) {
    out->clear();
    for (size_t i = 0; i < text.size();) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        uint32_t c;
        size_t extra;
        if (b < 0x80) {
            c = b;
            extra = 0;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (i + extra >= text.size()) return false;  // a sequence cut off by the end
        for (size_t k = 1; k <= extra; ++k) {
            unsigned char t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            c = (c << 6) | (t & 0x3F);
        }
        static const uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        if (c >= 0x10000) {
            c -= 0x10000;
            out->push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out->push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out->push_back(static_cast<char16_t>(c));
        }
        i += extra + 1;
    }
    return true;
}

}  // namespace sim
