// The product's own files that the installer places, starts or points to, each with
// its folder: programs and libraries in the program folder (ProgramLocation), add-ins,
// templates, scripts, icons, dictionaries and macros in subfolders of the data folder
// (InstallLocation\Data). Their contents are the product's business; the installer
// relies only on these names.
#pragma once

#include <cstddef>

namespace product_files {

// Program folder.
inline constexpr char kNetscapeTranslator[] = "ZenthoNSTrans.exe";
inline constexpr char kMailToolbar[] = "ZenthoMailTransToolBar.exe";
inline constexpr char kEudoraPlugin[] = "ZenthoEMailButton.dll";
inline constexpr char kQuillonLibrary[] = "ZenthoQuillonTrans.dll";
inline constexpr char kGroupwareProgram[] = "Zentho4A.exe";
inline constexpr char kThisLibrary[] = "ZenthoAppAPILib.dll";
inline constexpr char kAcrobat5Plugin[] = "ZenthoPDFTrans5.api";
inline constexpr char kAcrobat4Plugin[] = "ZenthoPDFTrans.api";

// Data folder: subfolders, and the files in them.
inline constexpr char kScriptsFolder[] = "Scripts";
inline constexpr char kButtonFolder[] = "TransIEbutton";
inline constexpr char kWordFolder[] = "\\Word";
inline constexpr char kExcelFolder[] = "\\Excel";
inline constexpr char kPowerPointFolder[] = "\\PowerPoint";
inline constexpr char kOutlookFolder[] = "\\Outlook";
inline constexpr char kCorvaneFolder[] = "\\Corvane";
inline constexpr char kScrivaleFolder[] = "\\Scrivale";
inline constexpr char kCalvoraFolder[] = "\\Calvora";
inline constexpr char kPictoraFolder[] = "\\pct";
inline constexpr char kTaroFolder[] = "\\Taro";

// What the installer keeps aside of the user's while the product's copy is in place:
// Outlook's own macro project, in the same folder, and Quillon's translation library
// entry, in the same key.
inline constexpr char kSavedMacroProject[] = "\\ZenthoSavedVbaProject.OTM";
inline constexpr char kSavedTranslationLib[] = "ZenthoSavedTranslationLib";

struct ProductFile {
    const char* folder;  // "" for the program folder, else a data subfolder
    const char* name;
};

// Every file, for checks that a machine holds the whole product.
inline constexpr ProductFile kAll[] = {
    {"", kNetscapeTranslator},
    {"", kMailToolbar},
    {"", kEudoraPlugin},
    {"", kQuillonLibrary},
    {"", kGroupwareProgram},
    {"", kThisLibrary},
    {"", kAcrobat5Plugin},
    {"", kAcrobat4Plugin},
    {kScriptsFolder, "translateM.htm"},
    {kScriptsFolder, "transRubi.htm"},
    {kScriptsFolder, "dontknow.htm"},
    {kScriptsFolder, "getunknownwords.htm"},
    {kScriptsFolder, "transSetup.htm"},
    {kButtonFolder, "translateM.htm"},
    {kButtonFolder, "lumet.ico"},
    {kButtonFolder, "lumetgray.ico"},
    {kWordFolder, "Zentho4.dot"},
    {kExcelFolder, "Zentho4.xla"},
    {kPowerPointFolder, "Zentho4.ppa"},
    {kOutlookFolder, "VbaProject.OTM"},
    {kOutlookFolder, "ZenthoOutlookAdd.exe"},
    {kOutlookFolder, "ZenthoOutlookDel.exe"},
    {kCorvaneFolder, "Zentho4.bmp"},
    {kCorvaneFolder, "Zentho4.mac"},
    {kScrivaleFolder, "Zentho4.bmp"},
    {kScrivaleFolder, "Zentho4.gyd"},
    {kScrivaleFolder, "Zentho4.yss"},
    {kScrivaleFolder, "ZenthoScrivaleAdd.exe"},
    {kCalvoraFolder, "Zentho4.bmp"},
    {kCalvoraFolder, "Zentho4.yss"},
    {kPictoraFolder, "Zentho4.bmp"},
    {kPictoraFolder, "Zentho4.yss"},
    {kTaroFolder, "Arvelle_zentho.jtd"},
    {kTaroFolder, "Arvelle_jic.tbl"},
    {kTaroFolder, "Arvelle_lib.jbl"},
    {kTaroFolder, "install.mtx"},
    {kTaroFolder, "uninstall.mtx"},
};

}  // namespace product_files
