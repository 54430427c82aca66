// The catalogue of supported applications (see catalogue.h).
#include "catalogue/catalogue.h"

#include <cstring>

#include "catalogue/product_files.h"
#include "catalogue/product.h"

namespace catalogue {
namespace {

const char* const kBrowsers[] = {"Internet Explorer", "Netscape Navigator"};
// The mail group lists the product itself first, and not the maker's mail client.
const char* const kMailers[] = {"Arvelle Zentho", "Microsoft Outlook", "Microsoft Outlook Express",
                                "Netscape Messenger", "Qualcomm Eudora Pro"};
const char* const kOffice[] = {"Microsoft Excel", "Microsoft PowerPoint", "Microsoft Word"};
const char* const kSuite[] = {"Sarvin Calvora", "Sarvin Corvane", "Sarvin Pictora", "Sarvin Scrivale"};
const char* const kAdobe[] = {"Adobe Acrobat", "Adobe Acrobat Reader"};
const char* const kIchitaro[] = {"Justsystem Ichitaro"};

template <size_t N>
constexpr Group MakeGroup(unsigned int bit, const char* description, const char* const (&entries)[N]) {
    return Group{bit, description, entries, N};
}

namespace files = product_files;

constexpr AddIn kWordAddIn = {"\\Startup", "\\Microsoft\\Word\\Startup", files::kWordFolder, files::kWordTemplate,
                              false};
constexpr AddIn kExcelAddIn = {"\\XLStart", "\\Microsoft\\Excel\\XLStart", files::kExcelFolder, files::kExcelAddIn,
                               false};
constexpr AddIn kPowerPointAddIn = {"\\Addins", "\\Microsoft\\Addins", files::kPowerPointFolder,
                                    files::kPowerPointAddIn, true};

const char* const kScrivaleIconDeletions[] = {files::kToolbarBitmap, files::kToolbarSet, nullptr};
const char* const kScrivaleScriptDeletions[] = {files::kScript, files::kCompiledScript, files::kEarlierScript,
                                                files::kEarlierCompiledScript, nullptr};
const char* const kScrivaleIconCopies[] = {files::kToolbarBitmap, files::kToolbarSet, nullptr};
const char* const kCalvoraIconDeletions[] = {files::kToolbarBitmap, files::kToolbarSet, nullptr};
const char* const kCalvoraScriptDeletions[] = {files::kScript, files::kCompiledScript, nullptr};
const char* const kCalvoraIconCopies[] = {files::kToolbarBitmap, nullptr};
const char* const kScriptCopies[] = {files::kScript, nullptr};

constexpr SuiteScripts kScrivaleScripts = {"Scripts",           kScrivaleIconDeletions, kScrivaleScriptDeletions,
                                           kScrivaleIconCopies, kScriptCopies,          files::kScrivaleFolder,
                                           files::kScrivaleAdd};
constexpr SuiteScripts kCalvoraScripts = {
    "Work", kCalvoraIconDeletions, kCalvoraScriptDeletions, kCalvoraIconCopies, kScriptCopies, files::kCalvoraFolder,
    nullptr};

}  // namespace

const Group kGroups[6] = {
    MakeGroup(0x100, "web browsers", kBrowsers),   MakeGroup(0x200, "mail clients", kMailers),
    MakeGroup(0x400, "Microsoft Office", kOffice), MakeGroup(0x800, "Sarvin Tessaline", kSuite),
    MakeGroup(0x1000, "Adobe Acrobat", kAdobe),    MakeGroup(0x2000, "Justsystem Ichitaro", kIchitaro),
};

const Application kRows[] = {
    {ZENTHO_APP_INTERNET_EXPLORER, "Internet Explorer", "ie", "\\ApplTrans\\BrwsTrans\\IE", Detection::kExplorerStyle,
     nullptr, "IEXPLORE.EXE", "Microsoft Internet Explorer ", Branch::kInternetExplorer},
    {ZENTHO_APP_NETSCAPE_NAVIGATOR, "Netscape Navigator", "netscape", "\\ApplTrans\\BrwsTrans\\NS",
     Detection::kNetscape, nullptr, "netscape.exe", "Netscape Navigator ", Branch::kNetscape},
    {ZENTHO_APP_OUTLOOK_EXPRESS, "Microsoft Outlook Express", "outlook-express", "\\ApplTrans\\MailTrans\\OE",
     Detection::kExplorerStyle, nullptr, "msimn.exe", "Microsoft Outlook Express ", Branch::kMailToolbar, nullptr,
     nullptr, ZENTHO_APP_NETSCAPE_MESSENGER},
    {ZENTHO_APP_OUTLOOK_MAIL, "Microsoft Outlook (mail)", "outlook-mail", "\\ApplTrans\\MailTrans\\OL",
     Detection::kOffice, "Outlook", "Outlook.exe", "Microsoft Outlook ", Branch::kOutlook},
    {ZENTHO_APP_NETSCAPE_MESSENGER, "Netscape Messenger", "messenger", "\\ApplTrans\\MailTrans\\NM",
     Detection::kNetscape, nullptr, "netscape.exe", "Netscape Messenger ", Branch::kMailToolbar, nullptr, nullptr,
     ZENTHO_APP_OUTLOOK_EXPRESS},
    // Eudora's names have two blanks before the version.
    {ZENTHO_APP_EUDORA_PRO, "Qualcomm Eudora Pro", "eudora", "\\ApplTrans\\MailTrans\\EP", Detection::kVersioned,
     nullptr, "eudora.exe", "Qualcomm Eudora Pro  ", Branch::kEudora},
    {ZENTHO_APP_QUILLON, "Quillon", "quillon", "\\ApplTrans\\MailTrans\\QL", Detection::kVersioned, nullptr,
     "quillon.exe", "Quillon ", Branch::kQuillon},
    {ZENTHO_APP_WORD, "Microsoft Word", "word", "\\ApplTrans\\OfficeTrans\\WD", Detection::kOffice, "Word",
     "Winword.exe", "Microsoft Word ", Branch::kOfficeAddIn, &kWordAddIn},
    {ZENTHO_APP_OUTLOOK, "Microsoft Outlook", "outlook", "\\ApplTrans\\MailTrans\\OL", Detection::kOffice, "Outlook",
     "Outlook.exe", "Microsoft Outlook ", Branch::kOutlook},
    {ZENTHO_APP_EXCEL, "Microsoft Excel", "excel", "\\ApplTrans\\OfficeTrans\\EX", Detection::kOffice, "Excel",
     "Excel.exe", "Microsoft Excel ", Branch::kOfficeAddIn, &kExcelAddIn},
    {ZENTHO_APP_POWERPOINT, "Microsoft PowerPoint", "powerpoint", "\\ApplTrans\\OfficeTrans\\PP", Detection::kOffice,
     "PowerPoint", "Powerpnt.exe", "Microsoft PowerPoint ", Branch::kOfficeAddIn, &kPowerPointAddIn},
    {ZENTHO_APP_CORVANE, "Sarvin Corvane", "corvane", "\\ApplTrans\\OfficeTrans\\CV", Detection::kSuite, "Corvane",
     "Corvane.exe", nullptr, Branch::kCorvane},
    {ZENTHO_APP_SCRIVALE, "Sarvin Scrivale", "scrivale", "\\ApplTrans\\OfficeTrans\\SV", Detection::kSuite, "Scrivale",
     nullptr, nullptr, Branch::kSuiteScripts, nullptr, &kScrivaleScripts},
    {ZENTHO_APP_CALVORA, "Sarvin Calvora", "calvora", "\\ApplTrans\\OfficeTrans\\Calvora", Detection::kSuite, "Calvora",
     nullptr, nullptr, Branch::kSuiteScripts, nullptr, &kCalvoraScripts},
    {ZENTHO_APP_PICTORA, "Sarvin Pictora", "pictora", "\\ApplTrans\\OfficeTrans\\PCT", Detection::kSuite, "Pictora",
     "p32main.exe", nullptr, Branch::kPictora},
    {ZENTHO_APP_ACROBAT, "Adobe Acrobat", "acrobat", "\\ApplTrans\\OfficeTrans\\A", Detection::kAdobe, "Adobe Acrobat",
     "Acrobat.exe", "", Branch::kAcrobat},
    {ZENTHO_APP_ACROBAT_READER, "Adobe Acrobat Reader", "acrobat-reader", "\\ApplTrans\\OfficeTrans\\AR",
     Detection::kAdobe, "Acrobat Reader", "AcroRd32.exe", "Adobe ", Branch::kAcrobat},
    {ZENTHO_APP_ICHITARO, "Justsystem Ichitaro", "ichitaro", "\\ApplTrans\\OfficeTrans\\ICT", Detection::kIchitaro,
     nullptr, nullptr, nullptr, Branch::kIchitaro},
};

const ApplicationTable kApplications{kRows, sizeof kRows / sizeof kRows[0]};

const Application* FindApplication(AppId id) {
    for (const auto& app : kApplications)
        if (app.id == id) return &app;
    return nullptr;
}

const Application* FindByDetection(Detection detection, const char* detectName) {
    for (const auto& app : kApplications)
        if (app.detection == detection && app.detectName && detectName && std::strcmp(app.detectName, detectName) == 0)
            return &app;
    return nullptr;
}

void MakeStateKeyPath(AppId id, char* buffer) {
    std::strcpy(buffer, product::kProductKey);
    if (const Application* app = FindApplication(id)) std::strcat(buffer, app->stateSuffix);
}

}  // namespace catalogue
