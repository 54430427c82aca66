// zentho-machine-to-wine [--image] MACHINE OUT: prepares a machine folder, or an offline
// image (whose drive C: is the image itself), for a Wine prefix.
//
// Writes OUT/registry.reg, the machine's registry for regedit (the user's key below
// HKEY_USERS becomes HKEY_CURRENT_USER, and the environment, the shell folders and
// the Windows version go where Wine reads them), OUT/locale (the LC_ALL value that
// gives the machine's code page), OUT/expected, the settings as zentho-wine-probe
// prints them, so that the script can tell what Wine did not take, and for each
// program with a behaviour OUT/standin-N.path (its Windows path, UTF-8) and
// OUT/standin-N.standin (the behaviour, for zentho-standin.exe).
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "tools/winsim/formats/hive_image.h"
#include "tools/winsim/formats/machine_folder.h"

namespace {

const char* WineVersionName(const sim::MachineSettings& s) {
    struct Name {
        DWORD platform, major, minor;
        const char* name;
    } const names[] = {{2, 4, 0, "nt40"},   {2, 5, 0, "win2k"}, {2, 5, 1, "winxp"},  {2, 5, 2, "win2003"},
                       {2, 6, 0, "vista"},  {2, 6, 1, "win7"},  {2, 6, 2, "win8"},   {2, 6, 3, "win81"},
                       {2, 10, 0, "win10"}, {1, 4, 0, "win95"}, {1, 4, 10, "win98"}, {1, 4, 90, "winme"}};
    for (const auto& n : names)
        if (n.platform == s.platform && n.major == s.major && n.minor == s.minor) return n.name;
    return nullptr;
}

// The value names under "User Shell Folders" of the shell folders Wine reads there.
const std::map<int, const char*> kShellFolderValues = {{0x05, "Personal"}, {0x1a, "AppData"}, {0x1c, "Local AppData"}};

}  // namespace

int main(int argc, char** argv) {
    const bool image = argc == 4 && std::string(argv[1]) == "--image";
    if (argc != 3 && !image) {
        std::fprintf(stderr, "usage: zentho-machine-to-wine [--image] MACHINE OUT\n");
        return 2;
    }
    argv += image;
    std::string error;
    auto machine = image ? sim::LoadImage(argv[1], "", &error) : sim::LoadMachineFolder(argv[1], &error);
    if (!machine) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    const auto& s = machine->settings();
    const std::string user = "HKEY_USERS\\" + machine->registry().userSid();
    // Wine registers programs of its own where the library looks for applications and
    // default programs: those keys go first, so that only the machine's stand there.
    std::string file = "REGEDIT4\r\n\r\n";
    for (const char* key :
         {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths",
          "HKEY_LOCAL_MACHINE\\Software\\Classes\\http", "HKEY_LOCAL_MACHINE\\Software\\Classes\\mailto",
          "HKEY_CURRENT_USER\\Software\\Classes\\http", "HKEY_CURRENT_USER\\Software\\Classes\\mailto"})
        file += std::string("[-") + key + "]\r\n\r\n";
    std::vector<sim::RegFileKey> keys;
    // Wine keeps its own user's profile: an image's list of profiles would move it.
    const std::string profiles = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    for (auto& key : sim::ExportRegistry(machine->registry())) {
        if (machine->codePage().EqualFolded(key.path.substr(0, profiles.size()), profiles)) continue;
        if (key.path.compare(0, user.size(), user) == 0 &&
            (key.path.size() == user.size() || key.path[user.size()] == '\\'))
            key.path = "HKEY_CURRENT_USER" + key.path.substr(user.size());
        keys.push_back(std::move(key));
    }
    auto text = [](const std::string& value) { return std::string(value) + '\0'; };
    sim::RegFileKey environment{"HKEY_CURRENT_USER\\Environment", {}};
    for (const auto& [name, value] : s.environment) environment.values.push_back({name, REG_SZ, text(value)});
    keys.push_back(environment);
    std::string programFiles;
    if (machine->GetEnv("ProgramFiles", &programFiles))  // Wine sets this variable from here
        keys.push_back({"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion",
                        {{"ProgramFilesDir", REG_SZ, text(programFiles)}}});
    sim::RegFileKey folders{
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", {}};
    for (const auto& [csidl, path] : s.folders) {
        auto it = kShellFolderValues.find(csidl);
        if (it != kShellFolderValues.end()) folders.values.push_back({it->second, REG_SZ, text(path)});
    }
    keys.push_back(folders);
    if (const char* version = WineVersionName(s))
        keys.push_back({"HKEY_CURRENT_USER\\Software\\Wine", {{"Version", REG_SZ, text(version)}}});

    std::string out = argv[2];
    std::optional<std::string> written = sim::WriteRegFile4(keys, machine->codePage(), &error);
    if (!written) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
        return 1;
    }
    const std::string& machineKeys = *written;
    file += machineKeys.substr(machineKeys.find("\r\n\r\n") + 4);  // without its header
    std::ofstream(out + "/registry.reg", std::ios::binary) << file;
    std::ofstream(out + "/locale") << (s.codepage == 1252 ? "en_US.UTF-8" : "ja_JP.UTF-8") << "\n";
    std::ofstream expected(out + "/expected", std::ios::binary);
    expected << "version=" << s.platform << " " << s.major << "." << s.minor << "\n";
    expected << "acp=" << s.codepage << "\n";
    expected << "windir=" << s.windir << "\n";
    for (const auto& [name, value] : s.environment) expected << "env:" << name << "=" << value << "\n";
    for (const auto& [csidl, path] : s.folders) expected << "folder:" << csidl << "=" << path << "\n";
    if (s.keyOrder == sim::KeyOrder::kCreated) expected << "keyorder=created\n";
    int n = 0;
    for (const auto& program : machine->desktop().behaviours()) {
        std::string base = out + "/standin-" + std::to_string(++n);
        std::ofstream(base + ".path", std::ios::binary) << machine->codePage().ToUtf8(program.program);
        std::ofstream behaviour(base + ".standin", std::ios::binary);
        for (const auto& window : program.windows)
            behaviour << "window=" << window.className << "|" << window.title << "\r\n";
        behaviour << "show-after=" << program.showAfterMs << "\r\n";
        if (program.closeAfterMs != INFINITE) behaviour << "close-after=" << program.closeAfterMs << "\r\n";
        behaviour << "hung=" << (program.hung ? "yes" : "no") << "\r\n";
    }
    return 0;
}
