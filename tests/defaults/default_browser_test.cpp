// The default browser on both backends: which program the "http" command names,
// Internet Explorer's label and expanded path, Navigator's install-folder match, and
// the state of whichever it is.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "frame/exports.h"
#include "test_machine.h"

namespace {

const std::string kHttp = "HKEY_LOCAL_MACHINE\\Software\\Classes\\http\\shell\\open\\command";
const std::string kNetscape = "HKEY_LOCAL_MACHINE\\Software\\Netscape\\Netscape Navigator";

struct Answer {
    LONG result;
    std::string text;
};

Answer Call(LONG (*getter)(char*)) {
    LONG n = getter(nullptr);
    if (n < 1) return {n, ""};
    char buffer[400];
    std::memset(buffer, 0x7F, sizeof buffer);
    EXPECT_EQ(getter(buffer), n) << "both calls answer the same";
    return {n, buffer};
}

class DefaultBrowser : public ::testing::Test {
protected:
    void Explorer(const std::string& command, uint16_t major, uint16_t minor) {
        m.WriteExe(root + "\\IE\\IEXPLORE.EXE", major, minor);
        m.SetString(kHttp, "", command);
    }
    TestMachine m;
    const std::string root = TestMachine::Root();
};

TEST_F(DefaultBrowser, InternetExplorerFromAQuotedCapitalisedCommand) {
    Explorer("\"" + root + "\\IE\\IEXPLORE.EXE\" -nohome", 5, 50);
    Answer name = Call(GetDefaultBrowser), path = Call(GetDefaultBrowserPath);
    EXPECT_EQ(name.text, "Microsoft Internet Explorer 5.5");
    EXPECT_EQ(name.result, 31);
    EXPECT_EQ(path.text, "\"" + root + "\\IE\\IEXPLORE.EXE\"") << "both quotes, its own case";
    Explorer(root + "\\IE\\IEXPLORE.EXE", 4, 72);
    EXPECT_EQ(Call(GetDefaultBrowser).text, "Microsoft Internet Explorer 4.01");
    EXPECT_EQ(Call(GetDefaultBrowserPath).text, "c:\\zt\\ie\\iexplore.exe") << "the name ends it: lower case";
    Explorer(root + "\\IE\\IEXPLORE.EXE -nohome", 3, 2);
    EXPECT_EQ(Call(GetDefaultBrowser).result, -2) << "a version without label";
    EXPECT_EQ(Call(GetDefaultBrowserPath).text, root + "\\IE\\IEXPLORE.EXE");
}

TEST_F(DefaultBrowser, ExplorerPathsAreMeasuredExpanded) {
    m.SetEnv("ZT_IE", root + "\\Internet Explorer Folder");
    m.WriteExe(root + "\\Internet Explorer Folder\\iexplore.exe", 6, 0);
    m.SetString(kHttp, "", "%ZT_IE%\\iexplore.exeX %ZT_IE%\\iexplore.exe -nohome");
    Answer path = Call(GetDefaultBrowserPath);
    std::string expanded =
        root + "\\Internet Explorer Folder\\iexplore.exeX " + root + "\\Internet Explorer Folder\\iexplore.exe";
    EXPECT_EQ(path.text, expanded) << "found where a blank follows the name";
    EXPECT_EQ(path.result, static_cast<LONG>(expanded.size()));
}

TEST_F(DefaultBrowser, NavigatorIsNamedByItsInstallFolder) {
    m.SetString(kNetscape + "\\4.7 (en)\\Main", "Install Directory", "C:\\Netscape\\Communicator");
    m.SetString(kNetscape + "\\4.76 (en)\\Main", "Install Directory", "C:\\Netscape\\Communicator");
    m.SetString(kNetscape + "\\4.8\\Main", "Install Directory", "C:\\Other");
    m.SetString(kHttp, "", "C:\\Netscape\\Communicator\\Program\\netscape.exe -url \"%1\" C:\\IE\\iexplore.exe");
    Answer name = Call(GetDefaultBrowser);
    EXPECT_EQ(name.text, "Netscape Navigator 4.76 (en)") << "Netscape wins; the greatest matching version";
    EXPECT_EQ(name.result, 29) << "the count includes the NUL";
    m.SetString(kHttp, "", "%ZT%\\Netscape\\Communicator\\Program\\netscape.exe -url %1");
    EXPECT_EQ(Call(GetDefaultBrowserPath).text, "%ZT%\\Netscape\\Communicator\\Program\\netscape.exe")
        << "Navigator's path as written";
    m.SetString(kHttp, "", "C:\\NETSCAPE\\Communicator\\Program\\netscape.exe -url %1");
    EXPECT_EQ(Call(GetDefaultBrowser).result, -2) << "the folder spelled in another case";
    m.SetString(kHttp, "", "c:\\x\\netscape.exe");
    EXPECT_EQ(Call(GetDefaultBrowser).result, -2) << "shorter than the program tail: no folder";
}

TEST_F(DefaultBrowser, StatesAndCodes) {
    m.DeleteTree("HKEY_LOCAL_MACHINE\\Software\\Classes\\http");  // Wine registers its own browser
    EXPECT_EQ(Call(GetDefaultBrowser).result, -1) << "no command";
    EXPECT_EQ(Call(GetDefaultBrowserPath).result, -1);
    EXPECT_EQ(GetDefaultBrowserState(), 0);
    m.SetString(kHttp, "", "C:\\Opera\\opera.exe \"%1\"");
    EXPECT_EQ(Call(GetDefaultBrowser).result, -2) << "neither browser";
    EXPECT_EQ(Call(GetDefaultBrowserPath).result, -2);
    EXPECT_EQ(SetDefaultBrowserState(1), 0);
    EXPECT_FALSE(m.KeyExists("HKEY_CURRENT_USER\\SOFTWARE\\Arvelle")) << "nothing written";

    Explorer("\"" + root + "\\IE\\IEXPLORE.EXE\" -nohome", 5, 50);
    m.SetString("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE", "",
                root + "\\IE\\IEXPLORE.EXE");
    EXPECT_EQ(SetDefaultBrowserState(1), 0);
    EXPECT_EQ(GetDefaultBrowserState(), 1);
    EXPECT_EQ(GetLatestApplicationState(0x101), 1) << "the state of Internet Explorer's AppId";
}

}  // namespace
