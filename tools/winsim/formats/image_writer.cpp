// Offline images written from a machine folder (see image_writer.h).
#include "tools/winsim/formats/image_writer.h"

#include <hivex.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "tools/winsim/formats/hive_image.h"
#include "tools/winsim/formats/regfile.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

const char* const kSid = "S-1-5-21-1708537768-1957994488-839522115-1003";  // the sample machine's user

struct Value {
    std::string name;
    DWORD type;
    std::string data;  // string types in UTF-16LE, as a hive holds them
};
// A hive's keys, by UTF-8 path below its root, with their values.
using Keys = std::map<std::string, std::vector<Value>>;

std::string Utf16Le(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return out;
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Sets a value of the image's own, in place of one the machine folder gave (a string's data in UTF-8).
void Put(Keys& keys, const std::string& key, const std::string& name, DWORD type, const std::string& data) {
    std::u16string units;
    if (IsText(type)) sim::Utf8ToUtf16(data, &units);
    auto& values = keys[key];
    values.erase(std::remove_if(values.begin(), values.end(), [&](const Value& v) { return v.name == name; }),
                 values.end());
    values.push_back({name, type, IsText(type) ? Utf16Le(units) + std::string(2, '\0') : data});
}

// Where Vista and later keep what Windows 2000 and XP keep in these folders, below C:\ ("*" is
// any one name: the user's). The first that begins a path moves it.
constexpr std::pair<const char*, const char*> kVistaFolders[] = {
    {"Documents and Settings\\All Users", "ProgramData"},
    {"Documents and Settings\\*\\Local Settings\\Application Data", "Users\\*\\AppData\\Local"},
    {"Documents and Settings\\*\\Application Data", "Users\\*\\AppData\\Roaming"},
    {"Documents and Settings\\*\\My Documents", "Users\\*\\Documents"},
    {"Documents and Settings", "Users"},
    {"WINNT", "Windows"}};

std::vector<std::string> Names(const std::string& path) {
    std::vector<std::string> names;
    for (size_t from = 0, end; from <= path.size(); from = end + 1) {
        end = std::min(path.find('\\', from), path.size());
        names.push_back(path.substr(from, end - from));
    }
    return names;
}

// A path below C:\ (names between backslashes) where the layout keeps it.
std::string Relocate(const std::string& path, ImageLayout layout) {
    if (layout == ImageLayout::kXp) return path;
    const std::vector<std::string> names = Names(path);
    for (const auto& [from, to] : kVistaFolders) {
        const std::vector<std::string> pattern = Names(from);
        if (names.size() < pattern.size()) continue;
        std::string any, moved;
        bool same = true;
        for (size_t k = 0; same && k < pattern.size(); ++k) {
            if (pattern[k] == "*") any = names[k];
            same = pattern[k] == "*" || strcasecmp(pattern[k].c_str(), names[k].c_str()) == 0;
        }
        if (!same) continue;
        for (const std::string& name : Names(to)) moved += (moved.empty() ? "" : "\\") + (name == "*" ? any : name);
        for (size_t k = pattern.size(); k < names.size(); ++k) moved += "\\" + names[k];
        return moved;
    }
    return path;
}

// A text with every path on C: where the layout keeps it (a path runs to a quote or a semicolon).
std::string RelocateText(const std::string& text, ImageLayout layout) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        const bool drive = at + 3 <= text.size() && (text[at] == 'C' || text[at] == 'c') && text.compare(at + 1, 2, ":\\") == 0;
        if (!drive) {
            out += text[at++];
            continue;
        }
        const size_t end = std::min(text.find_first_of("\";", at), text.size());
        out += text.substr(at, 3) + Relocate(text.substr(at + 3, end - at - 3), layout);
        at = end;
    }
    return out;
}

// The steps of a .reg file (code page 932) whose keys begin with `prefix`, into a hive's keys.
bool Collect(const std::string& file, const std::string& prefix, ImageLayout layout, Keys& keys, std::string* error) {
    sim::CodePage cp(932);
    std::ifstream in(file, std::ios::binary);
    auto step = [&](const sim::RegFileOp& op) {
        std::string path = cp.ToUtf8(op.key);
        if (path.compare(0, prefix.size(), prefix) != 0) return;
        path.erase(0, prefix.size());
        auto& values = keys[path];
        if (op.kind != sim::RegFileOp::kSetValue) return;
        std::u16string units;
        if (IsText(op.type)) sim::Utf8ToUtf16(RelocateText(cp.ToUtf8(op.data), layout), &units);
        values.push_back({cp.ToUtf8(op.valueName), op.type, IsText(op.type) ? Utf16Le(units) : op.data});
    };
    return in && sim::ReadRegFile(in, cp, step, error);
}

// The drive's files and folders, each where the layout keeps it.
bool CopyDrive(const fs::path& drive, const fs::path& root, ImageLayout layout, std::string* error) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(drive, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::string relative = it->path().lexically_relative(drive).string();
        std::replace(relative.begin(), relative.end(), '/', '\\');
        relative = Relocate(relative, layout);
        std::replace(relative.begin(), relative.end(), '\\', '/');
        const fs::path target = root / relative;
        if (it->is_directory(ec))
            fs::create_directories(target, ec);
        else if (fs::create_directories(target.parent_path(), ec), !ec)
            fs::copy_file(it->path(), target, fs::copy_options::overwrite_existing, ec);
    }
    if (ec) *error = drive.string() + ": cannot copy to " + root.string() + ": " + ec.message();
    return !ec;
}

// The hive file itself, laid out as Windows lays one out: hivex's writing functions, which the
// tests use, copy a key's whole subkey list for every subkey they add and leave the copies
// behind, which for a key of 22,000 subkeys alone comes to two gigabytes. So the benchmark
// writes its hive in one go: cells in bins, each subkey list once ("lf", sorted), one shared
// security record; hivex then reads it like any other.
class HiveLayout {
public:
    // The cell of `bytes`, at its offset from the first bin.
    uint32_t Cell(const std::string& bytes) {
        size_t size = (bytes.size() + 4 + 7) & ~size_t(7);
        if (used_ + size > binEnd_) NewBin(size);
        uint32_t at = static_cast<uint32_t>(used_);
        Put32(at, static_cast<uint32_t>(-static_cast<int32_t>(size)));
        bins_.replace(at + 4, bytes.size(), bytes);
        used_ += size;
        return at;
    }
    void Put32(size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k) bins_[at + k] = static_cast<char>(v >> (8 * k));
    }
    std::string File(uint32_t root) {
        NewBin(0);  // closes the last bin
        bins_.resize(binStart_);
        std::string head(0x1000, '\0');
        auto put = [&](size_t at, uint32_t v) {
            for (int k = 0; k < 4; ++k) head[at + k] = static_cast<char>(v >> (8 * k));
        };
        head.replace(0, 4, "regf");
        put(4, 1), put(8, 1), put(0x14, 1), put(0x18, 3), put(0x20, 1), put(0x24, root);
        put(0x28, static_cast<uint32_t>(bins_.size())), put(0x2C, 1);
        uint32_t sum = 0;
        for (size_t at = 0; at < 0x1FC; at += 4)
            for (int k = 0; k < 4; ++k)
                sum ^= static_cast<uint32_t>(static_cast<unsigned char>(head[at + k])) << (8 * k);
        put(0x1FC, sum);
        return head + bins_;
    }

private:
    // Ends the bin (its rest a free cell) and starts one that holds at least `cell` bytes.
    void NewBin(size_t cell) {
        if (binEnd_ > used_) Put32(used_, static_cast<uint32_t>(binEnd_ - used_));
        binStart_ = binEnd_;
        if (cell == 0) return;
        size_t size = std::max<size_t>(1 << 20, (cell + 0x20 + 0xFFF) & ~size_t(0xFFF));
        bins_.resize(binStart_ + size, '\0');
        bins_.replace(binStart_, 4, "hbin");
        Put32(binStart_ + 4, static_cast<uint32_t>(binStart_));
        Put32(binStart_ + 8, static_cast<uint32_t>(size));
        binEnd_ = binStart_ + size;
        used_ = binStart_ + 0x20;
    }
    std::string bins_;
    size_t binStart_ = 0, binEnd_ = 0, used_ = 0;
};

std::string Le16(uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(static_cast<uint16_t>(v)) + Le16(static_cast<uint16_t>(v >> 16)); }

// A name as a hive keeps it: Latin-1 when it can be, UTF-16LE otherwise.
std::string HiveName(const std::string& utf8, bool* latin1) {
    std::u16string units;
    sim::Utf8ToUtf16(utf8, &units);
    *latin1 = std::all_of(units.begin(), units.end(), [](char16_t c) { return c < 0x100; });
    std::string out;
    for (char16_t c : units) out += *latin1 ? std::string(1, static_cast<char>(c)) : Le16(c);
    return out;
}

struct Node {
    std::vector<Value> values;
    std::map<std::string, Node> children;  // by upper-case name, as the subkey list is sorted
    std::string name;
};

uint32_t WriteNode(HiveLayout& out, const Node& node, uint32_t sk, std::vector<std::pair<uint32_t, size_t>>* parents,
                   bool root) {
    std::vector<uint32_t> children, values;
    for (const auto& [upper, child] : node.children) children.push_back(WriteNode(out, child, sk, parents, false));
    for (const Value& v : node.values) {
        bool latin1;
        std::string name = HiveName(v.name, &latin1);
        std::string vk = "vk" + Le16(static_cast<uint16_t>(name.size()));
        if (v.data.size() <= 4)
            vk +=
                Le32(static_cast<uint32_t>(v.data.size()) | 0x80000000u) + (v.data + std::string(4, '\0')).substr(0, 4);
        else
            vk += Le32(static_cast<uint32_t>(v.data.size())) + Le32(out.Cell(v.data));
        values.push_back(out.Cell(vk + Le32(v.type) + Le16(latin1 ? 1 : 0) + Le16(0) + name));
    }
    std::string list, lf = "lf" + Le16(static_cast<uint16_t>(children.size()));
    for (uint32_t v : values) list += Le32(v);
    size_t k = 0;
    for (const auto& [upper, child] : node.children)
        lf += Le32(children[k++]) + (upper + std::string(4, '\0')).substr(0, 4);
    bool latin1;
    std::string name = HiveName(node.name, &latin1);
    std::string nk =
        "nk" + Le16(static_cast<uint16_t>((latin1 ? 0x20 : 0) | (root ? 0x0C : 0))) + std::string(12, '\0');
    nk += Le32(0xFFFFFFFF) + Le32(static_cast<uint32_t>(children.size())) + Le32(0);
    nk += Le32(children.empty() ? 0xFFFFFFFF : out.Cell(lf)) + Le32(0xFFFFFFFF);
    nk += Le32(static_cast<uint32_t>(values.size())) + Le32(values.empty() ? 0xFFFFFFFF : out.Cell(list));
    nk +=
        Le32(sk) + Le32(0xFFFFFFFF) + std::string(20, '\0') + Le16(static_cast<uint16_t>(name.size())) + Le16(0) + name;
    uint32_t at = out.Cell(nk);
    for (uint32_t child : children) parents->emplace_back(child + 4 + 0x10, at);  // each child's parent field
    return at;
}

bool WriteHive(const fs::path& path, const Keys& keys, size_t* bytes, std::string* error) {
    Node root;
    root.name = "ROOT";
    for (const auto& [key, values] : keys) {
        Node* node = &root;
        for (size_t at = 0, end; at < key.size(); at = end + 1) {
            end = std::min(key.find('\\', at), key.size());
            std::string name = key.substr(at, end - at), upper = name;
            for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            node = &node->children[upper];
            node->name = name;
        }
        node->values.insert(node->values.end(), values.begin(), values.end());
    }
    HiveLayout out;
    std::string descriptor = Le32(0x80040001) + std::string(16, '\0');  // self-relative, nothing set
    uint32_t sk = out.Cell("sk" + Le16(0) + Le32(0) + Le32(0) + Le32(static_cast<uint32_t>(keys.size() + 1)) +
                           Le32(static_cast<uint32_t>(descriptor.size())) + descriptor);
    out.Put32(sk + 4 + 4, sk);  // the list of security records is this one alone
    out.Put32(sk + 4 + 8, sk);
    std::vector<std::pair<uint32_t, size_t>> parents;
    uint32_t top = WriteNode(out, root, sk, &parents, true);
    for (const auto& [field, parent] : parents) out.Put32(field, static_cast<uint32_t>(parent));
    std::string file = out.File(top);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(file.data(), static_cast<std::streamsize>(file.size()));
    hive_h* h = hivex_open(path.c_str(), 0);  // what the image loader will read
    if (!h) return (*error = path.string() + ": hivex refuses the hive written"), false;
    hivex_close(h);
    *bytes += file.size();
    return true;
}

}  // namespace

bool WriteImage(const std::string& machineFolder, const std::string& dir, const std::string& extraReg,
                ImageLayout layout, size_t* hiveBytes, size_t* softwareBytes, std::string* error) {
    fs::path root(dir), sample(machineFolder);
    if (!CopyDrive(sample / "drives/C", root, layout, error)) return false;
    Keys software, system, user;
    for (const char* file : {"00-windows.reg", "10-applications.reg", "20-user.reg"}) {
        if (!Collect((sample / file).string(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\", layout, software, error) ||
            !Collect((sample / file).string(), "HKEY_USERS\\" + std::string(kSid) + "\\", layout, user, error))
            return false;
    }
    if (!extraReg.empty() && !Collect(extraReg, "HKEY_LOCAL_MACHINE\\SOFTWARE\\", layout, software, error))
        return false;
    // What Windows itself keeps: the control set, the code page, its version, where its users'
    // profiles are, and the user's own shell folders.
    const bool vista = layout == ImageLayout::kVista;
    const std::string profiles = vista ? "Users" : "Documents and Settings";
    const std::string windir = vista ? "Windows" : "WINNT";
    const std::string version = "Microsoft\\Windows NT\\CurrentVersion", list = version + "\\ProfileList";
    Put(system, "Select", "Current", REG_DWORD, std::string("\1\0\0\0", 4));
    Put(system, "ControlSet001\\Control\\Nls\\CodePage", "ACP", REG_SZ, "932");
    Put(system, "ControlSet001\\Control\\Session Manager\\Environment", "Path", REG_EXPAND_SZ,
        "%SystemRoot%\\system32;%SystemRoot%");
    Put(software, version, "CurrentVersion", REG_SZ, vista ? "6.1" : "5.0");
    Put(software, version, "CurrentBuildNumber", REG_SZ, vista ? "7601" : "2195");
    Put(software, version, "SystemRoot", REG_SZ, "C:\\" + windir);
    Put(software, list, "ProfilesDirectory", REG_EXPAND_SZ, "%SystemDrive%\\" + profiles);
    Put(software, list + "\\" + kSid, "ProfileImagePath", REG_EXPAND_SZ, "%SystemDrive%\\" + profiles + "\\taro");
    Put(software, "Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", REG_SZ, "C:\\Program Files");
    Put(user, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", "AppData", REG_EXPAND_SZ,
        vista ? "%USERPROFILE%\\AppData\\Roaming" : "%USERPROFILE%\\Application Data");
    fs::path config = root / windir / "system32/config";
    *hiveBytes = 0;
    if (!WriteHive(config / "SOFTWARE", software, hiveBytes, error)) return false;
    *softwareBytes = *hiveBytes;
    return WriteHive(config / "SYSTEM", system, hiveBytes, error) &&
           WriteHive(root / profiles / "taro/NTUSER.DAT", user, hiveBytes, error);
}

}  // namespace sim
