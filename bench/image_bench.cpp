// The benchmark's offline image (see image_bench.h).
#include "image_bench.h"

#include <hivex.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "platform/os/sim/hive_image.h"
#include "platform/os/sim/regfile.h"

namespace bench {
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

void Put(Keys& keys, const std::string& key, const std::string& name, DWORD type, const std::string& data) {
    bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    std::u16string units;
    if (text) sim::Utf8ToUtf16(data, &units);
    keys[key].push_back({name, type, text ? Utf16Le(units) + std::string(2, '\0') : data});
}

// The steps of a .reg file (code page 932) whose keys begin with `prefix`, into a hive's keys.
bool Collect(const std::string& file, const std::string& prefix, Keys& keys, std::string* error) {
    sim::CodePage cp(932);
    std::ifstream in(file, std::ios::binary);
    auto step = [&](const sim::RegFileOp& op) {
        std::string path = cp.ToUtf8(op.key);
        if (path.compare(0, prefix.size(), prefix) != 0) return;
        path.erase(0, prefix.size());
        auto& values = keys[path];
        if (op.kind != sim::RegFileOp::kSetValue) return;
        bool text = op.type == REG_SZ || op.type == REG_EXPAND_SZ || op.type == REG_MULTI_SZ;
        values.push_back({cp.ToUtf8(op.valueName), op.type, text ? Utf16Le(cp.ToUtf16(op.data)) : op.data});
    };
    return in && sim::ReadRegFile(in, cp, step, error);
}

bool WriteHive(const fs::path& path, const Keys& keys, size_t* bytes, std::string* error) {
    fs::create_directories(path.parent_path());
    if (!sim::WriteEmptyHive(path.string(), error)) return false;
    hive_h* h = hivex_open(path.c_str(), HIVEX_OPEN_WRITE);
    if (!h) return (*error = path.string() + ": hivex cannot open it"), false;
    std::map<std::string, hive_node_h> nodes = {{"", hivex_root(h)}};
    std::function<hive_node_h(const std::string&)> node = [&](const std::string& key) {
        auto it = nodes.find(key);
        if (it != nodes.end()) return it->second;
        size_t cut = key.rfind('\\');
        hive_node_h parent = node(cut == std::string::npos ? "" : key.substr(0, cut));
        std::string name = cut == std::string::npos ? key : key.substr(cut + 1);
        hive_node_h made = parent ? hivex_node_add_child(h, parent, name.c_str()) : 0;
        return nodes[key] = made;
    };
    bool ok = true;
    for (const auto& [key, values] : keys) {
        hive_node_h at = node(key);
        std::vector<hive_set_value> set;
        for (const Value& v : values)
            set.push_back({const_cast<char*>(v.name.c_str()), static_cast<hive_type>(v.type), v.data.size(),
                           const_cast<char*>(v.data.data())});
        if (!at || (!set.empty() && hivex_node_set_values(h, at, set.size(), set.data(), 0) != 0)) {
            *error = path.string() + ": hivex cannot write " + key;
            ok = false;
            break;
        }
    }
    ok = ok && hivex_commit(h, nullptr, 0) == 0;
    hivex_close(h);
    if (ok) *bytes += fs::file_size(path);
    return ok;
}

}  // namespace

bool WriteImage(const std::string& dir, const std::string& generatedReg, size_t* hiveBytes, size_t* softwareBytes,
                std::string* error) {
    fs::path root(dir), sample = fs::path(ZENTHO_SOURCE_DIR) / "examples/sample-machine";
    std::error_code ec;
    fs::copy(sample / "drives/C", root, fs::copy_options::recursive, ec);
    Keys software, system, user;
    std::string profile = "Documents and Settings\\taro";
    Put(system, "Select", "Current", REG_DWORD, std::string("\1\0\0\0", 4));
    Put(system, "ControlSet001\\Control\\Nls\\CodePage", "ACP", REG_SZ, "932");
    Put(system, "ControlSet001\\Control\\Session Manager\\Environment", "Path", REG_EXPAND_SZ,
        "%SystemRoot%\\system32;%SystemRoot%");
    Put(software, "Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion", REG_SZ, "5.0");
    Put(software, "Microsoft\\Windows NT\\CurrentVersion", "CurrentBuildNumber", REG_SZ, "2195");
    Put(software, "Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + std::string(kSid), "ProfileImagePath",
        REG_EXPAND_SZ, "%SystemDrive%\\" + profile);
    Put(software, "Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", REG_SZ, "C:\\Program Files");
    Put(user, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", "AppData", REG_EXPAND_SZ,
        "%USERPROFILE%\\Application Data");
    for (const char* file : {"00-windows.reg", "10-applications.reg", "20-user.reg"}) {
        if (!Collect((sample / file).string(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\", software, error) ||
            !Collect((sample / file).string(), "HKEY_USERS\\" + std::string(kSid) + "\\", user, error))
            return false;
    }
    if (!Collect(generatedReg, "HKEY_LOCAL_MACHINE\\SOFTWARE\\", software, error)) return false;
    fs::path config = root / "WINNT/system32/config";
    *hiveBytes = 0;
    if (!WriteHive(config / "SOFTWARE", software, hiveBytes, error)) return false;
    *softwareBytes = *hiveBytes;
    return WriteHive(config / "SYSTEM", system, hiveBytes, error) &&
           WriteHive(root / "Documents and Settings/taro/NTUSER.DAT", user, hiveBytes, error);
}

}  // namespace bench
