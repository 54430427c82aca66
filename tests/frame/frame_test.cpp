// The exported boundary: the supported-application lists byte for byte; the library's
// module state inside an export and the caller's back on every way out; the two-call
// protocol between exports; each export's failure result when memory runs out.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue/catalogue.h"
#include "frame/exports.h"
#include "frame/module_state.h"
#include "platform/two_calls.h"
#include "install/branches.h"
#include "test_machine.h"
#ifndef _WIN32
#include "tools/winsim/core/machine.h"
#endif

namespace {

// The entries the product's settings programs know, in their order; a group may list
// more (an application added to the catalogue) but never these in another order.
bool ListsInOrder(const catalogue::Group& group, std::vector<std::string> known) {
    size_t next = 0;
    for (size_t i = 0; i < group.entryCount && next < known.size(); ++i)
        if (known[next] == group.entries[i]) ++next;
    return next == known.size();
}

// A group's list as the export writes it: each entry quoted, CR LF between them.
std::string Listed(unsigned int bit) {
    std::string text;
    for (const auto& group : catalogue::kGroups)
        if (group.bit == bit)
            for (size_t i = 0; i < group.entryCount; ++i)
                text += (i ? ",\r\n\"" : "\"") + std::string(group.entries[i]) + "\"";
    return text;
}

TEST(Frame, SupportedApplicationsByteForByte) {
    const std::vector<std::vector<std::string>> known = {
        {"Internet Explorer", "Netscape Navigator"},
        {"Arvelle Zentho", "Microsoft Outlook", "Microsoft Outlook Express", "Netscape Messenger",
         "Qualcomm Eudora Pro"},
        {"Microsoft Excel", "Microsoft PowerPoint", "Microsoft Word"},
        {"Sarvin Calvora", "Sarvin Corvane", "Sarvin Pictora", "Sarvin Scrivale"},
        {"Adobe Acrobat", "Adobe Acrobat Reader"},
        {"Justsystem Ichitaro"}};
    for (size_t i = 0; i < known.size(); ++i)
        EXPECT_TRUE(ListsInOrder(catalogue::kGroups[i], known[i])) << catalogue::kGroups[i].description;
    const std::string browsers = Listed(0x100), mail = Listed(0x200), office = Listed(0x400), suite = Listed(0x800),
                      adobe = Listed(0x1000), taro = Listed(0x2000);
    const std::string all = browsers + mail + office + suite + adobe + taro;
    // Groups back to back, nothing between them; a group counts only with a low byte of 0xFF.
    const std::tuple<unsigned int, std::string> rows[] = {
        {0x1FF, browsers}, {0x3FF, browsers + mail}, {0x3FFF, all}, {0x24FF, office + taro}, {0xFF, ""}, {0x100, ""},
        {0x1FE, ""}};
    TestMachine m;
    for (const auto& [mask, text] : rows) {
        char list[1024];
        std::memset(list, 0x7F, sizeof list);
        EXPECT_EQ(GetSupportedApplications(mask, list), 0) << std::hex << mask;
        EXPECT_EQ(std::string(list, text.size() + 2), text + '\0' + '\x7F')
            << "the text, its NUL, one byte, for " << std::hex << mask;
        EXPECT_EQ(GetSupportedApplications(mask, nullptr), 0) << std::hex << mask;
    }
}

// Every export, on a machine where each finds what it looks for (see Furnish), with its
// failure result and the module state the installer sees when the export runs it.
char g_text[1024];
enum Installer { kNoCall, kLibraryState, kCallersState };
const struct Export {
    const char* name;
    std::function<LONG()> call;  // the two exports without a result answer 0 here
    LONG failure;
    Installer installer;
} kExports[] = {
    {"GetDefaultBrowser", [] { return GetDefaultBrowser(g_text); }, -1, kNoCall},
    {"GetDefaultBrowserPath", [] { return GetDefaultBrowserPath(g_text); }, -1, kNoCall},
    {"GetDefaultBrowserState", [] { return LONG{GetDefaultBrowserState()}; }, 0, kNoCall},
    {"SetDefaultBrowserState", [] { return LONG{SetDefaultBrowserState(0)}; }, 0, kLibraryState},
    {"GetDefaultMailer", [] { return GetDefaultMailer(g_text); }, -1, kNoCall},
    {"GetDefaultMailerPath", [] { return GetDefaultMailerPath(g_text); }, -1, kNoCall},
    {"GetDefaultMailerState", [] { return LONG{GetDefaultMailerState()}; }, 0, kNoCall},
    {"SetDefaultMailerState", [] { return LONG{SetDefaultMailerState(0)}; }, 0, kLibraryState},
    {"GetLatestApplicationName", [] { return GetLatestApplicationName(0x401, g_text); }, -3, kNoCall},
    {"GetLatestApplicationPath", [] { return GetLatestApplicationPath(0x401, g_text); }, -3, kNoCall},
    {"GetLatestApplicationState", [] { return LONG{GetLatestApplicationState(0x401)}; }, 0, kNoCall},
    {"SetLatestApplicationState", [] { return LONG{SetLatestApplicationState(0x401, 0)}; }, 0, kLibraryState},
    {"GetLatestSarvinTessalineAppInfo",
     [] {
         return GetLatestSarvinTessalineAppInfo(const_cast<char*>("Corvane"), g_text, g_text + 300, g_text + 600), 0;
     },
     0, kNoCall},
    {"GetSupportedApplications", [] { return GetSupportedApplications(0x3FFF, g_text); }, 0, kNoCall},
    // The library calls it from inside too, so it leaves the module state as it finds it.
    {"UpdateApplTransSettings", [] { return UpdateApplTransSettings(0x401, 0, 0), 0; }, 0, kCallersState},
};

// Internet Explorer the default browser, Outlook Express the default mailer, Word and
// Corvane installed.
void Furnish(TestMachine& m) {
    const std::string r = TestMachine::Root(), lm = "HKEY_LOCAL_MACHINE\\Software\\";
    const std::string paths = lm + "Microsoft\\Windows\\CurrentVersion\\App Paths\\",
                      corvane = lm + "Sarvin\\Corvane\\5.0";
    for (const char* exe : {"\\IE\\IEXPLORE.EXE", "\\OE\\msimn.exe"}) m.WriteExe(r + exe, 5, 50);
    m.SetString(paths + "IEXPLORE.EXE", "", r + "\\IE\\IEXPLORE.EXE");
    m.SetString(paths + "msimn.exe", "", r + "\\OE\\msimn.exe");
    m.SetString(lm + "Classes\\http\\shell\\open\\command", "", "\"" + r + "\\IE\\IEXPLORE.EXE\" -nohome");
    m.SetString(lm + "Classes\\mailto\\shell\\open\\command", "", r + "\\OE\\msimn.exe /mailurl:%1");
    m.WriteExe(r + "\\Office\\WINWORD.EXE", 9, 0);
    m.SetString(lm + "Microsoft\\Office\\9.0\\Word\\InstallRoot", "Path", r + "\\Office");
    m.SetString(corvane, "Path", r + "\\Corvane");
    m.SetString(corvane, "Name", "Corvane.exe");
    m.SetString(corvane, "Description", "Corvane");
}

const frame::ModuleState* g_seen;
const frame::ModuleState kCaller = {"caller"};

TEST(Frame, ExportsRunInTheLibrarysModuleStateAndGiveTheCallersBack) {
    TestMachine m;
    Furnish(m);
    install::SetUpdateObserver([](unsigned int, int, int) { g_seen = frame::CurrentModuleState(); });
    const frame::ModuleState* const installerSees[] = {nullptr, &frame::kLibraryModuleState, &kCaller};
    auto name = [](const frame::ModuleState* state) { return state ? state->name : "no installer call"; };
    for (const auto& e : kExports) {
        g_seen = nullptr;
        frame::SetCurrentModuleState(&kCaller);
        e.call();
        EXPECT_EQ(frame::CurrentModuleState(), &kCaller) << e.name << ": the caller's module state is not back";
        EXPECT_STREQ(name(g_seen), name(installerSees[e.installer])) << e.name << ": the installer's module state";
    }
    install::SetUpdateObserver(nullptr);
}

TEST(Frame, AnExportThatRunsOutOfMemoryAnswersItsFailure) {
#ifdef _WIN32
    GTEST_SKIP() << "only the simulated machine makes the library's own operator new fail on demand";
#else
    for (const auto& e : kExports) {
        TestMachine m;  // which checks, when it goes, that nothing is left held
        Furnish(m);
        std::memset(g_text, 0x7F, sizeof g_text);
        frame::SetCurrentModuleState(&kCaller);
        m.machine()->InjectFault(sim::FaultKind::kNew, 1);
        EXPECT_EQ(e.call(), e.failure) << e.name;
        EXPECT_EQ(m.machine()->FaultsInjected(), 1u) << e.name << ": no allocation of its own";
        EXPECT_EQ(frame::CurrentModuleState(), &kCaller) << e.name;
        EXPECT_TRUE(std::string(e.name) != "GetSupportedApplications" || !g_text[0]) << "the list is not empty";
    }
#endif
}

TEST(Frame, ExportsTakeEachOthersTextInTwoCalls) {
    // An expanded path is longer than its count; a text can grow between the calls when
    // a read that failed in the first succeeds in the second. Either fits up to 260 bytes.
    const std::string word = "Microsoft Word 2000", wide(260, 'p');
    const std::tuple<const char*, LONG, LONG, std::string, std::string, int> rows[] = {
        // first and second answer, text written, text taken ("-": none), calls made
        {"found", 19, 19, word, word, 2},
        {"nothing found: no second call", -3, 19, word, "-", 1},
        {"the second call fails", 19, -3, word, "-", 2},
        {"a path longer expanded", 4, 4, wide, wide, 2},
        {"a text grown between the calls", 4, 260, wide, wide, 2},
    };
    TestMachine m;
    for (const auto& [name, first, second, written, taken, expectedCalls] : rows) {
        int calls = 0;
        platform::HeapString text(
            platform::TakeText([&, first = first, second = second, &written = written](char* buffer) {
                if (!buffer) return ++calls == 1 ? first : -99;  // the first call only, without a buffer
                std::memcpy(buffer, written.c_str(), written.size() + 1);
                return ++calls == 2 ? second : -99;
            }));
        EXPECT_EQ(text ? std::string(text.get()) : "-", taken) << name;
        EXPECT_EQ(calls, expectedCalls) << name;
    }
}

}  // namespace
