// The Sarvin Tessaline branches: toolbar icons, script files and, for the groupware,
// a program and this library, placed in the applications' own folders as the
// suite's registration names them.
#include <cstring>
#include <string>
#include <vector>

#include "detect/suite.h"
#include "frame/exports.h"
#include "install/branches.h"
#include "install/mechanics.h"
#include "install/product_files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace install {
namespace {

struct ScriptedApplication {
    unsigned int appId;
    const char* name;
    const char* scriptFolder;
    std::vector<const char*> iconDeletions, scriptDeletions, iconCopies, scriptCopies;
    const char* dataFolder;
    const char* startAfterCopies;  // in the data subfolder, or null
};

const ScriptedApplication kScripted[] = {
    {0x802,
     "Scrivale",
     "Scripts",
     {"\\Zentho4.bmp", "\\Zentho4.gyd"},
     {"\\Zentho4.yss", "\\Zentho4.yso", "\\Zentho4A.yss", "\\Zentho4A.yso"},
     {"\\Zentho4.bmp", "\\Zentho4.gyd"},
     {"\\Zentho4.yss"},
     product_files::kScrivaleFolder,
     "\\ZenthoScrivaleAdd.exe"},
    {0x804,
     "Calvora",
     "Work",
     {"\\Zentho4.bmp", "\\Zentho4.gyd"},
     {"\\Zentho4.yss", "\\Zentho4.yso"},
     {"\\Zentho4.bmp"},
     {"\\Zentho4.yss"},
     product_files::kCalvoraFolder,
     nullptr},
};

constexpr char kIconFolder[] = "Glyphdeck";

std::string UserFolderOf(const char* application, const char* folder) {
    std::string path;  // empty unless registered
    detect::GetSuiteUserFolder(application, folder, &path);
    return path;
}

}  // namespace

void CorvaneBranch(const UpdateCall& call) {
    char text[platform::kWorkBufferSize] = {};
    detect::FindCorvaneIconPath(nullptr, text);
    if (!text[0]) return;
    const std::string icons = text;
    text[0] = 0;
    GetLatestSarvinTessalineAppInfo(const_cast<char*>("Corvane"), nullptr, text, nullptr);
    if (!text[0]) return;
    // The program folder keeps its backslash: the file names are appended without one.
    // A path too short for the cut gives no folder, and then nothing is done: the file
    // names alone would name files in whatever the current folder is.
    const std::string programFolder = FolderOf(text, "Corvane.exe");
    if (!platform::IsAbsolutePath(programFolder.c_str()) || !platform::IsAbsolutePath(icons.c_str())) return;
    const std::string bmp = icons + "\\Zentho4.bmp", mac = icons + "\\Zentho4.mac";
    const std::string program = programFolder + product_files::kGroupwareProgram;
    const std::string library = programFolder + product_files::kThisLibrary;
    if (!call.on) {
        for (const auto& target : {bmp, mac, program, library}) Remove(target);
        return;
    }
    std::string source = DataFolder(product_files::kCorvaneFolder);
    if (source.empty()) return;
    CopyOver(source + "\\Zentho4.bmp", bmp);
    CopyOver(source + "\\Zentho4.mac", mac);
    std::string programSource = ProgramFile(product_files::kGroupwareProgram);
    if (!programSource.empty()) CopyOver(programSource, program);
    std::string librarySource = ProgramFile(product_files::kThisLibrary);
    if (!librarySource.empty()) CopyOver(librarySource, library);
}

void ScrivaleCalvoraBranch(const UpdateCall& call) {
    const ScriptedApplication* app = call.appId == 0x802 ? &kScripted[0] : &kScripted[1];
    if (DetectedProgramPath(call.appId).empty()) return;
    // Both folders must be registered and exist; a script folder that is not
    // registered counts as missing, and nothing changes.
    const std::string icons = UserFolderOf(app->name, kIconFolder);
    if (!IsExistingFolder(icons)) return;
    const std::string scripts = UserFolderOf(app->name, app->scriptFolder);
    if (!IsExistingFolder(scripts)) return;
    for (const char* file : app->iconDeletions) Remove(icons + file);
    for (const char* file : app->scriptDeletions) Remove(scripts + file);
    if (!call.on) return;
    std::string source = DataFolder(app->dataFolder);
    if (source.empty()) return;
    for (const char* file : app->iconCopies) CopyOver(source + file, icons + file);
    for (const char* file : app->scriptCopies) CopyOver(source + file, scripts + file);
    if (app->startAfterCopies) Start(source + app->startAfterCopies, "");
}

void PictoraBranch(const UpdateCall& call) {
    std::string program = DetectedProgramPath(call.appId);
    if (program.empty()) return;
    const std::string icons = UserFolderOf("Pictora", "Icons");
    if (!IsExistingFolder(icons)) return;
    const std::string suite = FolderOf(program, "\\pct\\p32main.exe");
    if (suite.empty()) return;  // no folder to put "\work\pct" under
    const std::string work = suite + "\\work\\pct";
    if (!IsExistingFolder(work)) return;
    Remove(icons + "\\Zentho4.bmp");
    Remove(icons + "\\Zentho4.gyd");
    Remove(work + "\\Zentho4.yss");
    Remove(work + "\\Zentho4.yso");
    if (!call.on) return;
    std::string source = DataFolder(product_files::kPictoraFolder);
    if (source.empty()) return;
    CopyOver(source + "\\Zentho4.bmp", icons + "\\Zentho4.bmp");
    CopyOver(source + "\\Zentho4.yss", work + "\\Zentho4.yss");
}

}  // namespace install
