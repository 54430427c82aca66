// The product's own files that the installer places, starts or points to, each named
// once: programs and libraries in the program folder (ProgramLocation), add-ins,
// templates, scripts, icons, dictionaries and macros in subfolders of the data folder
// (InstallLocation\Data); and the names under which the installer keeps aside what
// is the user's. Their contents are the product's business; the installer relies only
// on these names. Names carry no backslash: paths are joined where they are built.
#pragma once

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

// Data folder: its subfolders.
inline constexpr char kScriptsFolder[] = "Scripts";
inline constexpr char kButtonFolder[] = "TransIEbutton";
inline constexpr char kWordFolder[] = "Word";
inline constexpr char kExcelFolder[] = "Excel";
inline constexpr char kPowerPointFolder[] = "PowerPoint";
inline constexpr char kOutlookFolder[] = "Outlook";
inline constexpr char kCorvaneFolder[] = "Corvane";
inline constexpr char kScrivaleFolder[] = "Scrivale";
inline constexpr char kCalvoraFolder[] = "Calvora";
inline constexpr char kPictoraFolder[] = "pct";
inline constexpr char kTaroFolder[] = "Taro";

// Internet Explorer's script pages (Scripts; the button's page is in TransIEbutton).
inline constexpr char kTranslatePage[] = "translateM.htm";
inline constexpr char kAnnotatePage[] = "transRubi.htm";
inline constexpr char kDictionaryPage[] = "dontknow.htm";
inline constexpr char kUnknownWordsPage[] = "getunknownwords.htm";
inline constexpr char kSettingsPage[] = "transSetup.htm";
inline constexpr char kButtonHotIcon[] = "lumet.ico";
inline constexpr char kButtonIcon[] = "lumetgray.ico";

// Office: the add-ins, Outlook's macro project and the two programs that register it.
inline constexpr char kWordTemplate[] = "Zentho4.dot";
inline constexpr char kExcelAddIn[] = "Zentho4.xla";
inline constexpr char kPowerPointAddIn[] = "Zentho4.ppa";
inline constexpr char kMacroProject[] = "VbaProject.OTM";
inline constexpr char kOutlookAdd[] = "ZenthoOutlookAdd.exe";
inline constexpr char kOutlookDel[] = "ZenthoOutlookDel.exe";

// The suite: toolbar bitmap, toolbar set, scripts (sources and compiled, and an
// earlier edition's), the groupware's macro file and Scrivale's setup program.
inline constexpr char kToolbarBitmap[] = "Zentho4.bmp";
inline constexpr char kToolbarSet[] = "Zentho4.gyd";
inline constexpr char kScript[] = "Zentho4.yss";
inline constexpr char kCompiledScript[] = "Zentho4.yso";
inline constexpr char kEarlierScript[] = "Zentho4A.yss";
inline constexpr char kEarlierCompiledScript[] = "Zentho4A.yso";
inline constexpr char kGroupwareMacro[] = "Zentho4.mac";
inline constexpr char kScrivaleAdd[] = "ZenthoScrivaleAdd.exe";

// Ichitaro: the dictionaries and the macros it runs behind its /M/ switch.
inline constexpr char kTaroDictionary[] = "Arvelle_zentho.jtd";
inline constexpr char kTaroTable[] = "Arvelle_jic.tbl";
inline constexpr char kTaroLibrary[] = "Arvelle_lib.jbl";
inline constexpr char kTaroInstallMacro[] = "install.mtx";
inline constexpr char kTaroUninstallMacro[] = "uninstall.mtx";

// What the installer keeps aside of the user's while the product's copy is in place:
// Outlook's own macro project, in the same folder, and Quillon's translation library
// entry, in the same key. A macro project the product placed and that changed since
// (Outlook saves macros into it) is kept under the changed name when the integration
// goes: the first free one of it and its numbered forms (ZenthoChangedVbaProject2.OTM).
inline constexpr char kSavedMacroProject[] = "ZenthoSavedVbaProject.OTM";
inline constexpr char kChangedMacroProject[] = "ZenthoChangedVbaProject.OTM";
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
    {kScriptsFolder, kTranslatePage},
    {kScriptsFolder, kAnnotatePage},
    {kScriptsFolder, kDictionaryPage},
    {kScriptsFolder, kUnknownWordsPage},
    {kScriptsFolder, kSettingsPage},
    {kButtonFolder, kTranslatePage},
    {kButtonFolder, kButtonHotIcon},
    {kButtonFolder, kButtonIcon},
    {kWordFolder, kWordTemplate},
    {kExcelFolder, kExcelAddIn},
    {kPowerPointFolder, kPowerPointAddIn},
    {kOutlookFolder, kMacroProject},
    {kOutlookFolder, kOutlookAdd},
    {kOutlookFolder, kOutlookDel},
    {kCorvaneFolder, kToolbarBitmap},
    {kCorvaneFolder, kGroupwareMacro},
    {kScrivaleFolder, kToolbarBitmap},
    {kScrivaleFolder, kToolbarSet},
    {kScrivaleFolder, kScript},
    {kScrivaleFolder, kScrivaleAdd},
    {kCalvoraFolder, kToolbarBitmap},
    {kCalvoraFolder, kScript},
    {kPictoraFolder, kToolbarBitmap},
    {kPictoraFolder, kScript},
    {kTaroFolder, kTaroDictionary},
    {kTaroFolder, kTaroTable},
    {kTaroFolder, kTaroLibrary},
    {kTaroFolder, kTaroInstallMacro},
    {kTaroFolder, kTaroUninstallMacro},
};

}  // namespace product_files
