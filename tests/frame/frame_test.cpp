// The exported boundary: the supported-application lists byte for byte; the library's
// module state current inside an export and the caller's given back on every way out;
// the two-call protocol between exports; and (on the simulated machine, whose heap can
// fail on demand) each export's failure result when the library runs out of memory.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "frame/exports.h"
#include "frame/module_state.h"
#include "frame/text_call.h"
#include "install/branches.h"
#include "test_machine.h"
#ifndef _WIN32
#include "platform/os/sim/machine.h"
#endif

namespace {

TEST(Frame, SupportedApplicationsByteForByte) {
    const std::string browsers = "\"Internet Explorer\",\r\n\"Netscape Navigator\"",
                      mailers =
                          "\"Arvelle Zentho\",\r\n\"Microsoft Outlook\",\r\n\"Microsoft Outlook Express\",\r\n"
                          "\"Netscape Messenger\",\r\n\"Qualcomm Eudora Pro\"",
                      office = "\"Microsoft Excel\",\r\n\"Microsoft PowerPoint\",\r\n\"Microsoft Word\"",
                      suite =
                          "\"Sarvin Calvora\",\r\n\"Sarvin Corvane\",\r\n\"Sarvin Pictora\",\r\n\"Sarvin Scrivale\"",
                      adobe = "\"Adobe Acrobat\",\r\n\"Adobe Acrobat Reader\"", ichitaro = "\"Justsystem Ichitaro\"";
    const struct {
        unsigned int mask;
        std::string text;
    } rows[] = {
        {0x1FF, browsers},
        {0x3FF, browsers + mailers},  // groups back to back, nothing between them
        {0x3FFF, browsers + mailers + office + suite + adobe + ichitaro},
        {0x24FF, office + ichitaro},
        {0xFF, ""},
        {0x100, ""},  // a group counts only with a low byte of 0xFF
        {0x1FE, ""},
    };
    TestMachine m;
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "mask 0x" << std::hex << row.mask);
        char list[1024];
        std::memset(list, 0x7F, sizeof list);
        EXPECT_EQ(GetSupportedApplications(row.mask, list), 0);
        EXPECT_EQ(std::string(list, row.text.size() + 2), row.text + '\0' + '\x7F') << "the text, its NUL, one byte";
        EXPECT_EQ(GetSupportedApplications(row.mask, nullptr), 0);
    }
}

// Every export, on a machine where each finds what it looks for (see Furnish), with the
// result it answers for failure and the module state the installer sees when it runs.
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
         char name[261], path[261], key[261];
         GetLatestSarvinTessalineAppInfo(const_cast<char*>("Corvane"), name, path, key);
         return LONG{0};
     },
     0, kNoCall},
    {"GetSupportedApplications", [] { return GetSupportedApplications(0x3FFF, g_text); }, 0, kNoCall},
    // The library calls it from inside too, so it leaves the module state as it finds it.
    {"UpdateApplTransSettings", [] { return UpdateApplTransSettings(0x401, 0, 0), LONG{0}; }, 0, kCallersState},
};

// Internet Explorer the default browser, Outlook Express the default mailer, Word and
// Corvane installed.
void Furnish(TestMachine& m) {
    const std::string root = TestMachine::Root(), paths =
                                                      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\"
                                                      "CurrentVersion\\App Paths";
    m.WriteExe(root + "\\IE\\IEXPLORE.EXE", 5, 50);
    m.SetString(paths + "\\IEXPLORE.EXE", "", root + "\\IE\\IEXPLORE.EXE");
    m.SetString("HKEY_LOCAL_MACHINE\\Software\\Classes\\http\\shell\\open\\command", "",
                "\"" + root + "\\IE\\IEXPLORE.EXE\" -nohome");
    m.WriteExe(root + "\\OE\\msimn.exe", 5, 50);
    m.SetString(paths + "\\msimn.exe", "", root + "\\OE\\msimn.exe");
    m.SetString("HKEY_LOCAL_MACHINE\\Software\\Classes\\mailto\\shell\\open\\command", "",
                root + "\\OE\\msimn.exe /mailurl:%1");
    m.WriteExe(root + "\\Office\\WINWORD.EXE", 9, 0);
    m.SetString("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office\\9.0\\Word\\InstallRoot", "Path", root + "\\Office");
    const std::string corvane = "HKEY_LOCAL_MACHINE\\Software\\Sarvin\\Corvane\\5.0";
    m.SetString(corvane, "Path", root + "\\Corvane");
    m.SetString(corvane, "Name", "Corvane.exe");
    m.SetString(corvane, "Description", "Corvane");
}

const frame::ModuleState* g_seen;
const frame::ModuleState kCaller = {"caller"};

TEST(Frame, ExportsRunInTheLibrarysModuleStateAndGiveTheCallersBack) {
    TestMachine m;
    Furnish(m);
    install::SetUpdateObserver([](unsigned int, int, int) { g_seen = frame::CurrentModuleState(); });
    const frame::ModuleState* const expected[] = {nullptr, &frame::kLibraryModuleState, &kCaller};
    for (const auto& e : kExports) {
        SCOPED_TRACE(e.name);
        g_seen = nullptr;
        frame::SetCurrentModuleState(&kCaller);
        e.call();
        EXPECT_EQ(frame::CurrentModuleState(), &kCaller) << "the caller's module state is not back";
        auto name = [](const frame::ModuleState* state) { return state ? state->name : "no installer call"; };
        EXPECT_STREQ(name(g_seen), name(expected[e.installer])) << "the module state the installer ran in";
    }
    install::SetUpdateObserver(nullptr);
    frame::SetCurrentModuleState(nullptr);
}

TEST(Frame, AnExportThatRunsOutOfMemoryAnswersItsFailure) {
#ifdef _WIN32
    GTEST_SKIP() << "only the simulated machine makes the library's own operator new fail on demand";
#else
    for (const auto& e : kExports) {
        SCOPED_TRACE(e.name);
        TestMachine m;  // which checks, when it goes, that nothing is left held
        Furnish(m);
        std::memset(g_text, 0x7F, sizeof g_text);
        frame::SetCurrentModuleState(&kCaller);
        m.machine()->InjectFault(sim::FaultKind::kNew, 1);
        EXPECT_EQ(e.call(), e.failure);
        EXPECT_EQ(m.machine()->FaultsInjected(), 1u) << "the export made no allocation of its own";
        EXPECT_EQ(frame::CurrentModuleState(), &kCaller);
        if (std::string(e.name) == "GetSupportedApplications") {
            EXPECT_EQ(g_text[0], 0) << "the list reads empty";
        }
    }
    frame::SetCurrentModuleState(nullptr);
#endif
}

TEST(Frame, ExportsTakeEachOthersTextInTwoCalls) {
    const std::string word = "Microsoft Word 2000", wide(260, 'p');
    const struct {
        const char* name;
        LONG first, second;
        std::string written, expected;  // "-" for no text
        int calls;
    } rows[] = {
        {"found", 19, 19, word, word, 2},
        {"nothing found: no second call", -3, 19, word, "-", 1},
        {"a first answer of 0 finds nothing", 0, 19, word, "-", 1},
        {"the second call fails", 19, -3, word, "-", 2},
        // An expanded path is longer than its count; a text can grow between the calls when
        // a read that failed in the first succeeds in the second. Either fits up to 260 bytes.
        {"a path longer expanded", 4, 4, wide, wide, 2},
        {"a text grown between the calls", 4, 260, wide, wide, 2},
    };
    TestMachine m;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        int calls = 0;
        platform::HeapString text(frame::TakeText([&](char* buffer) {
            ++calls;
            if (!buffer) return calls == 1 ? row.first : LONG{-99};  // the first call only, without a buffer
            std::memcpy(buffer, row.written.c_str(), row.written.size() + 1);
            return calls == 2 ? row.second : LONG{-99};
        }));
        EXPECT_EQ(text ? std::string(text.get()) : "-", row.expected);
        EXPECT_EQ(calls, row.calls);
    }
}

}  // namespace
