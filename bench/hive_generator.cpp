// The generated software hive (see hive_generator.h).
#include "hive_generator.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <unordered_map>
#include <vector>

#include "tools/winsim/core/codepage.h"
#include "tools/winsim/formats/regfile.h"

namespace bench {
namespace {

// xorshift64*: small, and the same sequence on every host.
class Rng {
public:
    uint64_t Next() {
        s_ ^= s_ >> 12;
        s_ ^= s_ << 25;
        s_ ^= s_ >> 27;
        return s_ * 2685821657736338717ULL;
    }
    size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
    size_t Range(size_t low, size_t high) { return low + Below(high - low + 1); }
    bool Chance(unsigned percent) { return Below(100) < percent; }

private:
    uint64_t s_ = 0x5A454E54484F3034ULL;
};

const char* const kWords[] = {"Shell",    "Data",    "View",     "Toolbar",  "Print",   "Options", "Recent",
                              "Security", "Cache",   "Fonts",    "Network",  "Update",  "Plugins", "Dictionary",
                              "Template", "Filters", "Layout",   "Profiles", "Display", "Editor",  "Import",
                              "Export",   "Macros",  "Language", "Spelling", "Colors",  "Sounds",  "Proxy"};
// Japanese words as UTF-8; 表, ソ and 能 end in the byte 0x5C in code page 932.
const char* const kJapaneseWords[] = {
    "設定",         "表示", "印刷", "履歴", "辞書",   "ツールバー", "ユーザー辞書", "最近使ったファイル",
    "ソフトウェア", "機能", "文書", "変換", "表計算", "翻訳",       "一太郎",       "花子"};
const char* const kVendors[] = {"Adobe Systems",
                                "Macromedia",
                                "Netscape",
                                "Qualcomm",
                                "Symantec",
                                "Lotus",
                                "Corel",
                                "RealNetworks",
                                "WinZip Computing",
                                "Intel",
                                "ATI Technologies",
                                "Creative Tech",
                                "Logitech",
                                "Borland",
                                "Sun Microsystems",
                                "Apple Computer, Inc.",
                                "InstallShield",
                                "Trend Micro",
                                "Network Associates",
                                "Nullsoft"};
const char* const kJapaneseVendors[] = {"ジャストシステム", "株式会社アイ・オー・データ機器",
                                        "富士通",           "日立ソフト",
                                        "ソースネクスト",   "システムソフト",
                                        "ロゴヴィスタ",     "東芝",
                                        "バッファロー"};
const char* const kThreading[] = {"Apartment", "Both", "Free", "Neutral"};

class Builder {
public:
    Builder(std::ofstream& out, size_t keys, size_t values, HiveStats* stats)
        : out_(out), keyTarget_(keys), valueTarget_(values), stats_(stats) {
        for (const char* w : kJapaneseWords) japanese_.push_back(Sjis(w));
        for (const char* w : kJapaneseVendors) japaneseVendors_.push_back(Sjis(w));
    }

    Rng rng;
    std::vector<std::string> japanese_, japaneseVendors_;

    bool KeysFull() const { return stats_->keys >= keyTarget_; }
    size_t KeysLeft() const { return keyTarget_ - stats_->keys; }
    size_t ValuesLeft() const { return valueTarget_ - stats_->values; }

    std::string Sjis(const std::string& utf8) const {
        std::string out;
        cp_.FromUtf8(utf8, &out);
        return out;
    }
    std::string Word() {
        return rng.Chance(15) ? japanese_[rng.Below(japanese_.size())] : kWords[rng.Below(std::size(kWords))];
    }
    std::string Guid() {
        char text[40];
        uint64_t a = rng.Next(), b = rng.Next();
        std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%04X-%012llX}", static_cast<unsigned>(a >> 32),
                      static_cast<unsigned>(a >> 16 & 0xFFFF), static_cast<unsigned>(a & 0xFFFF),
                      static_cast<unsigned>(b >> 48), static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFULL));
        return text;
    }
    std::string Hex32() {
        char text[40];
        std::snprintf(text, sizeof text, "%016llX%016llX", static_cast<unsigned long long>(rng.Next()),
                      static_cast<unsigned long long>(rng.Next()));
        return text;
    }
    std::string ProgramPath(const std::string& vendor, const std::string& product) {
        return "C:\\Program Files\\" + vendor + "\\" + product + "\\" + Word() + std::to_string(rng.Below(100)) +
               (rng.Chance(60) ? ".dll" : ".exe");
    }

    // A key below HKEY_LOCAL_MACHINE; its parent must have been added before. Values added
    // next belong to it. Past the key target nothing more is added.
    std::string Key(const std::string& parent, const std::string& name) {
        std::string path = parent.empty() ? name : parent + "\\" + name;
        Close();
        if (KeysFull()) return path;
        open_ = true;
        current_.path = "HKEY_LOCAL_MACHINE\\" + path;
        current_.values.clear();
        ++stats_->keys;
        size_t depth = 1;
        for (size_t i = 0; i < path.size(); ++i) {
            if (cp_.IsLeadByte(static_cast<unsigned char>(path[i]))) {
                ++i;
            } else if (path[i] == '\\') {
                ++depth;
            }
        }
        stats_->maxDepth = std::max(stats_->maxDepth, depth);
        if (HasDoubleByte(name)) ++stats_->japaneseNames;
        if (!parent.empty()) stats_->widestKey = std::max(stats_->widestKey, ++children_[parent]);
        return path;
    }
    void Sz(const std::string& name, const std::string& text) { Value(name, REG_SZ, text + '\0'); }
    void Expand(const std::string& name, const std::string& text) { Value(name, REG_EXPAND_SZ, text + '\0'); }
    void Multi(const std::string& name, const std::string& a, const std::string& b) {
        Value(name, REG_MULTI_SZ, a + '\0' + b + '\0' + '\0');
    }
    void Dword(const std::string& name, uint32_t v) {
        std::string data(4, '\0');
        for (int k = 0; k < 4; ++k) data[k] = static_cast<char>(v >> (8 * k) & 0xFF);
        Value(name, REG_DWORD, data);
    }
    void Binary(const std::string& name, size_t length) {
        std::string data(length, '\0');
        for (auto& byte : data) byte = static_cast<char>(rng.Next() >> 56);
        Value(name, REG_BINARY, data);
    }
    // A value of the usual mix of types.
    void AnyValue(const std::string& name, const std::string& vendor, const std::string& product) {
        size_t pick = rng.Below(100);
        if (pick < 50)
            Sz(name, rng.Chance(30) ? ProgramPath(vendor, product) : Word() + " " + std::to_string(rng.Below(1000)));
        else if (pick < 80)
            Dword(name, static_cast<uint32_t>(rng.Chance(50) ? rng.Below(2) : rng.Next()));
        else if (pick < 92)
            Binary(name, rng.Range(4, 120));
        else if (pick < 97)
            Expand(name, "%ProgramFiles%\\" + vendor + "\\" + product + "\\" + Word());
        else
            Multi(name, Word(), Word());
    }

    void Finish() {
        Close();
        Flush();
    }

private:
    static bool HasDoubleByte(const std::string& text) {
        for (char c : text)
            if (static_cast<unsigned char>(c) >= 0x80) return true;
        return false;
    }
    void Value(const std::string& name, DWORD type, std::string data) {
        if (!open_ || stats_->values >= valueTarget_) return;
        ++stats_->values;
        switch (type) {
            case REG_SZ:
                ++stats_->strings;
                break;
            case REG_DWORD:
                ++stats_->dwords;
                break;
            case REG_BINARY:
                ++stats_->binaries;
                break;
            case REG_EXPAND_SZ:
                ++stats_->expandStrings;
                break;
            default:
                ++stats_->multiStrings;
                break;
        }
        if (HasDoubleByte(name)) ++stats_->japaneseNames;
        current_.values.push_back({name, type, std::move(data)});
    }
    void Close() {
        if (!open_) return;
        open_ = false;
        stats_->mostValues = std::max(stats_->mostValues, current_.values.size());
        pending_.push_back(std::move(current_));
        current_ = sim::RegFileKey();
        if (pending_.size() >= 4096) Flush();
    }
    void Flush() {
        std::string text = sim::WriteRegFile4(pending_, cp_).value();  // the generator's names are plain
        if (!first_) text.erase(0, text.find("\r\n\r\n") + 4);  // the header once, at the top
        first_ = false;
        out_.write(text.data(), static_cast<std::streamsize>(text.size()));
        stats_->bytes += text.size();
        pending_.clear();
    }

    sim::CodePage cp_{932};
    std::ofstream& out_;
    size_t keyTarget_, valueTarget_;
    HiveStats* stats_;
    sim::RegFileKey current_;
    bool open_ = false;
    bool first_ = true;
    std::vector<sim::RegFileKey> pending_;
    std::unordered_map<std::string, size_t> children_;
};

// SOFTWARE\Classes: file types, ProgIDs, COM classes, interfaces and type libraries, in the
// proportions of a desktop with Office and a few dozen programs installed.
void Classes(Builder& b, const std::string& software, size_t scale) {
    std::string classes = b.Key(software, "Classes");
    for (size_t i = 0; i < scale * 3 / 4; ++i) {
        char ext[32];
        std::snprintf(ext, sizeof ext, ".%c%c%c%zu", 'a' + static_cast<char>(i % 26),
                      'a' + static_cast<char>(i / 26 % 26), 'a' + static_cast<char>(i / 676 % 26), i / 17576);
        std::string key = b.Key(classes, ext);
        b.Sz("", std::string(ext + 1) + "file");
        b.Sz("Content Type", "application/x-" + std::string(ext + 1));
        if (i % 3 == 0) {
            b.Key(key, "OpenWithProgids");
            b.Sz(std::string(ext + 1) + "file", "");
        }
    }
    std::vector<std::string> clsids;
    for (size_t i = 0; i < scale * 11; ++i) clsids.push_back(b.Guid());
    for (size_t i = 0; i < scale * 5 / 2; ++i) {
        std::string progId = std::string(kWords[i % std::size(kWords)]) + ".Component" + std::to_string(i) + ".1";
        std::string key = b.Key(classes, progId);
        b.Sz("", b.Word() + " Component " + std::to_string(i));
        b.Key(key, "CLSID");
        b.Sz("", clsids[i % clsids.size()]);
        b.Key(key, "CurVer");
        b.Sz("", progId);
        if (i % 5 == 0) {
            std::string shell = b.Key(key, "shell");
            std::string open = b.Key(shell, "open");
            b.Key(open, "command");
            b.Sz("", "\"C:\\Program Files\\Common Files\\" + b.Word() + "\\app" + std::to_string(i) + ".exe\" \"%1\"");
        }
    }
    std::string clsidRoot = b.Key(classes, "CLSID");
    for (size_t i = 0; i < clsids.size(); ++i) {
        std::string key = b.Key(clsidRoot, clsids[i]);
        b.Sz("", b.Word() + " Class");
        std::string server = b.Key(key, i % 7 == 0 ? "LocalServer32" : "InprocServer32");
        if (i % 4 == 0)
            b.Expand("", "%SystemRoot%\\System32\\" + b.Word() + std::to_string(i % 500) + ".dll");
        else
            b.Sz("", "C:\\WINNT\\System32\\" + b.Word() + std::to_string(i % 500) + ".dll");
        b.Sz("ThreadingModel", kThreading[i % std::size(kThreading)]);
        b.Key(key, "ProgID");
        b.Sz("", std::string(kWords[i % std::size(kWords)]) + ".Component" + std::to_string(i) + ".1");
        if (i % 4 == 0) {
            std::string categories = b.Key(key, "Implemented Categories");
            b.Key(categories, "{7DD95801-9882-11CF-9FA9-00AA006C42C4}");
        }
    }
    std::string interfaces = b.Key(classes, "Interface");
    for (size_t i = 0; i < scale * 6; ++i) {
        std::string key = b.Key(interfaces, b.Guid());
        b.Sz("", "I" + std::string(kWords[i % std::size(kWords)]) + std::to_string(i));
        b.Key(key, "ProxyStubClsid32");
        b.Sz("", "{00020424-0000-0000-C000-000000000046}");
        b.Key(key, "NumMethods");
        b.Sz("", std::to_string(3 + i % 40));
    }
    std::string typeLibs = b.Key(classes, "TypeLib");
    for (size_t i = 0; i < scale * 5 / 4; ++i) {
        std::string key = b.Key(typeLibs, b.Guid());
        std::string version = b.Key(key, "1.0");
        b.Sz("", b.Word() + " Type Library");
        std::string lcid = b.Key(version, "0");
        b.Key(lcid, "win32");
        b.Sz("", "C:\\WINNT\\System32\\" + b.Word() + std::to_string(i) + ".tlb");
        b.Key(version, "FLAGS");
        b.Sz("", "0");
        b.Key(version, "HELPDIR");
        b.Sz("", "C:\\WINNT\\System32");
    }
}

// SOFTWARE\Microsoft\Windows\CurrentVersion: uninstall entries, Windows Installer products
// and components, and SharedDLLs, the one key with thousands of values.
void Windows(Builder& b, const std::string& software, size_t scale) {
    std::string microsoft = b.Key(software, "Microsoft");
    std::string windows = b.Key(microsoft, "Windows");
    std::string current = b.Key(windows, "CurrentVersion");
    b.Sz("ProgramFilesDir", "C:\\Program Files");
    b.Sz("CommonFilesDir", "C:\\Program Files\\Common Files");
    b.Sz("ProductName", "Microsoft Windows 2000");
    std::string uninstall = b.Key(current, "Uninstall");
    for (size_t i = 0; i < scale * 2 / 5; ++i) {
        bool japanese = i % 5 == 0;
        std::string vendor =
            japanese ? b.japaneseVendors_[i % b.japaneseVendors_.size()] : kVendors[i % std::size(kVendors)];
        std::string product =
            (japanese ? b.japanese_[i % b.japanese_.size()] : std::string(kWords[i % std::size(kWords)])) + " " +
            std::to_string(i);
        b.Key(uninstall, b.Guid());
        b.Sz("DisplayName", product);
        b.Sz("DisplayVersion", std::to_string(1 + i % 9) + "." + std::to_string(i % 100));
        b.Sz("Publisher", vendor);
        b.Sz("InstallDate", "2002" + std::to_string(1000 + i % 1231).substr(1));
        b.Sz("InstallLocation", "C:\\Program Files\\" + vendor + "\\" + product);
        b.Sz("InstallSource", "D:\\SETUP\\");
        b.Expand("UninstallString", "MsiExec.exe /I" + b.Guid());
        b.Expand("ModifyPath", "MsiExec.exe /I" + b.Guid());
        b.Dword("EstimatedSize", static_cast<uint32_t>(b.rng.Range(100, 900000)));
        b.Dword("NoModify", 1);
        b.Dword("NoRepair", 1);
        b.Dword("Language", japanese ? 1041 : 1033);
        b.Dword("VersionMajor", static_cast<uint32_t>(1 + i % 9));
        b.Dword("VersionMinor", static_cast<uint32_t>(i % 100));
    }
    std::string installer = b.Key(current, "Installer");
    std::string products = b.Key(installer, "Products");
    for (size_t i = 0; i < scale * 3 / 4; ++i) {
        std::string product = b.Key(products, b.Hex32());
        b.Sz("ProductName", b.Word() + " " + std::to_string(i));
        b.Sz("PackageCode", b.Hex32());
        b.Dword("Language", 1041);
        b.Dword("Version", static_cast<uint32_t>(b.rng.Next()));
        b.Dword("Assignment", 1);
        b.Dword("AdvertiseFlags", 388);
        b.Binary("Clients", 6);
        std::string sources = b.Key(product, "SourceList");
        b.Sz("PackageName", b.Word() + ".msi");
        b.Sz("LastUsedSource", "n;1;D:\\");
        b.Key(sources, "Media");
        b.Sz("1", "DISK1;1");
        b.Sz("DiskPrompt", b.Word());
        b.Key(sources, "Net");
        b.Expand("1", "D:\\");
    }
    std::string components = b.Key(installer, "Components");
    for (size_t i = 0; i < scale * 4; ++i) {
        b.Key(components, b.Hex32());
        for (int k = 0; k < 4; ++k) b.Sz(b.Hex32(), "C:\\Program Files\\" + b.Word() + "\\" + b.Word() + ".dll");
    }
    b.Key(current, "SharedDLLs");
    for (size_t i = 0; i < scale * 3; ++i)
        b.Dword("C:\\WINNT\\System32\\" + b.Word() + std::to_string(i) + ".dll", static_cast<uint32_t>(1 + i % 7));
}

// Vendors' own settings, to the key and value targets: products, versions and sections
// nested up to depth 8, each settings key with a handful to a few dozen values.
void Vendors(Builder& b, const std::string& software) {
    std::function<void(const std::string&, size_t, const std::string&, const std::string&)> section =
        [&](const std::string& parent, size_t depth, const std::string& vendor, const std::string& product) {
            for (size_t n = b.rng.Range(1, 4); n > 0 && !b.KeysFull(); --n) {
                std::string key = b.Key(parent, b.Word() + std::to_string(n));
                size_t average = b.KeysLeft() ? b.ValuesLeft() / b.KeysLeft() : 0;
                size_t count = b.KeysLeft() <= 1 ? b.ValuesLeft() : b.rng.Range(0, 2 * average);
                for (size_t v = 0; v < count; ++v) {
                    std::string name = v == 0 && b.rng.Chance(20) ? "" : b.Word() + std::to_string(v);
                    b.AnyValue(name, vendor, product);
                }
                if (depth < 8 && b.rng.Chance(45)) section(key, depth + 1, vendor, product);
            }
        };
    for (size_t v = 0; !b.KeysFull(); ++v) {
        bool japanese = v % 4 == 1;
        std::string vendor = japanese ? b.japaneseVendors_[v / 4 % b.japaneseVendors_.size()]
                                      : std::string(kVendors[v % std::size(kVendors)]);
        if (v >= std::size(kVendors)) vendor += " " + std::to_string(v);
        std::string vendorKey = b.Key(software, vendor);
        for (size_t p = b.rng.Range(1, 5); p > 0 && !b.KeysFull(); --p) {
            std::string product = japanese ? b.japanese_[b.rng.Below(b.japanese_.size())] + std::to_string(p)
                                           : b.Word() + " " + std::to_string(p);
            std::string productKey = b.Key(vendorKey, product);
            for (size_t r = b.rng.Range(1, 3); r > 0 && !b.KeysFull(); --r) {
                std::string versionKey = b.Key(productKey, std::to_string(r + 3) + ".0");
                b.Sz("Path", "C:\\Program Files\\" + vendor + "\\" + product);
                section(versionKey, 5, vendor, product);
            }
        }
    }
}

}  // namespace

bool WriteHive(const std::string& path, size_t keys, size_t values, HiveStats* stats, std::string* error) {
    *stats = HiveStats();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        *error = path + ": cannot write";
        return false;
    }
    Builder b(out, keys, values, stats);
    // The fixed parts take about three quarters of the keys, as Classes does on a real machine.
    size_t scale = std::max<size_t>(keys / 100, 1);
    std::string software = b.Key("", "SOFTWARE");
    Classes(b, software, scale);
    Windows(b, software, scale);
    Vendors(b, software);
    b.Finish();
    out.close();
    if (!out) {
        *error = path + ": cannot write";
        return false;
    }
    return true;
}

}  // namespace bench
