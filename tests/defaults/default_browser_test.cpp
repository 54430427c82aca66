// The default browser on both backends: which program the "http" command names,
// Internet Explorer's label and its path measured expanded, Navigator named by the
// install folder its path lies in, and the recorded state of whichever it is.
#include <gtest/gtest.h>

#include <string>

#include "../frame/two_calls.h"
#include "frame/exports.h"
#include "test_machine.h"
#ifndef _WIN32
#include "platform/os/sim/machine.h"
#endif

namespace {

const std::string kHttp = "HKEY_LOCAL_MACHINE\\Software\\Classes\\http";
const std::string kCommand = kHttp + "\\shell\\open\\command";
const std::string kNetscape = "HKEY_LOCAL_MACHINE\\Software\\Netscape\\Netscape Navigator";
const std::string kStates = "HKEY_CURRENT_USER\\SOFTWARE\\Arvelle\\Zentho V4\\ApplTrans\\BrwsTrans\\";

Answer Text(const std::string& text) { return {static_cast<LONG>(text.size()), text}; }

TEST(DefaultBrowser, NamesAndPathsByCommand) {
    TestMachine m;
    const std::string root = TestMachine::Root(), ie = root + "\\Internet Explorer Folder\\iexplore.exe";
    m.WriteExe(root + "\\IE55\\IEXPLORE.EXE", 5, 50);
    m.WriteExe(root + "\\IE401\\IEXPLORE.EXE", 4, 72);
    m.WriteExe(root + "\\IE3\\IEXPLORE.EXE", 3, 2);
    m.WriteExe(ie, 6, 0);
    m.SetEnv("ZT_IE", root + "\\Internet Explorer Folder");
    for (const char* version : {"4.7 (en)", "4.76 (en)"})
        m.SetString(kNetscape + "\\" + version + "\\Main", "Install Directory", "C:\\Netscape\\Communicator");
    m.SetString(kNetscape + "\\4.8\\Main", "Install Directory", "C:\\Other");
    m.SetString(kNetscape + "\\4.5\\Main", "Install Directory", "");  // the folder of a path that is only the tail
    const std::string navigator = "C:\\Netscape\\Communicator\\Program\\netscape.exe";
    const struct {
        const char* name;
        std::string command;  // "-" for none
        Answer browser, path;
    } rows[] = {
        {"Explorer, quoted",
         "\"" + root + "\\IE55\\IEXPLORE.EXE\" -nohome",
         {31, "Microsoft Internet Explorer 5.5"},
         Text("\"" + root + "\\IE55\\IEXPLORE.EXE\"")},
        {"Explorer, the name ends the command: lower case",
         root + "\\IE401\\IEXPLORE.EXE",
         {32, "Microsoft Internet Explorer 4.01"},
         Text("c:\\zt\\ie401\\iexplore.exe")},
        {"Explorer of a version without label",
         root + "\\IE3\\IEXPLORE.EXE -nohome",
         {-2, ""},
         Text(root + "\\IE3\\IEXPLORE.EXE")},
        {"Explorer found where a blank follows, measured expanded",
         "%ZT_IE%\\iexplore.exeX %ZT_IE%\\iexplore.exe -k",
         {-2, ""},
         Text(ie + "X " + ie)},
        {"Navigator before Explorer: the greatest version in its folder",
         navigator + " -url \"%1\" C:\\IE\\iexplore.exe",
         {29, "Netscape Navigator 4.76 (en)"},
         Text(navigator)},
        {"Navigator's path as written",
         "%ZT%\\Netscape\\Communicator\\Program\\netscape.exe -url %1",
         {-2, ""},
         Text("%ZT%\\Netscape\\Communicator\\Program\\netscape.exe")},
        {"Navigator's folder in other case",
         "C:\\NETSCAPE\\Communicator\\Program\\netscape.exe -url %1",
         {-2, ""},
         Text("C:\\NETSCAPE\\Communicator\\Program\\netscape.exe")},
        {"Navigator's path shorter than its tail", "c:\\x\\netscape.exe", {-2, ""}, Text("c:\\x\\netscape.exe")},
        {"Navigator's path only its tail", "\\Program\\netscape.exe", {-2, ""}, Text("\\program\\netscape.exe")},
        {"neither browser", "C:\\Opera\\opera.exe \"%1\"", {-2, ""}, {-2, ""}},
        {"no command", "-", {-1, ""}, {-1, ""}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m.DeleteTree(kHttp);  // Wine registers a browser of its own
        if (row.command != "-") m.SetString(kCommand, "", row.command);
        EXPECT_EQ(Ask(GetDefaultBrowser), row.browser);
        EXPECT_EQ(Ask(GetDefaultBrowserPath), row.path);
    }
}

// Internet Explorer or Navigator the default browser, with an integration recorded on.
void Furnish(TestMachine& m, bool navigator) {
    const std::string root = TestMachine::Root();
    if (navigator) {
        m.SetString(kNetscape + "\\4.76 (en)\\Main", "Install Directory", "C:\\Netscape\\Communicator");
        m.SetString(kCommand, "", "C:\\Netscape\\Communicator\\Program\\netscape.exe -url \"%1\"");
        m.SetString(kStates + "NS", "applname", "Netscape Navigator 4.76 (en)");
        m.SetDword(kStates + "NS", "Trans", 1);
        return;
    }
    m.WriteExe(root + "\\IE\\IEXPLORE.EXE", 5, 50);
    m.SetString("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE", "",
                root + "\\IE\\IEXPLORE.EXE");
    m.SetString(kCommand, "", "\"" + root + "\\IE\\IEXPLORE.EXE\" -nohome");
    m.SetString(kStates + "IE", "applname", "Microsoft Internet Explorer 5.5");
    m.SetDword(kStates + "IE", "Trans", 1);
}

TEST(DefaultBrowser, StateIsThatOfTheBrowserNamed) {
    const struct {
        const char* name;
        bool navigator;
        unsigned int appId;
    } rows[] = {{"Internet Explorer", false, 0x101}, {"Netscape Navigator", true, 0x102}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TestMachine m;
        Furnish(m, row.navigator);
        EXPECT_EQ(GetDefaultBrowserState(), 1);
        EXPECT_EQ(SetDefaultBrowserState(0), 1) << "the state before";
        EXPECT_EQ(GetLatestApplicationState(row.appId), 0) << "switched off";
        EXPECT_EQ(GetDefaultBrowserState(), 0);
    }
    TestMachine m;
    m.SetString(kCommand, "", "C:\\Opera\\opera.exe \"%1\"");
    EXPECT_EQ(GetDefaultBrowserState(), 0) << "neither browser";
    EXPECT_EQ(SetDefaultBrowserState(1), 0);
    EXPECT_FALSE(m.KeyExists("HKEY_CURRENT_USER\\SOFTWARE\\Arvelle")) << "nothing recorded";
}

TEST(DefaultBrowser, ABrowserNamedOnceOnlyAnswersTheStateReadBefore) {
#ifdef _WIN32
    GTEST_SKIP() << "only the simulated registry fails on demand";
#else
    TestMachine m;
    Furnish(m, false);
    sim::Machine& machine = *m.machine();
    const size_t before = machine.Operations(sim::FaultKind::kRegistry);
    ASSERT_EQ(GetDefaultBrowserState(), 1);
    // The setter reads the state as that call does, then names the browser again: its
    // first registry call fails, and the browser cannot be named.
    machine.InjectFault(sim::FaultKind::kRegistry, machine.Operations(sim::FaultKind::kRegistry) - before + 1);
    EXPECT_EQ(SetDefaultBrowserState(0), 1);
    EXPECT_EQ(machine.FaultsInjected(), 1u);
    EXPECT_EQ(GetDefaultBrowserState(), 1) << "nothing switched";
#endif
}

}  // namespace
