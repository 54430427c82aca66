// The machine-folder guide (see machine_guide.h).
#include "machine_guide.h"

#include "check.h"

#include <cstdio>

#include "catalogue/catalogue.h"
#include "detect/adobe_ichitaro.h"
#include "detect/display_names.h"
#include "detect/office.h"
#include "detect/suite.h"
#include "tools/winsim/formats/machine_folder.h"
#include "catalogue/product.h"
#include "catalogue/registry_paths.h"
#include "platform/text.h"

namespace {

using catalogue::Application;
using catalogue::Detection;
namespace paths = registry_paths;

std::string Str(const char* text) { return text ? text : ""; }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// "<prefix>5.5" for a file version of 5.50, as detection labels Internet Explorer.
std::string IELabelled(const char* prefix, unsigned short major, unsigned short minor) {
    char work[platform::kWorkBufferSize];
    std::snprintf(work, sizeof work, "%s", prefix);
    detect::AppendIEVersionLabel(work, nullptr, major, minor, 0, 0);
    return work;
}

std::string OfficeEditions(const char* prefix) {
    const struct {
        unsigned short major, minor;
        const char* version;
    } rows[] = {{9, 0, "9.x"}, {8, 5, "8.5"}, {8, 0, "other 8.x"}, {10, 0, "any other"}};
    std::string out;
    for (const auto& row : rows)
        out += std::string(out.empty() ? "" : row.major == 10 ? ",\n    " : ", ") + row.version + " " +
               Quoted(std::string(prefix) + detect::OfficeEditionLabel(row.major, row.minor));
    return out + " (the blank stays)";
}

// What detection reads for one application, a line each.
std::string Reads(const Application& app) {
    const std::string program = Str(app.program), prefix = Str(app.namePrefix), name = Str(app.detectName);
    const std::string appPath = paths::AppPathsKey(app.program ? app.program : "");
    switch (app.detection) {
        case Detection::kExplorerStyle:
            return "  " + appPath + ", default value: the program's path\n" +
                   "  the program's product version gives the name: " + Quoted(IELabelled(app.namePrefix, 5, 50)) +
                   " for 5.50,\n    " + Quoted(IELabelled(app.namePrefix, 6, 0)) + " for 6.0\n";
        case Detection::kVersioned: {
            char example[platform::kWorkBufferSize];
            detect::FormatVersionedName(example, app.namePrefix, 4, 3, 2);
            return "  " + appPath + ", default value: a command line naming " + program + "\n" +
                   "  the program's product version gives the name: " + Quoted(example) + " for 4.3.2\n";
        }
        case Detection::kOffice:
            return "  " + std::string(paths::kOffice) + "\\<v>\\" + name + "\\" + paths::kInstallRoot +
                   " \"Path\": FOLDER (<v> as 9.0)\n" + "  FOLDER\\" + program +
                   ", whose product version gives the name:\n    " + OfficeEditions(app.namePrefix) + "\n";
        case Detection::kSuite:
            return "  " + std::string(paths::kSarvin) + "\\" + name +
                   "\\<v> \"Path\": FOLDER, \"Name\": FILE, \"Description\": TEXT (all three)\n" +
                   "  the program is FOLDER\\FILE; the name " + Quoted(std::string(detect::kSuiteDisplayPrefix) + "TEXT") +
                   "\n";
        case Detection::kAdobe:
            return "  " + std::string(paths::kAdobe) + "\\" + name + "\\<v>\\" + paths::kAdobeInstallPath +
                   ", default value: FOLDER (HKCU when HKLM has no <v>)\n" + "  the program is FOLDER\\" + program +
                   "; the name " + Quoted(prefix + name + " <v>") + "\n  with no FOLDER: " + appPath +
                   ", default value\n";
        case Detection::kIchitaro: {
            std::string versions, folders;
            for (const auto& v : detect::kTaroVersions) {
                versions += std::string(versions.empty() ? "" : ", ") + v.version;
                folders += std::string(folders.empty() ? "" : ", ") + Quoted(v.folderValue) + " FOLDER" + v.executable;
            }
            return "  " + std::string(paths::kTaro) + "\\<v>\\" + paths::kTaroProductName + " " +
                   Quoted(paths::kTaroProductNameValue) + ": the name (<v> one of " + versions + ")\n" + "  " +
                   paths::kTaroFolders + ", for <v> in turn:\n    " + folders + "\n";
        }
        case Detection::kNetscape:
            return "  " + std::string(paths::kNetscapeNavigator) + "\\<v>\\" + paths::kNetscapeMain + " " +
                   Quoted(paths::kNetscapeInstallDirectory) + ": FOLDER (<v> as \"4.76 (en)\")\n" +
                   "  the program is FOLDER\\Program\\" + program + "; the name " + Quoted(prefix + "<v>") + "\n";
    }
    return "";
}

}  // namespace

std::string DetectionGuide(const catalogue::Application& app) { return Reads(app); }

std::string MachineFolderGuide() {
    const std::string product = product::kProductKey;
    std::string out =
        "A machine folder is a Windows machine as files; zentho-appapi init DIR copies the bundled\n"
        "sample machine (a Japanese Windows 2000 desktop) to start from.\n"
        "\n"
        "  DIR/machine.ini    the machine's settings: Windows version, code page, user, environment,\n"
        "                     shell folders, programs' behaviour (UTF-8)\n"
        "  DIR/*.reg          registry contents (REGEDIT4, or Version 5.00 in UTF-16), imported in\n"
        "                     name order; the tool keeps its own changes in " +
        std::string(sim::kToolChangesFile) +
        "\n"
        "  DIR/drives/C/...   drive C:, other letters likewise\n"
        "\n"
        "Detection names most programs by the product version of their version resource (a\n"
        "missing file, or one without a version, reads as 0.0.0), so a machine folder's programs\n"
        "need one. zentho-mkpe writes small programs with the versions given:\n"
        "\n"
        "  cmake --build --preset native --target zentho-mkpe\n"
        "  build/native/tools/zentho-mkpe DIR/drives/C/PATH/Winword.exe --version 9.0.2720.0\n"
        "  DIR/make-programs.sh build/native/tools/zentho-mkpe     (the sample's programs again)\n"
        "\n"
        "The product: HKLM\\" +
        product + "\n  " + Quoted(product::kInstallLocationValue) + " (else " + product::kDefaultInstallLocation +
        ")\n  " + Quoted(product::kProgramLocationValue) + " (else " + product::kDefaultProgramLocation +
        ")\nWhat switching on copies lies below the install location's " + product::kDataFolder +
        " folder.\n"
        "\n"
        "Each application's integration state, per user: HKCU\\" +
        product + "\\<state key>\n" + Quoted(product::kTransValue) + " = dword:1 for on, and " +
        Quoted(product::kApplNameValue) +
        " = the name of the installation switched on\n(an installation of another name reads as off). Outlook's key "
        "also holds " +
        Quoted(product::kPlacedMacroProjectValue) +
        ":\nthe size and a hash of the macro project that switching on placed.\n"
        "\n"
        "What detection reads for each application: below HKLM unless HKCU is named; <v> is a\n"
        "version subkey, the greatest of which counts.\n";
    for (const auto& app : catalogue::kApplications) {
        char header[160];
        std::snprintf(header, sizeof header, "\n%s (0x%04x, %s), state key %s\n", app.description, app.id,
                      app.shortName, app.stateSuffix + 1);  // past its backslash
        out += header + Reads(app);
    }
    out +=
        "\nThe default browser and mail client: HKCR\\" + std::string(paths::kHttpCommand) + " and\nHKCR\\" +
        paths::kMailtoCommand + ", default value: a command line naming one of the programs above.\n";
    return out;
}
