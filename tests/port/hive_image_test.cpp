// Offline Windows images (simulation only). One small description of a machine's registry
// becomes both an image (hive files made with hivex's writing functions) and a machine
// folder (.reg files); the two must answer every export alike, and the image must take
// its settings from the hives and leave its volume as it was.
#include <gtest/gtest.h>
#include <hivex.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "catalogue/catalogue.h"
#include "frame/exports.h"
#include "platform/os/sim/hive_image.h"
#include "platform/os/sim/machine_folder.h"

namespace fs = std::filesystem;

namespace {

const std::string kSid = "S-1-5-21-1708537768-1957994488-839522115-1003";  // the sample machine's user

// A value in one hive: SOFTWARE, SYSTEM, NTUSER or USRCLASS; key below the hive's root, texts
// in UTF-8; a string type's data as text, other data as bytes.
struct Item {
    std::string hive, key, name;
    DWORD type;
    std::string data;
};

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }
std::string Utf16Data(const std::string& utf8) {
    std::u16string units;
    sim::Utf8ToUtf16(utf8, &units);
    std::string out;
    for (char16_t c : units) out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return out + std::string(2, '\0');
}

struct Image {
    std::string windir = "WINNT", profiles = "Documents and Settings", classes = "Local Settings/Application Data";
    std::vector<std::string> users = {"taro"};
    std::vector<Item> items;
    void Windows(const char* acp, const char* version, const char* build) {
        std::string profile = "%SystemDrive%\\" + profiles + "\\" + users[0];
        items.insert(items.end(), {{"SYSTEM", "Select", "Current", REG_DWORD, std::string("\1\0\0\0", 4)},
                                   {"SYSTEM", "ControlSet001\\Control\\Nls\\CodePage", "ACP", REG_SZ, acp},
                                   {"SYSTEM", "ControlSet001\\Control\\Session Manager\\Environment", "Path",
                                    REG_EXPAND_SZ, "%SystemRoot%\\system32;%SystemRoot%"},
                                   {"SOFTWARE", "Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion", REG_SZ, version},
                                   {"SOFTWARE", "Microsoft\\Windows NT\\CurrentVersion", "CurrentBuildNumber", REG_SZ, build},
                                   {"SOFTWARE", "Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + kSid,
                                    "ProfileImagePath", REG_EXPAND_SZ, profile},
                                   {"SOFTWARE", "Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", REG_SZ,
                                    "C:\\Program Files"},
                                   {"NTUSER", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                                    "AppData", REG_EXPAND_SZ, "%USERPROFILE%\\Application Data"}});
    }
    // The hives below dir, which may hold a drive's files already.
    void WriteHives(const fs::path& dir) const {
        fs::path config = dir / windir / "system32" / "config";
        std::map<std::string, fs::path> files = {{"SOFTWARE", config / "SOFTWARE"}, {"SYSTEM", config / "SYSTEM"}};
        for (const auto& user : users) {
            files["NTUSER" + user] = dir / profiles / user / "NTUSER.DAT";
            files["USRCLASS" + user] = dir / profiles / user / classes / "Microsoft/Windows/UsrClass.dat";
        }
        for (const auto& [hive, path] : files) {
            std::string error;
            fs::create_directories(path.parent_path());
            ASSERT_TRUE(sim::WriteEmptyHive(path.string(), &error)) << error;
            hive_h* h = hivex_open(path.c_str(), HIVEX_OPEN_WRITE);
            ASSERT_NE(h, nullptr) << path;
            for (const Item& item : items) {
                if (item.hive + users[0] != hive && item.hive != hive) continue;
                hive_node_h node = hivex_root(h);
                for (size_t at = 0; at < item.key.size();) {
                    size_t end = std::min(item.key.find('\\', at), item.key.size());
                    std::string name = item.key.substr(at, end - at);
                    hive_node_h child = hivex_node_get_child(h, node, name.c_str());
                    node = child ? child : hivex_node_add_child(h, node, name.c_str());
                    at = end + 1;
                }
                std::string data = IsText(item.type) ? Utf16Data(item.data) : item.data;
                hive_set_value value{const_cast<char*>(item.name.c_str()), static_cast<hive_type>(item.type),
                                     data.size(), data.data()};
                ASSERT_EQ(hivex_node_set_value(h, node, &value, 0), 0) << item.key << " " << item.name;
            }
            ASSERT_EQ(hivex_commit(h, nullptr, 0), 0);
            hivex_close(h);
        }
    }
};

// The same content as a machine folder: the image machine's settings and drive, the items
// as a version 5 .reg file (the current control set as a copy, since a file has no links).
void WriteFolder(const Image& image, const sim::Machine& from, const fs::path& imageDir, const fs::path& dir) {
    const sim::MachineSettings& s = from.settings();
    const sim::CodePage& cp = from.codePage();
    std::ofstream ini(dir / "machine.ini");
    ini << "[windows]\nplatform=2\nmajor=" << s.major << "\nminor=" << s.minor << "\nbuild=" << s.build
        << "\ncodepage=" << s.codepage << "\nwindir=" << cp.ToUtf8(s.windir) << "\nuser=" << s.userSid
        << "\n[environment]\n";
    for (const auto& [name, value] : s.environment) ini << name << "=" << cp.ToUtf8(value) << "\n";
    ini << "[folders]\n";
    for (const auto& [csidl, path] : s.folders) ini << csidl << "=" << cp.ToUtf8(path) << "\n";
    std::map<std::string, std::string> roots = {{"SOFTWARE", "HKEY_LOCAL_MACHINE\\SOFTWARE\\"},
                                                {"SYSTEM", "HKEY_LOCAL_MACHINE\\SYSTEM\\"},
                                                {"NTUSER", "HKEY_USERS\\" + s.userSid + "\\"},
                                                {"USRCLASS", "HKEY_USERS\\" + s.userSid + "\\Software\\Classes\\"}};
    std::vector<sim::RegFileKey> keys;
    for (const Item& item : image.items) {
        for (std::string path : {roots[item.hive] + item.key, std::string()}) {
            if (path.empty() && item.key.rfind("ControlSet001", 0) != 0) break;
            if (path.empty()) path = roots[item.hive] + "CurrentControlSet" + item.key.substr(13);
            std::string data = IsText(item.type) ? Utf16Data(item.data) : item.data;
            keys.push_back({path, {{item.name, item.type, data, true, IsText(item.type)}}, true});
        }
    }
    std::ofstream(dir / "registry.reg", std::ios::binary) << sim::WriteRegFile5(keys, cp);
    fs::create_directories(dir / "drives");
    fs::create_directory_symlink(imageDir, dir / "drives" / "C");
}

// Every getter's answer, and what switching Word on answers and would change in the registry.
std::string Answers() {
    std::string out;
    char buffer[1024];
    auto text = [&](const std::string& what, auto call) {
        std::memset(buffer, 0, sizeof buffer);
        LONG length = call(nullptr);
        if (length > 0) call(buffer);
        out += what + " " + std::to_string(length) + " " + buffer + "\n";
    };
    for (const auto& app : catalogue::kApplications) {
        unsigned id = app.id;
        text("name " + std::to_string(id), [&](char* b) { return GetLatestApplicationName(id, b); });
        text("path " + std::to_string(id), [&](char* b) { return GetLatestApplicationPath(id, b); });
        out += "state " + std::to_string(GetLatestApplicationState(id)) + "\n";
    }
    text("browser", GetDefaultBrowser);
    text("browser path", GetDefaultBrowserPath);
    text("mailer", GetDefaultMailer);
    text("mailer path", GetDefaultMailerPath);
    out += "states " + std::to_string(GetDefaultBrowserState()) + std::to_string(GetDefaultMailerState()) + "\n";
    text("groups", [](char* b) { return b ? GetSupportedApplications(0x3FFF, b) : 1; });
    char app[261] = "Corvane", name[261] = {}, path[261] = {}, key[261] = {};
    GetLatestSarvinTessalineAppInfo(app, name, path, key);
    out += std::string("suite ") + name + "|" + path + "|" + key + "\n";
    sim::Machine::Current()->changes().clear();
    out += "word on " + std::to_string(SetLatestApplicationState(0x401, 1)) + "\n";
    return out + sim::WriteChangesReg(sim::Machine::Current()->changes(), sim::Machine::Current()->codePage());
}

class HiveImage : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zentho-image-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        fs::create_directories(dir / "image");
        fs::create_directories(dir / "folder");
    }
    void TearDown() override {
        sim::Machine::Use(nullptr);
        fs::remove_all(dir);
    }
    std::unique_ptr<sim::Machine> Load(const std::string& user = "") {
        auto machine = sim::LoadImage((dir / "image").string(), user, &error);
        sim::Machine::Use(machine.get());
        return machine;
    }
    // Loads the image, checks its settings, and holds its answers to the folder's.
    void ExpectBothFormsAgree(const Image& image, const std::map<std::string, std::string>& env) {
        image.WriteHives(dir / "image");
        auto machine = Load();
        ASSERT_TRUE(machine) << error;
        for (const auto& [name, value] : env) {
            std::string got;
            EXPECT_TRUE(machine->GetEnv(name, &got) && got == value) << name << ": " << got << ", expected " << value;
        }
        WriteFolder(image, *machine, dir / "image", dir / "folder");
        std::string fromImage = Answers();
        auto folder = sim::LoadMachineFolder((dir / "folder").string(), &error);
        ASSERT_TRUE(folder) << error;
        sim::Machine::Use(folder.get());
        EXPECT_EQ(fromImage, Answers());
        EXPECT_NE(fromImage.find("word on 0"), std::string::npos) << fromImage;
    }
    fs::path dir;
    std::string error;
};

// The sample machine's registry as the hives of a Japanese Windows 2000 volume.
TEST_F(HiveImage, JapaneseWindows2000AnswersAsItsRegFiles) {
    Image image;
    image.Windows("932", "5.0", "2195");
    sim::CodePage cp(932);
    for (const auto& file : {"00-windows.reg", "10-applications.reg", "20-user.reg"}) {
        std::ifstream in(fs::path(ZENTHO_SOURCE_DIR) / "examples/sample-machine" / file, std::ios::binary);
        std::vector<sim::RegFileOp> ops;
        ASSERT_TRUE(sim::ParseRegFile(std::string(std::istreambuf_iterator<char>(in), {}), cp, &ops, &error)) << error;
        for (const auto& op : ops) {
            std::string key = cp.ToUtf8(op.key), hive = key.rfind("HKEY_LOCAL_MACHINE\\SOFTWARE\\", 0) == 0 ? "SOFTWARE"
                                                      : key.rfind("HKEY_USERS\\" + kSid + "\\", 0) == 0 ? "NTUSER" : "";
            std::string data = IsText(op.type) ? cp.ToUtf8(op.data.substr(0, op.data.size() - 1)) : op.data;
            if (op.kind == sim::RegFileOp::kSetValue && !hive.empty())
                image.items.push_back({hive, key.substr(key.find('\\', 19) + 1), cp.ToUtf8(op.valueName), op.type, data});
        }
    }
    fs::copy(fs::path(ZENTHO_SOURCE_DIR) / "examples/sample-machine/drives/C", dir / "image", fs::copy_options::recursive);
    ExpectBothFormsAgree(image, {{"APPDATA", "C:\\Documents and Settings\\taro\\Application Data"},
                                 {"windir", "C:\\WINNT"},
                                 {"PATH", "C:\\WINNT\\system32;C:\\WINNT"}});
    auto machine = Load();
    EXPECT_EQ(machine->codePage().id(), 932u);
    EXPECT_EQ(machine->settings().build, 2195u);
    EXPECT_EQ(machine->settings().userSid, kSid);
    // Switching Word on changes the registry in memory and nothing on the volume.
    auto before = [&] {
        std::string listing;
        for (const auto& e : fs::recursive_directory_iterator(dir / "image"))
            listing += e.path().string() + std::to_string(e.is_regular_file() ? fs::file_size(e) : 0) + "\n";
        return listing;
    }();
    UpdateApplTransSettings(0x401, SetLatestApplicationState(0x401, 1) == 0, 0);
    std::string changes = sim::WriteChangesReg(machine->changes(), machine->codePage());
    std::vector<sim::RegFileOp> replay;
    EXPECT_TRUE(sim::ParseRegFile(changes, machine->codePage(), &replay, &error, true)) << error;
    EXPECT_GE(replay.size(), 3u);
    std::string after;
    for (const auto& e : fs::recursive_directory_iterator(dir / "image"))
        after += e.path().string() + std::to_string(e.is_regular_file() ? fs::file_size(e) : 0) + "\n";
    EXPECT_EQ(after, before);
}

// English XP (code page 1252, WINDOWS) with a key no code page holds; a Vista-style profile
// folder with two users, the chosen one's classes over the machine's.
TEST_F(HiveImage, EnglishXpAndVistaProfilesAnswerAsTheirRegFiles) {
    const std::vector<Item> apps = {
        {"SOFTWARE", "Classes\\http\\shell\\open\\command", "", REG_SZ, "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" -nohome"},
        {"SOFTWARE", "Microsoft\\Internet Explorer", "Version", REG_SZ, "6.0.2900.2180"},
        {"SOFTWARE", "Microsoft\\Office\\11.0\\Word\\InstallRoot", "Path", REG_SZ, "C:\\Program Files\\Microsoft Office\\OFFICE11\\"},
        {"NTUSER", "Control Panel\\International\\\U0001F30E\U0001F30F\U0001F30D", "", REG_SZ, "caf\u00e9 \u4e16"}};
    struct Case {
        const char* name;
        const char* windir;
        const char* profiles;
        const char* classes;
        std::map<std::string, std::string> env;
    } cases[] = {
        {"English XP", "WINDOWS", "Documents and Settings", "Local Settings/Application Data",
         {{"windir", "C:\\WINDOWS"}, {"USERPROFILE", "C:\\Documents and Settings\\taro"}}},
        {"Vista", "Windows", "Users", "AppData/Local", {{"LOCALAPPDATA", "C:\\Users\\taro\\AppData\\Local"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Image image{c.windir, c.profiles, c.classes, {"taro"}, {}};
        image.Windows("1252", "5.1", "2600");
        image.items.insert(image.items.end(), apps.begin(), apps.end());
        image.items.push_back({"NTUSER", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                               "Local AppData", REG_EXPAND_SZ, "%USERPROFILE%\\AppData\\Local"});
        if (std::string(c.profiles) == "Users") {
            image.users.push_back("hanako");
            image.items.push_back({"USRCLASS", "http\\shell\\open\\command", "", REG_SZ, "\"C:\\Program Files\\Qualcomm\\Eudora\\x.exe\""});
            image.WriteHives(dir / "image");
            EXPECT_FALSE(Load()) << "two profiles and none chosen";
            EXPECT_EQ(error, (dir / "image").string() + ": several user profiles, choose one: hanako, taro");
            auto chosen = Load("TARO");
            ASSERT_TRUE(chosen) << error;
            char browser[261] = {};
            EXPECT_EQ(GetDefaultBrowserPath(browser), -2) << "the user's classes, naming no browser, over the machine's: " << browser;
            image.users.pop_back();
            fs::remove_all(dir / "image" / c.profiles / "hanako");
        }
        ExpectBothFormsAgree(image, c.env);
        fs::remove_all(dir / "image");
        fs::remove_all(dir / "folder");
        fs::create_directories(dir / "image");
        fs::create_directories(dir / "folder");
    }
}

TEST_F(HiveImage, HivesHivexRefusesAreErrorsNamingTheFile) {
    Image image;
    image.Windows("932", "5.0", "2195");
    image.WriteHives(dir / "image");
    fs::path software = dir / "image/WINNT/system32/config/SOFTWARE";
    for (const char* damage : {"", "regf", "regf-and-no-more-than-this"}) {
        SCOPED_TRACE(damage);
        std::ofstream(software, std::ios::binary | std::ios::trunc) << damage;
        EXPECT_FALSE(Load());
        EXPECT_EQ(error.rfind(software.string() + ": ", 0), 0u) << error;
    }
}

}  // namespace
