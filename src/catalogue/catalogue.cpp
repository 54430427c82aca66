// The catalogue of supported applications (see catalogue.h).
#include "catalogue/catalogue.h"

#include <cstring>

#include "platform/product.h"

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

}  // namespace

const Group kGroups[6] = {
    MakeGroup(0x100, "web browsers", kBrowsers),   MakeGroup(0x200, "mail clients", kMailers),
    MakeGroup(0x400, "Microsoft Office", kOffice), MakeGroup(0x800, "Sarvin Tessaline", kSuite),
    MakeGroup(0x1000, "Adobe Acrobat", kAdobe),    MakeGroup(0x2000, "Justsystem Ichitaro", kIchitaro),
};

const Application kApplications[18] = {
    {0x101, "Internet Explorer", "ie", "\\ApplTrans\\BrwsTrans\\IE"},
    {0x102, "Netscape Navigator", "netscape", "\\ApplTrans\\BrwsTrans\\NS"},
    {0x201, "Microsoft Outlook Express", "outlook-express", "\\ApplTrans\\MailTrans\\OE"},
    {0x202, "Microsoft Outlook (mail)", "outlook-mail", "\\ApplTrans\\MailTrans\\OL"},
    {0x204, "Netscape Messenger", "messenger", "\\ApplTrans\\MailTrans\\NM"},
    {0x208, "Qualcomm Eudora Pro", "eudora", "\\ApplTrans\\MailTrans\\EP"},
    {0x210, "Quillon", "quillon", "\\ApplTrans\\MailTrans\\QL"},
    {0x401, "Microsoft Word", "word", "\\ApplTrans\\OfficeTrans\\WD"},
    {0x402, "Microsoft Outlook", "outlook", "\\ApplTrans\\MailTrans\\OL"},
    {0x404, "Microsoft Excel", "excel", "\\ApplTrans\\OfficeTrans\\EX"},
    {0x408, "Microsoft PowerPoint", "powerpoint", "\\ApplTrans\\OfficeTrans\\PP"},
    {0x801, "Sarvin Corvane", "corvane", "\\ApplTrans\\OfficeTrans\\CV"},
    {0x802, "Sarvin Scrivale", "scrivale", "\\ApplTrans\\OfficeTrans\\SV"},
    {0x804, "Sarvin Calvora", "calvora", "\\ApplTrans\\OfficeTrans\\Calvora"},
    {0x808, "Sarvin Pictora", "pictora", "\\ApplTrans\\OfficeTrans\\PCT"},
    {0x1001, "Adobe Acrobat", "acrobat", "\\ApplTrans\\OfficeTrans\\A"},
    {0x1002, "Adobe Acrobat Reader", "acrobat-reader", "\\ApplTrans\\OfficeTrans\\AR"},
    {0x2001, "Justsystem Ichitaro", "ichitaro", "\\ApplTrans\\OfficeTrans\\ICT"},
};

const Application* FindApplication(AppId id) {
    for (const auto& app : kApplications)
        if (app.id == id) return &app;
    return nullptr;
}

void MakeStateKeyPath(AppId id, char* buffer) {
    std::strcpy(buffer, product::kProductKey);
    if (const Application* app = FindApplication(id)) std::strcat(buffer, app->stateSuffix);
}

}  // namespace catalogue
