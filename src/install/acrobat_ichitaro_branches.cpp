// The Acrobat and Ichitaro branches: the plug-in build that matches the Adobe
// program's version in its "plug_ins" folder; Ichitaro's dictionaries in its program
// folder, and the macro run that Ichitaro itself carries out, waited for on removal.
#include <cstring>
#include <string>

#include "install/branches.h"
#include "install/mechanics.h"
#include "catalogue/product_files.h"
#include "install/windows.h"
#include "platform/heap_string.h"
#include "platform/paths.h"
#include "platform/registry_key.h"
#include "catalogue/registry_paths.h"

namespace install {
namespace {

struct AdobeVersion {
    const char* version;
    const char* plugin;
};
constexpr AdobeVersion kAdobeVersions[] = {{"5.0", product_files::kAcrobat5Plugin},
                                           {"4.0", product_files::kAcrobat4Plugin}};

const char* const kTaroClasses[] = {"js:TARO9", "js:TARO10", "js:TARO11"};

bool AnyTaroWindow() {
    for (const char* name : kTaroClasses)
        if (os::FindWindowA(name, nullptr)) return true;
    return false;
}

// Waits, a pass at a time, until done() or the bound; dispatches one of the caller's
// messages after every pass that does not end the wait, and between passes waits for
// input or a short while instead of spinning. False when the bound ends it.
template <typename Done>
bool WaitUntil(Done done, DWORD boundMs) {
    const DWORD start = os::GetTickCount();
    for (;;) {
        if (done()) return true;
        if (os::GetTickCount() - start >= boundMs) return false;
        PumpOneMessage();
        os::MsgWaitForMultipleObjects(0, nullptr, FALSE, Bounds().passMs, QS_ALLINPUT);
    }
}

}  // namespace

void AcrobatBranch(const UpdateCall& call) {
    platform::HeapString location(platform::GetProgramLocation());
    if (!location || !IsExistingFolder(location.get())) return;
    const std::string product = In(registry_paths::kAdobe, call.app.detectName) + "\\";
    const std::string fallback = registry_paths::AppPathsKey(call.app.program);
    // The first version whose folder key opens decides, also when the folder comes from
    // the shell's registration of the program.
    platform::RegistryKey folderKey;
    const char* valueName = nullptr;
    const AdobeVersion* chosen = nullptr;
    for (const auto& version : kAdobeVersions) {
        const std::string versionKey = product + version.version;
        HKEY root = HKEY_LOCAL_MACHINE;
        {
            platform::RegistryKey probe;
            if (!probe.Open(HKEY_LOCAL_MACHINE, versionKey.c_str(), platform::kReadAccess)) {
                if (!probe.Open(HKEY_CURRENT_USER, versionKey.c_str(), platform::kReadAccess)) continue;
                root = HKEY_CURRENT_USER;
            }
        }
        std::string installPath = versionKey + "\\" + registry_paths::kAdobeInstallPath;
        if (folderKey.Open(root, installPath.c_str(), platform::kReadAccess)) {
            valueName = "";
        } else if (folderKey.Open(HKEY_LOCAL_MACHINE, fallback.c_str(), platform::kReadAccess)) {
            valueName = "Path";
        } else {
            continue;
        }
        chosen = &version;
        break;
    }
    if (!chosen) return;
    std::string folder;
    if (!platform::ReadText(folderKey, valueName, &folder)) return;
    const std::string pluginFolder = folder + "\\plug_ins";
    if (!IsExistingFolder(pluginFolder)) return;
    const std::string target = In(pluginFolder, chosen->plugin);
    if (call.on)
        CopyOver(In(location.get(), chosen->plugin), target);
    else
        Remove(target);
}

void IchitaroBranch(const UpdateCall& call) {
    const std::string program = DetectedProgramPath(call.app.id);
    // The folder: the path less "Taro9.exe" (9 characters) or "Taro10.exe" /
    // "Taro11.exe" (10), then less its backslash.
    std::string folder = FolderOf(program, "Taro9.exe");
    if (folder.empty() || folder.back() != '\\') folder = FolderOf(program, "Taro10.exe");
    if (folder.empty()) return;
    folder.pop_back();
    if (!platform::IsAbsolutePath(folder.c_str()) || !IsExistingFolder(folder)) return;
    namespace files = product_files;
    const std::string jtd = In(folder, files::kTaroDictionary), tbl = In(folder, files::kTaroTable),
                      jbl = In(folder, files::kTaroLibrary);
    const std::string source = DataFolder(files::kTaroFolder);
    if (source.empty()) return;
    // Ichitaro runs the macro file behind its /M/ switch: "/M/<folder>\install.mtx" in quotes.
    auto macro = [&](const char* file) { return "\"/M/" + In(source, file) + "\""; };
    if (call.on) {
        Remove(tbl);
        Remove(jbl);
        CopyOver(In(source, files::kTaroDictionary), jtd);
        CopyOver(In(source, files::kTaroTable), tbl);
        CopyOver(In(source, files::kTaroLibrary), jbl);
        if (call.previousState == 0) Start(program, macro(files::kTaroInstallMacro).c_str());
        return;
    }
    if (call.previousState != 0) {
        // Ichitaro must open and close again before two of the files can go. A start
        // that fails has nothing to wait for; the waits are bounded.
        const bool started =
            platform::ShellOpen(program.c_str(), macro(files::kTaroUninstallMacro).c_str(), nullptr) != 0;
        if (started) WaitUntil(AnyTaroWindow, Bounds().ichitaroStartMs);
        if (!WaitUntil([] { return !AnyTaroWindow(); }, Bounds().ichitaroCloseMs)) return;  // still open: files stay
    }
    Remove(tbl);
    Remove(jbl);
}

}  // namespace install
