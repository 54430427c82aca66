// The Sarvin Tessaline branches: toolbar icons, script files and, for the groupware,
// a program and this library, placed in the applications' own folders as the
// suite's registration names them.
#include <cstring>
#include <string>

#include "detect/suite.h"
#include "detect/suite.h"
#include "install/branches.h"
#include "catalogue/product_files.h"
#include "install/mechanics.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace install {
namespace {

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
    detect::LatestSuiteAppInfo(const_cast<char*>(call.app.detectName), nullptr, text, nullptr);
    if (!text[0]) return;
    // The program folder keeps its backslash: the file names are appended without one.
    // A path too short for the cut gives no folder, and then nothing is done: the file
    // names alone would name files in whatever the current folder is.
    const std::string programFolder = FolderOf(text, call.app.program);
    if (!platform::IsAbsolutePath(programFolder.c_str()) || !platform::IsAbsolutePath(icons.c_str())) return;
    namespace files = product_files;
    const std::string bmp = In(icons, files::kToolbarBitmap), mac = In(icons, files::kGroupwareMacro);
    const std::string program = programFolder + product_files::kGroupwareProgram;
    const std::string library = programFolder + product_files::kThisLibrary;
    if (!call.on) {
        for (const auto& target : {bmp, mac, program, library}) Remove(target);
        return;
    }
    std::string source = DataFolder(files::kCorvaneFolder);
    if (source.empty()) return;
    CopyOver(In(source, files::kToolbarBitmap), bmp);
    CopyOver(In(source, files::kGroupwareMacro), mac);
    std::string programSource = ProgramFile(product_files::kGroupwareProgram);
    if (!programSource.empty()) CopyOver(programSource, program);
    std::string librarySource = ProgramFile(product_files::kThisLibrary);
    if (!librarySource.empty()) CopyOver(librarySource, library);
}

void SuiteScriptsBranch(const UpdateCall& call) {
    const catalogue::SuiteScripts* app = call.app.suiteScripts;
    if (!app || DetectedProgramPath(call.app.id).empty()) return;
    // Both folders must be registered and exist; a script folder that is not
    // registered counts as missing, and nothing changes.
    const std::string icons = UserFolderOf(call.app.detectName, kIconFolder);
    if (!IsExistingFolder(icons)) return;
    const std::string scripts = UserFolderOf(call.app.detectName, app->scriptFolder);
    if (!IsExistingFolder(scripts)) return;
    for (auto file = app->iconDeletions; *file; ++file) Remove(In(icons, *file));
    for (auto file = app->scriptDeletions; *file; ++file) Remove(In(scripts, *file));
    if (!call.on) return;
    std::string source = DataFolder(app->dataFolder);
    if (source.empty()) return;
    for (auto file = app->iconCopies; *file; ++file) CopyOver(In(source, *file), In(icons, *file));
    for (auto file = app->scriptCopies; *file; ++file) CopyOver(In(source, *file), In(scripts, *file));
    if (app->startAfterCopies) Start(In(source, app->startAfterCopies), "");
}

void PictoraBranch(const UpdateCall& call) {
    std::string program = DetectedProgramPath(call.app.id);
    if (program.empty()) return;
    const std::string icons = UserFolderOf(call.app.detectName, "Icons");
    if (!IsExistingFolder(icons)) return;
    // The program lies in the suite's "pct" folder; its work folder is "work\pct" beside.
    const std::string suite = FolderOf(program, In("\\pct", call.app.program).c_str());
    if (suite.empty()) return;  // no folder to put "\work\pct" under
    const std::string work = suite + "\\work\\pct";
    if (!IsExistingFolder(work)) return;
    namespace files = product_files;
    Remove(In(icons, files::kToolbarBitmap));
    Remove(In(icons, files::kToolbarSet));
    Remove(In(work, files::kScript));
    Remove(In(work, files::kCompiledScript));
    if (!call.on) return;
    std::string source = DataFolder(files::kPictoraFolder);
    if (source.empty()) return;
    CopyOver(In(source, files::kToolbarBitmap), In(icons, files::kToolbarBitmap));
    CopyOver(In(source, files::kScript), In(work, files::kScript));
}

}  // namespace install
