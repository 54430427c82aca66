// Offline Windows images (see hive_image.h).
#include "tools/winsim/formats/hive_image.h"

#include <hivex.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "tools/winsim/core/host_file.h"
#include "tools/winsim/formats/machine_folder.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

constexpr off_t kSmallestHive = 0x2000;

// One hive file, open for reading for as long as the machine lives; the source of its lazy keys.
class HiveFile : public KeySource {
public:
    static std::shared_ptr<HiveFile> Open(const fs::path& path, std::string* error) {
        // hivex opens the file it is given by name: it gets the one checked here, through its
        // descriptor, so nothing swapped in between is read.
        UniqueFd fd = OpenInput(path.string(), error);
        if (!fd) return nullptr;
        // hivex says no more of a file too short for a hive than "Invalid argument".
        struct stat st;
        if (::fstat(fd.get(), &st) == 0 && st.st_size < kSmallestHive) {
            *error = path.string() + ": " + (st.st_size ? std::to_string(st.st_size) + " bytes" : "an empty file") +
                     ", not a registry hive (which has a header and a bin of 4 KiB each at least)";
            return nullptr;
        }
        errno = 0;
        hive_h* h = hivex_open(("/proc/self/fd/" + std::to_string(fd.get())).c_str(), 0);
        if (!h) {
            int e = errno;
            *error = path.string() + ": " + (e == ENOTSUP || e == EINVAL || e == 0 ? "not a registry hive" : std::strerror(e));
            return nullptr;
        }
        return std::shared_ptr<HiveFile>(new HiveFile(h));
    }
    ~HiveFile() override { hivex_close(h_); }

    uint64_t Root() const { return hivex_root(h_); }

    void Fill(Registry& registry, RegKey* key, uint64_t node) override {
        // A damaged hive whose keys loop back on themselves ends at the deepest a key may be
        // instead of making keys for ever.
        size_t depth = 0;
        for (RegKey* up = key; up && depth <= kMaxKeyDepth; up = up->parent) ++depth;
        hive_node_h* children = depth <= kMaxKeyDepth ? hivex_node_children(h_, node) : nullptr;
        if (children) {
            for (hive_node_h* c = children; *c; ++c) {
                char* name = hivex_node_name(h_, *c);
                if (name && *name) registry.AddSubkey(key, name, std::make_unique<LazyKey>(LazyKey{this, nullptr, *c}));
                std::free(name);
            }
            std::free(children);
        }
        if (hive_value_h* values = hivex_node_values(h_, node)) {
            for (hive_value_h* v = values; *v; ++v) {
                char* name = hivex_value_key(h_, *v);
                uint32_t type = 0;
                size_t length = 0;
                char* data = name ? hivex_value_value(h_, *v, Type(&type), &length) : nullptr;
                if (data) registry.PutValueUnicode(key, name, type, std::string(data, length), true);
                std::free(data);
                std::free(name);
            }
            std::free(values);
        }
    }

    // The node at a path of names below `from` (backslashes between them), or 0.
    uint64_t Find(uint64_t from, std::string_view path) const {
        while (from && !path.empty()) {
            size_t cut = std::min(path.find('\\'), path.size());
            std::string name(path.substr(0, cut));
            from = hivex_node_get_child(h_, from, name.c_str());
            path.remove_prefix(std::min(cut + 1, path.size()));
        }
        return from;
    }
    // A string value in UTF-8.
    bool String(uint64_t node, const char* name, std::string* out) const {
        hive_value_h value = node ? hivex_node_get_value(h_, node, name) : 0;
        char* text = value ? hivex_value_string(h_, value) : nullptr;
        if (!text) return false;
        out->assign(text);
        std::free(text);
        return true;
    }
    bool Dword(uint64_t node, const char* name, DWORD* out) const {
        hive_value_h value = node ? hivex_node_get_value(h_, node, name) : 0;
        uint32_t type = 0;
        size_t length = 0;
        if (!value || hivex_value_type(h_, value, Type(&type), &length) != 0 || type != REG_DWORD || length != 4)
            return false;
        *out = static_cast<DWORD>(hivex_value_dword(h_, value));
        return true;
    }
    // Every string value of a key, name and text in UTF-8, and whether it is REG_EXPAND_SZ.
    struct Text {
        std::string name, text;
        bool expand;
    };
    std::vector<Text> Strings(uint64_t node) const {
        std::vector<Text> out;
        hive_value_h* values = node ? hivex_node_values(h_, node) : nullptr;
        for (hive_value_h* v = values; v && *v; ++v) {
            uint32_t type = 0;
            size_t length;
            char* name = hivex_value_key(h_, *v);
            char* text = nullptr;
            if (name && hivex_value_type(h_, *v, Type(&type), &length) == 0 &&
                (type == REG_SZ || type == REG_EXPAND_SZ))
                text = hivex_value_string(h_, *v);
            if (text) out.push_back({name, text, type == REG_EXPAND_SZ});
            std::free(text);
            std::free(name);
        }
        std::free(values);
        return out;
    }
    std::vector<std::pair<std::string, uint64_t>> Children(uint64_t node) const {
        std::vector<std::pair<std::string, uint64_t>> out;
        hive_node_h* children = node ? hivex_node_children(h_, node) : nullptr;
        for (hive_node_h* c = children; c && *c; ++c) {
            char* name = hivex_node_name(h_, *c);
            if (name) out.emplace_back(name, *c);
            std::free(name);
        }
        std::free(children);
        return out;
    }

private:
    explicit HiveFile(hive_h* h) : h_(h) {}
    // hivex hands over whatever type number the file holds, which need not be one its enum
    // names: it lands in a number, never in the enum.
    static hive_type* Type(uint32_t* number) {
        static_assert(sizeof(hive_type) == sizeof(uint32_t), "hivex's type is a 32-bit number");
        return reinterpret_cast<hive_type*>(number);
    }
    hive_h* h_;
};

bool IEquals(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

// A host item below `folder` named without regard to case, one name after another; "" if missing.
fs::path Below(const fs::path& folder, std::initializer_list<const char*> names) {
    fs::path at = folder;
    for (const char* name : names) {
        std::error_code ec;
        fs::path found;
        for (const auto& entry : fs::directory_iterator(at, ec))
            if (IEquals(entry.path().filename().string(), name)) found = entry.path();
        if (found.empty()) return {};
        at = found;
    }
    return at;
}

// The host item a Windows path below C:\ names on the volume, each name without regard to
// case; "" if missing, or when the path is not on C:.
fs::path OnVolume(const fs::path& root, const std::string& windowsPath) {
    if (windowsPath.size() < 3 || (windowsPath[0] != 'C' && windowsPath[0] != 'c') || windowsPath.compare(1, 2, ":\\"))
        return {};
    fs::path at = root;
    for (size_t from = 3; from < windowsPath.size() && !at.empty();) {
        size_t end = std::min(windowsPath.find('\\', from), windowsPath.size());
        const std::string name = windowsPath.substr(from, end - from);
        if (!name.empty() && name != "." && name != "..") at = Below(at, {name.c_str()});
        from = end + 1;
    }
    return at;
}

// %NAME% replaced from the environment built so far (names without regard to case); an
// unknown name stays as it is, as ExpandEnvironmentStrings leaves it.
std::string Expand(const std::string& text, const std::vector<std::pair<std::string, std::string>>& env) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        size_t close = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
        if (close == std::string::npos) {
            out += text[i++];
            continue;
        }
        std::string name = text.substr(i + 1, close - i - 1);
        auto it = std::find_if(env.begin(), env.end(), [&](const auto& e) { return IEquals(e.first, name); });
        if (it == env.end()) {
            out += '%' + name;
            i = close;  // the closing % may open the next name
        } else {
            out += it->second;
            i = close + 1;
        }
    }
    return out;
}

// The shell folders a user's Shell Folders key names, by CSIDL.
constexpr std::pair<const char*, int> kShellFolders[] = {
    {"Desktop", 0x10}, {"Programs", 0x02},   {"Personal", 0x05},      {"Favorites", 0x06}, {"Startup", 0x07},
    {"Recent", 0x08},  {"SendTo", 0x09},     {"Start Menu", 0x0B},    {"NetHood", 0x13},   {"Templates", 0x15},
    {"AppData", 0x1A}, {"PrintHood", 0x1B},  {"Local AppData", 0x1C}, {"Cache", 0x20},     {"Cookies", 0x21},
    {"History", 0x22}, {"My Pictures", 0x27}};

// A user's profile: the SID whose key ProfileList gives it, its folder as a Windows path and on
// the volume. Texts in UTF-8.
struct Profile {
    std::string sid, path;
    fs::path folder;
    std::string Name() const { return path.substr(path.find_last_of('\\') + 1); }
    std::string Describe() const { return Name() + " (" + sid + ", " + path + ")"; }
};

// The profiles of the users who log on (S-1-5-21 SIDs) that ProfileList names and whose
// NTUSER.DAT is on the volume, as Windows finds them. Only an image whose list names none (a
// damaged hive) is looked at by its profile folders instead, with no SID to give.
std::vector<Profile> Profiles(const HiveFile& software, uint64_t list, const fs::path& root, const std::string& windir) {
    const std::vector<std::pair<std::string, std::string>> env = {
        {"SystemDrive", "C:"}, {"SystemRoot", windir}, {"windir", windir}};
    std::vector<Profile> profiles;
    for (const auto& [sid, node] : software.Children(list)) {
        Profile p{sid, "", {}};
        if (sid.rfind("S-1-5-21-", 0) != 0 || !software.String(node, "ProfileImagePath", &p.path)) continue;
        p.path = Expand(p.path, env);
        p.folder = OnVolume(root, p.path);
        if (!p.folder.empty() && !Below(p.folder, {"NTUSER.DAT"}).empty()) profiles.push_back(p);
    }
    if (!profiles.empty()) return profiles;
    for (const char* layout : {"Documents and Settings", "Users"}) {
        std::error_code ec;
        const fs::path folder = Below(root, {layout});
        if (folder.empty()) continue;
        for (const auto& entry : fs::directory_iterator(folder, ec)) {
            const std::string name = entry.path().filename().string();
            bool service = false;
            for (const char* other : {"Default User", "Default", "All Users", "Public", "LocalService",
                                      "NetworkService", "Default.migrated", "systemprofile"})
                service = service || IEquals(name, other);
            if (!service && entry.is_directory() && !Below(entry.path(), {"NTUSER.DAT"}).empty())
                profiles.push_back({kDefaultUserSid, "C:\\" + folder.filename().string() + "\\" + name, entry.path()});
        }
    }
    return profiles;
}

std::unique_ptr<LazyKey> Lazy(HiveFile* hive, uint64_t node) {
    return std::make_unique<LazyKey>(LazyKey{hive, nullptr, node});
}

}  // namespace

std::unique_ptr<Machine> LoadImage(const std::string& dir, const std::string& user, std::string* error) {
    fs::path root = fs::absolute(dir);
    std::error_code ec;
    if (!fs::is_directory(root, ec)) {
        *error = dir + ": no such folder";
        return nullptr;
    }
    // The Windows folder: the one whose system32\config holds the SOFTWARE hive.
    fs::path windows, config;
    for (const char* name : {"WINDOWS", "WINNT"}) {
        fs::path folder = Below(root, {name});
        fs::path found = folder.empty() ? fs::path() : Below(folder, {"system32", "config"});
        if (!found.empty() && !Below(found, {"SOFTWARE"}).empty()) {
            windows = folder;
            config = found;
            break;
        }
    }
    if (windows.empty()) {
        *error = dir + ": no Windows folder with system32\\config\\SOFTWARE (not a Windows system volume?)";
        return nullptr;
    }
    auto software = HiveFile::Open(Below(config, {"SOFTWARE"}), error);
    fs::path systemPath = Below(config, {"SYSTEM"});
    if (!software) return nullptr;
    if (systemPath.empty()) {
        *error = (config / "SYSTEM").string() + ": missing";
        return nullptr;
    }
    auto system = HiveFile::Open(systemPath, error);
    if (!system) return nullptr;

    // Settings from the hives.
    MachineSettings settings;
    settings.platform = VER_PLATFORM_WIN32_NT;
    settings.keyOrder = KeyOrder::kSorted;
    DWORD current = 1;
    system->Dword(system->Find(system->Root(), "Select"), "Current", &current);
    char setName[32];
    std::snprintf(setName, sizeof setName, "ControlSet%03u", static_cast<unsigned>(current));
    uint64_t controlSet = system->Find(system->Root(), setName);
    std::string acp;
    if (system->String(system->Find(controlSet, "Control\\Nls\\CodePage"), "ACP", &acp)) {
        unsigned id = static_cast<unsigned>(std::strtoul(acp.c_str(), nullptr, 10));
        if (!CodePage::IsSupported(id)) {
            *error = systemPath.string() + ": code page " + acp + " is not one the simulation has (932, 1252)";
            return nullptr;
        }
        settings.codepage = id;
    }
    CodePage cp(settings.codepage);
    auto ansi = [&](const std::string& utf8) {
        std::u16string units;
        Utf8ToUtf16(utf8, &units);
        return cp.FromUtf16Lossy(units);
    };
    uint64_t version = software->Find(software->Root(), "Microsoft\\Windows NT\\CurrentVersion");
    std::string text;
    if (software->String(version, "CurrentVersion", &text)) {
        settings.major = static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 10));
        size_t dot = text.find('.');
        settings.minor =
            dot == std::string::npos ? 0 : static_cast<DWORD>(std::strtoul(text.c_str() + dot + 1, nullptr, 10));
    }
    software->Dword(version, "CurrentMajorVersionNumber", &settings.major);
    software->Dword(version, "CurrentMinorVersionNumber", &settings.minor);
    if (software->String(version, "CurrentBuildNumber", &text) || software->String(version, "CurrentBuild", &text))
        settings.build = static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 10));
    settings.windir = "C:\\" + ansi(windows.filename().string());
    if (software->String(version, "SystemRoot", &text) && text.size() > 3 && (text[0] == 'C' || text[0] == 'c'))
        settings.windir = ansi(text);

    // The user's profile, as Windows maps users to their folders: ProfileList.
    std::vector<Profile> profiles = Profiles(*software, software->Find(version, "ProfileList"), root,
                                             cp.ToUtf8(settings.windir));
    std::sort(profiles.begin(), profiles.end(), [](const Profile& a, const Profile& b) { return a.path < b.path; });
    const Profile* profile = nullptr;
    for (const auto& p : profiles)
        if (!user.empty() && (IEquals(p.Name(), user) || IEquals(p.sid, user))) profile = &p;
    if (user.empty() && profiles.size() == 1) profile = &profiles[0];
    if (!profile) {
        std::string names;
        for (const auto& p : profiles) names += (names.empty() ? "" : ", ") + p.Describe();
        if (!user.empty())
            *error = dir + ": no user profile '" + user + "'; the profiles are: " + (names.empty() ? "none" : names);
        else if (profiles.empty())
            *error = dir + ": no user profile with an NTUSER.DAT";
        else
            *error = dir + ": several user profiles, choose one with --user: " + names;
        return nullptr;
    }
    auto ntuser = HiveFile::Open(Below(profile->folder, {"NTUSER.DAT"}), error);
    if (!ntuser) return nullptr;
    // Vista and later keep the user's classes below AppData, earlier Windows below Local Settings.
    fs::path classesPath = Below(profile->folder, {"AppData", "Local", "Microsoft", "Windows", "UsrClass.dat"});
    const bool vista = !classesPath.empty() || !Below(profile->folder, {"AppData"}).empty();
    if (classesPath.empty())
        classesPath =
            Below(profile->folder, {"Local Settings", "Application Data", "Microsoft", "Windows", "UsrClass.dat"});
    std::shared_ptr<HiveFile> classes;
    if (!classesPath.empty() && !(classes = HiveFile::Open(classesPath, error))) return nullptr;
    settings.userSid = ansi(profile->sid);

    // The environment, in the order Windows builds it.
    auto& env = settings.environment;
    env.clear();
    auto set = [&](const std::string& name, const std::string& value) { settings.SetEnvironmentDefault(name, value); };
    std::string userName = ansi(profile->Name());
    std::string home = ansi(profile->path.substr(2));
    set("SystemDrive", "C:");
    set("SystemRoot", settings.windir);
    set("windir", settings.windir);
    uint64_t currentVersion = software->Find(software->Root(), "Microsoft\\Windows\\CurrentVersion");
    if (software->String(currentVersion, "ProgramFilesDir", &text)) set("ProgramFiles", ansi(text));
    if (software->String(currentVersion, "CommonFilesDir", &text)) set("CommonProgramFiles", ansi(text));
    std::string computer;
    if (system->String(system->Find(controlSet, "Control\\ComputerName\\ComputerName"), "ComputerName", &computer))
        set("COMPUTERNAME", ansi(computer));
    // Vista and later keep what all users share in ProgramData, earlier Windows in a profile.
    const std::string profilesFolder = home.substr(0, home.find_last_of('\\'));
    set("ALLUSERSPROFILE", vista ? "C:\\ProgramData" : "C:" + profilesFolder + "\\All Users");
    set("USERPROFILE", "C:" + home);
    set("HOMEDRIVE", "C:");
    set("HOMEPATH", home);
    set("USERNAME", userName);
    for (const auto& v : system->Strings(system->Find(controlSet, "Control\\Session Manager\\Environment")))
        set(ansi(v.name), v.expand ? Expand(ansi(v.text), env) : ansi(v.text));
    // Shell folders: the user's User Shell Folders (with variables) over Shell Folders.
    uint64_t explorer = ntuser->Find(ntuser->Root(), "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer");
    settings.folders.clear();
    for (const char* key : {"Shell Folders", "User Shell Folders"})
        for (const auto& v : ntuser->Strings(ntuser->Find(explorer, key)))
            for (const auto& [name, csidl] : kShellFolders)
                if (IEquals(v.name, name))
                    settings.folders[csidl] = v.expand ? Expand(ansi(v.text), env) : ansi(v.text);
    for (const auto& [name, value] : env)
        if (IEquals(name, "ProgramFiles")) settings.folders[0x26] = value;  // CSIDL_PROGRAM_FILES
    settings.folders[0x24] = settings.windir;                               // CSIDL_WINDOWS
    settings.folders[0x25] = settings.windir + "\\system32";                // CSIDL_SYSTEM
    if (settings.folders.count(0x1A)) set("APPDATA", settings.folders[0x1A]);
    if (vista && settings.folders.count(0x1C)) set("LOCALAPPDATA", settings.folders[0x1C]);
    // The user's variables; the user's PATH goes after the system's.
    for (const auto& v : ntuser->Strings(ntuser->Find(ntuser->Root(), "Environment"))) {
        std::string value = v.expand ? Expand(ansi(v.text), env) : ansi(v.text);
        auto systemPath = std::find_if(env.begin(), env.end(), [](const auto& e) { return IEquals(e.first, "Path"); });
        if (IEquals(v.name, "Path") && systemPath != env.end()) value = systemPath->second + ";" + value;
        set(ansi(v.name), value);
    }
    settings.readOnlyDisk = true;

    auto machine = std::make_unique<Machine>(settings);
    Registry& reg = machine->registry();
    RegKey* hklm = reg.machineHive();
    for (const char* name : {"SOFTWARE", "SYSTEM"})
        if (RegKey* made = reg.FindSubkeyUnicode(hklm, name)) reg.DropKey(made);
    reg.AddSubkey(hklm, "SOFTWARE", Lazy(software.get(), software->Root()));
    RegKey* systemKey = reg.AddSubkey(hklm, "SYSTEM", Lazy(system.get(), system->Root()));
    if (controlSet) reg.AddSubkey(systemKey, "CurrentControlSet", Lazy(system.get(), controlSet));
    RegKey* users = reg.usersHive();
    if (RegKey* made = reg.FindSubkeyUnicode(users, settings.userSid)) reg.DropKey(made);
    RegKey* userKey = reg.AddSubkey(users, settings.userSid, Lazy(ntuser.get(), ntuser->Root()));
    if (classes) {
        // UsrClass.dat is the user's Software\Classes, whatever NTUSER.DAT holds there.
        RegKey* userSoftware = reg.EnsureSubkeyUnicode(userKey, "Software");
        if (RegKey* held = reg.FindSubkeyUnicode(userSoftware, "Classes")) reg.DropKey(held);
        reg.AddSubkey(userSoftware, "Classes", Lazy(classes.get(), classes->Root()));
    }
    for (auto& hive : {software, system, ntuser, classes})
        if (hive) machine->Keep(hive);
    machine->files().MapDrive('C', root.string());
    machine->changes().clear();
    return machine;
}

bool WriteSettingsFolder(const Machine& machine, const std::string& drive, const std::string& folder,
                         std::string* error) {
    const MachineSettings& s = machine.settings();
    const CodePage& cp = machine.codePage();
    std::error_code ec;
    fs::create_directories(fs::path(folder) / kDrivesFolder, ec);
    fs::create_directory_symlink(fs::absolute(drive), fs::path(folder) / kDrivesFolder / "C", ec);
    std::ofstream ini(fs::path(folder) / kMachineIni, std::ios::trunc);
    ini << "[windows]\nplatform=" << s.platform << "\nmajor=" << s.major << "\nminor=" << s.minor
        << "\nbuild=" << s.build << "\ncodepage=" << s.codepage
        << "\nkeyorder=" << (s.keyOrder == KeyOrder::kSorted ? "sorted" : "created")
        << "\nwindir=" << cp.ToUtf8(s.windir) << "\nuser=" << cp.ToUtf8(s.userSid) << "\n\n[environment]\n";
    for (const auto& [name, value] : s.environment) ini << cp.ToUtf8(name) << "=" << cp.ToUtf8(value) << "\n";
    ini << "\n[folders]\n";
    for (const auto& [csidl, path] : s.folders) ini << csidl << "=" << cp.ToUtf8(path) << "\n";
    if (!ini || ec)
        *error =
            folder + ": cannot write " + kMachineIni + " and " + kDrivesFolder + (ec ? " (" + ec.message() + ")" : "");
    return ini && !ec;
}

bool WriteEmptyHive(const std::string& path, std::string* error) {
    // A 4 KiB header, then one 4 KiB bin: the root key's record, the security record that
    // new keys share, and one free cell for the rest.
    std::string file(0x2000, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k) file[at + k] = static_cast<char>(v >> (8 * k));
    };
    auto put16 = [&](size_t at, uint16_t v) {
        file[at] = static_cast<char>(v & 0xFF);
        file[at + 1] = static_cast<char>(v >> 8);
    };
    file.replace(0, 4, "regf");
    put32(0x04, 1);  // the two sequence numbers agree: the file is whole
    put32(0x08, 1);
    put32(0x14, 1);  // version 1.3
    put32(0x18, 3);
    put32(0x20, 1);
    put32(0x24, 0x20);    // the root key's cell, from the first bin
    put32(0x28, 0x1000);  // the bins' length
    put32(0x2C, 1);
    uint32_t sum = 0;
    for (size_t at = 0; at < 0x1FC; at += 4)
        sum ^= static_cast<uint32_t>(static_cast<unsigned char>(file[at])) |
               static_cast<uint32_t>(static_cast<unsigned char>(file[at + 1])) << 8 |
               static_cast<uint32_t>(static_cast<unsigned char>(file[at + 2])) << 16 |
               static_cast<uint32_t>(static_cast<unsigned char>(file[at + 3])) << 24;
    put32(0x1FC, sum);
    const size_t bin = 0x1000, root = bin + 0x20, sk = bin + 0x78, free = bin + 0xA8;
    file.replace(bin, 4, "hbin");
    put32(bin + 8, 0x1000);
    put32(root, static_cast<uint32_t>(-0x58));  // used cells have negative sizes
    file.replace(root + 4, 2, "nk");
    put16(root + 6, 0x2C);           // the hive's root, not to be deleted, name in Latin-1
    put32(root + 0x14, 0xFFFFFFFF);  // no parent
    put32(root + 0x20, 0xFFFFFFFF);  // no subkey list
    put32(root + 0x24, 0xFFFFFFFF);
    put32(root + 0x2C, 0xFFFFFFFF);  // no value list
    put32(root + 0x30, static_cast<uint32_t>(sk - bin));
    put32(root + 0x34, 0xFFFFFFFF);  // no class name
    put16(root + 0x4C, 4);
    file.replace(root + 0x50, 4, "ROOT");
    put32(sk, static_cast<uint32_t>(-0x30));
    file.replace(sk + 4, 2, "sk");
    put32(sk + 8, static_cast<uint32_t>(sk - bin));  // the list of security records is this one
    put32(sk + 12, static_cast<uint32_t>(sk - bin));
    put32(sk + 16, 1);   // used by the root
    put32(sk + 20, 20);  // a self-relative descriptor with nothing set
    put32(sk + 24, 0x80040001);
    put32(free, static_cast<uint32_t>(bin + 0x1000 - free));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    if (!out) *error = path + ": cannot write";
    return static_cast<bool>(out);
}

}  // namespace sim
