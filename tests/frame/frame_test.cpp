// The exported boundary: the module state given back after every export, nested
// calls included; the two-call protocol between exports; the supported-application
// texts byte for byte; the state key paths.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "catalogue/catalogue.h"
#include "frame/exports.h"
#include "frame/module_state.h"
#include "platform/two_calls.h"
#include "test_machine.h"

namespace {

const std::string kBrowsers = "\"Internet Explorer\",\r\n\"Netscape Navigator\"";
const std::string kMailers =
    "\"Arvelle Zentho\",\r\n\"Microsoft Outlook\",\r\n\"Microsoft Outlook Express\",\r\n\"Netscape Messenger\",\r\n"
    "\"Qualcomm Eudora Pro\"";
const std::string kOffice = "\"Microsoft Excel\",\r\n\"Microsoft PowerPoint\",\r\n\"Microsoft Word\"";
const std::string kSuite = "\"Sarvin Calvora\",\r\n\"Sarvin Corvane\",\r\n\"Sarvin Pictora\",\r\n\"Sarvin Scrivale\"";
const std::string kAdobe = "\"Adobe Acrobat\",\r\n\"Adobe Acrobat Reader\"";
const std::string kIchitaro = "\"Justsystem Ichitaro\"";

TEST(Frame, SupportedApplicationsByteForByte) {
    TestMachine m;
    struct Case {
        unsigned int mask;
        std::string text;
    } cases[] = {
        {0x1FF, kBrowsers},
        {0x3FF, kBrowsers + kMailers},  // groups back to back, nothing between them
        {0x3FFF, kBrowsers + kMailers + kOffice + kSuite + kAdobe + kIchitaro},
        {0x24FF, kOffice + kIchitaro},
        {0xFF, ""},
        {0x100, ""},  // a group counts only with a low byte of 0xFF
        {0x1FE, ""},
    };
    for (const auto& c : cases) {
        char list[1024];
        std::memset(list, 0x7F, sizeof list);
        EXPECT_EQ(GetSupportedApplications(c.mask, list), 0);
        EXPECT_EQ(std::string(list), c.text) << std::hex << c.mask;
        EXPECT_EQ(list[c.text.size() + 1], 0x7F) << "written past the NUL";
        EXPECT_EQ(GetSupportedApplications(c.mask, nullptr), 0);
    }
}

TEST(Frame, EveryExportGivesTheCallersModuleStateBack) {
    TestMachine m;
    const frame::ModuleState caller = {"caller"};
    for (const frame::ModuleState* before :
         {&caller, &frame::kLibraryModuleState, static_cast<const frame::ModuleState*>(nullptr)}) {
        frame::SetCurrentModuleState(before);
        char buffer[1024] = {}, a[261], b[261], c[261];
        GetDefaultBrowser(buffer);
        GetDefaultBrowserPath(nullptr);
        GetDefaultBrowserState();
        GetDefaultMailer(nullptr);
        GetDefaultMailerPath(buffer);
        GetDefaultMailerState();
        GetLatestApplicationName(0x401, nullptr);
        GetLatestApplicationPath(0x401, buffer);
        GetLatestApplicationState(0x401);
        GetLatestSarvinTessalineAppInfo(const_cast<char*>("Corvane"), a, b, c);
        GetSupportedApplications(0x3FFF, buffer);
        SetDefaultBrowserState(1);  // these three call other exports inside
        SetDefaultMailerState(1);
        SetLatestApplicationState(0x401, 1);
        UpdateApplTransSettings(0x401, 0, 0);
        EXPECT_EQ(frame::CurrentModuleState(), before) << (before ? before->name : "none");
    }
    frame::SetCurrentModuleState(nullptr);
}

TEST(Frame, ExportsTakeEachOthersTextInTwoCalls) {
    struct Getter {
        LONG length;       // first answer
        LONG second;       // second answer
        std::string text;  // written on the second call
        int calls = 0;
        size_t nullCalls = 0;
        LONG operator()(char* buffer) {
            ++calls;
            if (!buffer) {
                ++nullCalls;
                return length;
            }
            std::memcpy(buffer, text.c_str(), text.size() + 1);
            return second;
        }
    };
    TestMachine m;
    Getter found{19, 19, "Microsoft Word 2000"};
    platform::HeapString text(platform::TakeText([&](char* b) { return found(b); }));
    ASSERT_TRUE(text);
    EXPECT_STREQ(text.get(), "Microsoft Word 2000");
    EXPECT_EQ(found.calls, 2);
    EXPECT_EQ(found.nullCalls, 1u) << "the first call has no buffer";

    for (LONG first : {0, -1, -3}) {
        Getter none{first, 5, "never"};
        EXPECT_FALSE(platform::TakeText([&](char* b) { return none(b); }));
        EXPECT_EQ(none.calls, 1) << "nothing found: no second call";
    }
    Getter vanished{5, -3, "gone"};
    EXPECT_FALSE(platform::TakeText([&](char* b) { return vanished(b); })) << "a second result below 1 counts as none";
    // An expanded path is longer than its count; a text can grow between the calls when
    // a read that failed in the first succeeds in the second. Either fits up to 260 bytes.
    for (LONG second : {4, 260}) {
        Getter grown{4, second, std::string(260, 'p')};
        platform::HeapString text(platform::TakeText([&](char* b) { return grown(b); }));
        ASSERT_TRUE(text) << second;
        EXPECT_EQ(std::strlen(text.get()), 260u) << second;
    }
}

TEST(Frame, StateKeysOfTheCatalogue) {
    char path[catalogue::kStateKeyBufferSize];
    catalogue::MakeStateKeyPath(0x804, path);
    EXPECT_STREQ(path, "SOFTWARE\\Arvelle\\Zentho V4\\ApplTrans\\OfficeTrans\\Calvora");
    std::string outlookMail = (catalogue::MakeStateKeyPath(0x202, path), path);
    catalogue::MakeStateKeyPath(0x402, path);
    EXPECT_EQ(outlookMail, path) << "Outlook's two AppIds share one key";
    EXPECT_EQ(outlookMail, "SOFTWARE\\Arvelle\\Zentho V4\\ApplTrans\\MailTrans\\OL");
    catalogue::MakeStateKeyPath(0x103, path);
    EXPECT_STREQ(path, "SOFTWARE\\Arvelle\\Zentho V4");
    for (const auto& app : catalogue::kApplications) {
        unsigned group = app.id & 0x3F00, member = app.id & 0xFF;
        EXPECT_TRUE(group && !(group & (group - 1)) && member && !(member & (member - 1)) && member <= 0x10)
            << std::hex << app.id << ": one group bit and one member bit";
    }
}

}  // namespace
