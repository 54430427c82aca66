// The simulated machine's ANSI code page: 932 (Shift-JIS) or 1252 (Western).
//
// Text in the simulation is bytes in this code page, as the A-functions of Windows
// see it. This class answers the byte-level questions (lead bytes, lower and upper
// case of single-byte letters) and converts to and from UTF-8 and UTF-16 for files,
// display and the registry's case-insensitive name order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

class CodePage {
public:
    explicit CodePage(unsigned id = 932);

    static bool IsSupported(unsigned id) { return id == 932 || id == 1252; }

    unsigned id() const { return id_; }
    // Inline: the readers ask it of every byte they read.
    static bool IsLeadByte932(unsigned char byte) {
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    }
    bool IsLeadByte(unsigned char byte) const { return id_ == 932 && IsLeadByte932(byte); }
    // Single-byte letters only; double-byte characters are never case-mapped.
    unsigned char ToLower(unsigned char byte) const;
    unsigned char ToUpper(unsigned char byte) const;

    // Number of characters: a lead byte and its trail byte count as one, and a lead
    // byte at the very end counts as one too.
    size_t CharCount(std::string_view text) const;

    // Conversions. ToUtf8 never fails: bytes that do not decode are shown as U+FFFD.
    // The From* functions fail for characters that the code page cannot hold.
    std::string ToUtf8(std::string_view text) const;
    bool FromUtf8(std::string_view utf8, std::string* out) const;
    std::u16string ToUtf16(std::string_view text) const;
    bool FromUtf16(std::u16string_view text, std::string* out) const;
    // As an ANSI program sees UTF-16 text: each unit the code page cannot hold becomes the
    // default character '?' (a character outside the BMP is two units, so two).
    std::string FromUtf16Lossy(std::u16string_view text) const;

    // The key under which Windows NT orders and matches registry and file names:
    // the UTF-16 form with letters upper-cased. Undecodable bytes map to private-use
    // code points so that distinct byte strings keep distinct keys.
    std::u16string FoldKey(std::string_view text) const;
    // FoldKey(a) compared with FoldKey(b) (<0, 0, >0), unit by unit as they come: the
    // registry compares names on every lookup, and building both keys cost more than
    // the rest of the lookup together.
    int CompareFolded(std::string_view a, std::string_view b) const;
    bool EqualFolded(std::string_view a, std::string_view b) const { return CompareFolded(a, b) == 0; }
    // A hash of FoldKey(text): names that fold alike hash alike.
    uint64_t HashFolded(std::string_view text) const;
    // The same for names that are either in the code page or, `wide`, UTF-8 for text the code
    // page cannot hold: an NT registry keeps such names, and orders them among the others by
    // their UTF-16 units.
    int CompareNames(std::string_view a, bool aWide, std::string_view b, bool bWide) const;
    uint64_t HashName(std::string_view text, bool wide) const;

private:
    char16_t NextFolded(std::string_view text, size_t* i) const;  // the unit at *i; moves *i on

    unsigned id_;
};

// Upper case of one UTF-16 code unit, for the letters that the two code pages hold
// (ASCII, Latin-1, the 1252 extras, Greek, Cyrillic, Roman numerals, full-width).
char16_t UpcaseUtf16(char16_t c);

std::string Utf16ToUtf8(std::u16string_view text);
bool Utf8ToUtf16(std::string_view text, std::u16string* out);
// The code units of UTF-16LE bytes, as a registry stores wide text (an odd last byte is dropped).
std::u16string Utf16LeUnits(std::string_view bytes);

}  // namespace sim
