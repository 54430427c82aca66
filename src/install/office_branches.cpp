// The Microsoft Office branches: the add-in that Word, Excel and PowerPoint load at
// start (a template, an add-in workbook, an add-in presentation), placed in the
// user's own folder when it exists, else in the application's; PowerPoint's add-in
// registration; and Outlook's macro project with the two programs that register it.
#include <cstring>
#include <string>

#include "detect/office.h"
#include "install/branches.h"
#include "install/keep_aside.h"
#include "install/mechanics.h"
#include "catalogue/product_files.h"
#include "catalogue/product.h"
#include "platform/registry_key.h"
#include "platform/text.h"

namespace install {
namespace {

constexpr char kOutlookUserFolder[] = "\\Microsoft\\Outlook";

// The key below which PowerPoint lists its add-ins, under HKEY_CURRENT_USER: the same
// path as the newest PowerPoint's key under HKEY_LOCAL_MACHINE; "" when no PowerPoint
// is found, so that nothing is written at the top of the user's registry.
std::string PowerPointAddInsKey() {
    char key[platform::kWorkBufferSize] = {};
    detect::FindLatestOfficeApp("PowerPoint", nullptr, nullptr, key);
    return key[0] ? std::string(key) + "\\AddIns" : "";
}

void RegisterPowerPointAddIn(const std::string& addInPath) {
    std::string addIns = PowerPointAddInsKey();
    if (addIns.empty()) return;
    {
        platform::RegistryKey list;
        if (!list.Open(HKEY_CURRENT_USER, addIns.c_str(), platform::kReadAccess) &&
            !list.Create(HKEY_CURRENT_USER, addIns.c_str(), platform::kWriteAccess))
            return;
    }
    platform::RegistryKey addIn;
    if (!addIn.Create(HKEY_CURRENT_USER, In(addIns, product::kPowerPointAddInKey).c_str(), platform::kWriteAccess))
        return;
    addIn.WriteDword("AutoLoad", 1);
    addIn.WriteString("Path", addInPath.c_str());
}

void UnregisterPowerPointAddIn() {
    platform::RegistryKey list;
    const std::string addIns = PowerPointAddInsKey();
    if (!addIns.empty() && list.Open(HKEY_CURRENT_USER, addIns.c_str(), platform::kWriteAccess))
        list.DeleteSubkeyTree(product::kPowerPointAddInKey);
}

}  // namespace

void OfficeAddInBranch(const UpdateCall& call) {
    const catalogue::AddIn* row = call.app.addIn;
    if (!row) return;
    std::string userFolder = UserFolder(row->userSubfolder);
    const bool userExists = IsExistingFolder(userFolder);
    std::string installFolder;
    std::string program = DetectedProgramPath(call.app.id);
    char trimmed[platform::kWorkBufferSize];
    if (!program.empty() && platform::ExtractProgramFromCommand(program.c_str(), call.app.program, trimmed)) {
        std::string folder = FolderOf(trimmed, In("", call.app.program).c_str());
        if (!folder.empty()) installFolder = folder + row->installSubfolder;
    }
    const bool installExists = IsExistingFolder(installFolder);

    std::string targetFolder;
    if (userExists) {
        // Never two copies for the application to find: one in its own folder goes.
        if (installExists) Remove(In(installFolder, row->file));
        targetFolder = userFolder;
    } else {
        // Neither folder known: nothing is written (no path made of the file name alone).
        if (installFolder.empty()) return;
        if (!installExists) MakeFolders(installFolder);
        targetFolder = installFolder;
    }
    const std::string target = In(targetFolder, row->file);

    if (!call.on) {
        if (row->registered) UnregisterPowerPointAddIn();
        Remove(target);
        return;
    }
    std::string source = DataFolder(row->dataFolder);
    if (source.empty()) return;
    // A registration names the add-in: it is written only when the add-in is in place.
    if (CopyOver(In(source, row->file), target) && row->registered) RegisterPowerPointAddIn(target);
}

void OutlookBranch(const UpdateCall& call) {
    std::string folder = UserFolder(kOutlookUserFolder);
    if (!IsExistingFolder(folder)) return;  // the integration lives in the user's folder only
    std::string source = DataFolder(product_files::kOutlookFolder);
    if (source.empty()) return;
    // The user may have a macro project of their own: it is kept aside while the
    // product's is in place, and only the product's copy is ever deleted. One the product
    // placed that changed since (Outlook saves macros into it) may hold the user's work:
    // it is kept under a name of the product's own when the integration goes.
    namespace files = product_files;
    FileSlot project(In(folder, files::kMacroProject), In(folder, files::kSavedMacroProject),
                     In(source, files::kMacroProject), In(folder, files::kChangedMacroProject),
                     PlacedRecord(call.app.id, product::kPlacedMacroProjectValue));
    // The two programs work on the project in place: the one that registers it runs
    // only after the product's copy went in, the one that unregisters it only while the
    // product's copy is there and no project of the user's is about to take its place.
    if (call.on) {
        if (PlaceKeepingAside(project) && call.previousState == 0) Start(In(source, files::kOutlookAdd), "");
        return;
    }
    RemoveAndPutBack(project, [&] {
        if (call.previousState != 0) Start(In(source, files::kOutlookDel), "");
    });
}

}  // namespace install
