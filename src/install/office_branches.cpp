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
#include "install/product_files.h"
#include "platform/registry_key.h"
#include "platform/text.h"

namespace install {
namespace {

struct TemplateAddIn {
    unsigned int appId;
    const char* programName;     // searched in the detected path
    const char* programLiteral;  // its length is cut from the end of the path
    const char* installSubfolder;
    const char* userSubfolder;  // below the application-data folder
    const char* addIn;
    const char* dataFolder;
};

constexpr TemplateAddIn kTemplates[] = {
    {0x401, "WinWord.exe", "\\WinWord.exe", "\\Startup", "\\Microsoft\\Word\\Startup", "\\Zentho4.dot",
     product_files::kWordFolder},
    {0x404, "Excel.exe", "\\Excel.exe", "\\XLStart", "\\Microsoft\\Excel\\XLStart", "\\Zentho4.xla",
     product_files::kExcelFolder},
    {0x408, "Powerpnt.exe", "\\Powerpnt.exe", "\\Addins", "\\Microsoft\\Addins", "\\Zentho4.ppa",
     product_files::kPowerPointFolder},
};

constexpr char kOutlookUserFolder[] = "\\Microsoft\\Outlook";
constexpr char kMacroProject[] = "\\VbaProject.OTM";

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
    if (!addIn.Create(HKEY_CURRENT_USER, (addIns + "\\Zentho4").c_str(), platform::kWriteAccess)) return;
    addIn.WriteDword("AutoLoad", 1);
    addIn.WriteString("Path", addInPath.c_str());
}

void UnregisterPowerPointAddIn() {
    platform::RegistryKey list;
    const std::string addIns = PowerPointAddInsKey();
    if (!addIns.empty() && list.Open(HKEY_CURRENT_USER, addIns.c_str(), platform::kWriteAccess))
        list.DeleteSubkeyTree("Zentho4");
}

}  // namespace

void OfficeTemplateBranch(const UpdateCall& call) {
    const TemplateAddIn* row = nullptr;
    for (const auto& candidate : kTemplates)
        if (candidate.appId == call.appId) row = &candidate;
    if (!row) return;

    std::string userFolder = UserFolder(row->userSubfolder);
    const bool userExists = IsExistingFolder(userFolder);
    std::string installFolder;
    std::string program = DetectedProgramPath(call.appId);
    char trimmed[platform::kWorkBufferSize];
    if (!program.empty() && platform::ExtractProgramFromCommand(program.c_str(), row->programName, trimmed)) {
        std::string folder = FolderOf(trimmed, row->programLiteral);
        if (!folder.empty()) installFolder = folder + row->installSubfolder;
    }
    const bool installExists = IsExistingFolder(installFolder);

    std::string targetFolder;
    if (userExists) {
        // Never two copies for the application to find: one in its own folder goes.
        if (installExists) Remove(installFolder + row->addIn);
        targetFolder = userFolder;
    } else {
        // Neither folder known: nothing is written (no path made of the file name alone).
        if (installFolder.empty()) return;
        if (!installExists) MakeFolders(installFolder);
        targetFolder = installFolder;
    }
    const std::string target = targetFolder + row->addIn;

    if (!call.on) {
        if (call.appId == 0x408) UnregisterPowerPointAddIn();
        Remove(target);
        return;
    }
    std::string source = DataFolder(row->dataFolder);
    if (source.empty()) return;
    CopyOver(source + row->addIn, target);
    if (call.appId == 0x408) RegisterPowerPointAddIn(target);  // even when the copy failed
}

void OutlookBranch(const UpdateCall& call) {
    std::string folder = UserFolder(kOutlookUserFolder);
    if (!IsExistingFolder(folder)) return;  // the integration lives in the user's folder only
    std::string source = DataFolder(product_files::kOutlookFolder);
    if (source.empty()) return;
    // The user may have a macro project of their own: it is kept aside while the
    // product's is in place, and only the product's copy is ever deleted.
    FileSlot project(folder + kMacroProject, folder + product_files::kSavedMacroProject, source + kMacroProject);
    if (call.on) {
        PlaceKeepingAside(project);
        if (call.previousState == 0) Start(source + "\\ZenthoOutlookAdd.exe", "");
        return;
    }
    if (call.previousState != 0) Start(source + "\\ZenthoOutlookDel.exe", "");
    RemoveAndPutBack(project);  // at once, without waiting for that program
}

}  // namespace install
