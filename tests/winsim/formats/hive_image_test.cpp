// Offline Windows images (simulation only). One small description of a registry becomes
// both an image (hives made with hivex's writing functions) and a machine folder (a version
// 5 .reg file, and the image's settings); the two must answer every export alike.
#include <gtest/gtest.h>
#include <hivex.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "../reliability/sample_world.h"
#include "frame/exports.h"
#include "tools/winsim/formats/hive_image.h"
#include "tools/winsim/formats/machine_folder.h"

namespace fs = std::filesystem;

namespace {

const std::string kSid = "S-1-5-21-1708537768-1957994488-839522115-1003";  // the sample machine's user
const std::string kSid2 = "S-1-5-21-1708537768-1957994488-839522115-1004";

// A value of one hive (SOFTWARE, SYSTEM, NTUSER, USRCLASS); key and name in UTF-8, a string's data
// as UTF-8 text, other data as bytes.
struct Item {
    std::string hive, key, name;
    DWORD type;
    std::string data;
};

std::string Data(const Item& item) {
    if (item.type != REG_SZ && item.type != REG_EXPAND_SZ) return item.data;
    std::u16string units;
    sim::Utf8ToUtf16(item.data, &units);
    std::string out;
    for (char16_t c : units) out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return out + std::string(2, '\0');
}

struct Image {
    std::string windir, profiles, classes;  // classes: the folder of Microsoft\Windows\UsrClass.dat
    std::vector<std::string> users;
    std::vector<Item> items;

    // English XP (code page 1252) with a key no code page holds; or a Vista-style profile folder
    // with two users, hanako's UsrClass.dat naming another browser.
    explicit Image(bool vista)
        : windir(vista ? "Windows" : "WINDOWS"),
          profiles(vista ? "Users" : "Documents and Settings"),
          classes(vista ? "AppData/Local" : "Local Settings/Application Data"),
          users{"taro"} {
        std::string cv = "Microsoft\\Windows NT\\CurrentVersion";
        items = {
            {"SYSTEM", "Select", "Current", REG_DWORD, std::string("\1\0\0\0", 4)},
            {"SYSTEM", "ControlSet001\\Control\\Nls\\CodePage", "ACP", REG_SZ, "1252"},
            {"SYSTEM", "ControlSet001\\Control\\Session Manager\\Environment", "Path", REG_EXPAND_SZ,
             "%SystemRoot%\\system32;%SystemRoot%"},
            {"SOFTWARE", cv, "CurrentVersion", REG_SZ, "5.1"},
            {"SOFTWARE", cv, "CurrentBuildNumber", REG_SZ, "2600"},
            {"SOFTWARE", cv + "\\ProfileList\\" + kSid, "ProfileImagePath", REG_EXPAND_SZ,
             "%SystemDrive%\\" + profiles + "\\taro"},
            {"SOFTWARE", "Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", REG_SZ, "C:\\Program Files"},
            {"NTUSER", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", "AppData",
             REG_EXPAND_SZ, "%USERPROFILE%\\Application Data"},
            {"SOFTWARE", "Classes\\http\\shell\\open\\command", "", REG_SZ,
             "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" -nohome"},
            {"NTUSER", "Control Panel\\International\\\U0001F30E\U0001F30F\U0001F30D", "", REG_SZ, "caf\u00e9 \u4e16"}};
        if (vista) users.push_back("hanako");
        if (vista) items.push_back({"USRCLASS", "http\\shell\\open\\command", "", REG_SZ, "\"C:\\Mail\\x.exe\""});
        if (vista)
            items.push_back({"SOFTWARE", cv + "\\ProfileList\\" + kSid2, "ProfileImagePath", REG_EXPAND_SZ,
                             "C:\\Users\\hanako"});
        // Service accounts, whose profiles are no one's who logs on.
        items.push_back({"SOFTWARE", cv + "\\ProfileList\\S-1-5-18", "ProfileImagePath", REG_EXPAND_SZ,
                         "%SystemRoot%\\system32\\config\\systemprofile"});
    }
    // The hives below dir, which may hold a drive's files already; each user gets the same hives.
    void WriteHives(const fs::path& dir) const {
        fs::path config = dir / windir / "system32/config";
        std::vector<std::pair<std::string, fs::path>> files = {{"SOFTWARE", config / "SOFTWARE"},
                                                               {"SYSTEM", config / "SYSTEM"}};
        for (const auto& user : users) {
            files.emplace_back("NTUSER", dir / profiles / user / "NTUSER.DAT");
            files.emplace_back("USRCLASS", dir / profiles / user / classes / "Microsoft/Windows/UsrClass.dat");
        }
        for (const auto& [hive, path] : files) {
            std::string error;
            fs::create_directories(path.parent_path());
            ASSERT_TRUE(sim::WriteEmptyHive(path.string(), &error)) << error;
            hive_h* h = hivex_open(path.c_str(), HIVEX_OPEN_WRITE);
            ASSERT_NE(h, nullptr) << path;
            for (const Item& item : items) {
                if (item.hive != hive) continue;
                hive_node_h node = hivex_root(h);
                for (size_t at = 0, end; at < item.key.size(); at = end + 1) {
                    end = std::min(item.key.find('\\', at), item.key.size());
                    std::string name = item.key.substr(at, end - at);
                    hive_node_h child = hivex_node_get_child(h, node, name.c_str());
                    node = child ? child : hivex_node_add_child(h, node, name.c_str());
                }
                std::string data = Data(item);
                hive_set_value value{const_cast<char*>(item.name.c_str()), static_cast<hive_type>(item.type),
                                     data.size(), data.data()};
                ASSERT_EQ(hivex_node_set_value(h, node, &value, 0), 0) << item.key << " " << item.name;
            }
            ASSERT_EQ(hivex_commit(h, nullptr, 0), 0);
            hivex_close(h);
        }
    }
    // The items as one version 5 .reg file (the current control set a copy: a file has no links).
    void WriteRegFile(const fs::path& file, const sim::CodePage& cp) const {
        std::map<std::string, std::string> roots = {{"SOFTWARE", "HKEY_LOCAL_MACHINE\\SOFTWARE\\"},
                                                    {"SYSTEM", "HKEY_LOCAL_MACHINE\\SYSTEM\\"},
                                                    {"NTUSER", "HKEY_USERS\\" + kSid + "\\"},
                                                    {"USRCLASS", "HKEY_USERS\\" + kSid + "\\Software\\Classes\\"}};
        std::vector<sim::RegFileKey> keys;
        for (const Item& item : items) {
            bool text = item.type == REG_SZ || item.type == REG_EXPAND_SZ;
            keys.push_back(
                {roots[item.hive] + item.key, {{item.name, item.type, Data(item), true, text}}, false, true});
            if (item.key.rfind("ControlSet001", 0) == 0)
                keys.push_back(
                    {roots[item.hive] + "CurrentControlSet" + item.key.substr(13), keys.back().values, false, true});
        }
        std::ofstream(file, std::ios::binary) << sim::WriteRegFile5(keys, cp).value();
    }
};

// Every export's answer as the sweeps call them, switching included, then what the
// switching changed in the registry.
std::string Answers() {
    sim::Machine* m = sim::Machine::Current();
    m->changes().clear();
    std::string out;
    for (const auto& call : reliability::AllCalls()) {
        const reliability::Result r = call.run();
        out += call.name + " " + std::to_string(r.value) + " " + r.text + "\n";
    }
    return out + sim::WriteChangesReg(m->changes(), m->codePage()).value();
}

class HiveImage : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zentho-image-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
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
    fs::path dir;
    std::string error;
};

// The image's settings from its hives, and its answers those of the same items as a folder.
TEST_F(HiveImage, EnglishXpAndVistaAnswerAsTheirRegFiles) {
    for (bool vista : {false, true}) {
        SCOPED_TRACE(vista ? "Vista" : "English XP");
        Image image(vista);
        image.WriteHives(dir / "image");
        char browser[261] = {};
        if (vista) {
            EXPECT_FALSE(Load()) << "two profiles and none chosen";
            EXPECT_EQ(error, (dir / "image").string() + ": several user profiles, choose one with --user: hanako (" +
                                 kSid2 + ", C:\\Users\\hanako), taro (" + kSid + ", C:\\Users\\taro)");
            auto byName = Load("HANAKO");
            ASSERT_TRUE(byName) << error;
            EXPECT_EQ(byName->registry().userSid(), kSid2);
            auto chosen = Load(kSid);
            ASSERT_TRUE(chosen) << error;
            EXPECT_EQ(GetDefaultBrowserPath(browser), -2) << "the user's classes name no browser: " << browser;
            EXPECT_FALSE(os::CopyFileA("C:\\Windows\\system32\\config\\SYSTEM", "C:\\copy", FALSE)) << "read only";
            fs::remove_all(dir / "image/Users/hanako");
            image.users.pop_back();
        }
        // Windows maps its users through ProfileList, whatever other folders the volume holds: a
        // profile folder it does not name, an empty folder of the other layout.
        fs::create_directories(dir / "image/Documents and Settings");
        fs::create_directories(dir / "image" / image.profiles / "olduser");
        fs::copy_file(dir / "image" / image.profiles / "taro/NTUSER.DAT",
                      dir / "image" / image.profiles / "olduser/NTUSER.DAT");
        auto machine = Load();
        ASSERT_TRUE(machine) << error;
        for (const auto& [name, value] : std::map<std::string, std::string>{
                 {"windir", vista ? "C:\\Windows" : "C:\\WINDOWS"},
                 {"USERPROFILE", vista ? "C:\\Users\\taro" : "C:\\Documents and Settings\\taro"}}) {
            std::string got;
            EXPECT_TRUE(machine->GetEnv(name, &got) && got == value) << name << ": " << got << ", expected " << value;
        }
        ASSERT_TRUE(sim::WriteSettingsFolder(*machine, (dir / "image").string(), (dir / "folder").string(), &error));
        image.WriteRegFile(dir / "folder/registry.reg", machine->codePage());
        std::string fromImage = Answers();
        auto folder = sim::LoadMachineFolder((dir / "folder").string(), &error);
        ASSERT_TRUE(folder) << error;
        sim::Machine::Use(folder.get());
        EXPECT_EQ(fromImage, Answers());
        fs::remove_all(dir);
    }
}

}  // namespace
