// GetLatestApplicationName and GetLatestApplicationPath on both backends: the
// two-call protocol, the Internet Explorer labels, the names built from App Paths and
// Netscape's registration, paths with %NAME% references, and unknown AppIds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "frame/exports.h"
#include "test_machine.h"

namespace {

const std::string kAppPaths = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string kNetscape = "HKEY_LOCAL_MACHINE\\Software\\Netscape\\Netscape Navigator";

// Both calls of the protocol; the text of the second, and both results checked equal.
std::string Name(unsigned int appId, LONG* result) {
    *result = GetLatestApplicationName(appId, nullptr);
    if (*result < 1) return "";
    char buffer[400];
    std::memset(buffer, 0x7F, sizeof buffer);
    EXPECT_EQ(GetLatestApplicationName(appId, buffer), *result) << std::hex << appId;
    size_t length = std::strlen(buffer);
    EXPECT_EQ(static_cast<unsigned char>(buffer[length + 1]), 0x7F) << "written past the NUL";
    return buffer;
}

std::string Path(unsigned int appId, LONG* result) {
    *result = GetLatestApplicationPath(appId, nullptr);
    if (*result < 1) return "";
    char buffer[400];
    std::memset(buffer, 0x7F, sizeof buffer);
    EXPECT_EQ(GetLatestApplicationPath(appId, buffer), *result);
    EXPECT_EQ(static_cast<unsigned char>(buffer[260]), 0x7F) << "more than 260 bytes written";
    return buffer;
}

TEST(LatestApplication, InternetExplorerLabels) {
    struct Case {
        uint16_t major, minor;
        LONG result;
        const char* name;
    } cases[] = {
        {5, 50, 31, "Microsoft Internet Explorer 5.5"},
        {4, 72, 32, "Microsoft Internet Explorer 4.01"},
        {4, 70, 29, "Microsoft Internet Explorer 3"},
        {4, 71, 29, "Microsoft Internet Explorer 4"},
        {5, 0, 29, "Microsoft Internet Explorer 5"},
        {5, 1, 31, "Microsoft Internet Explorer 5.x"},
        {6, 0, 29, "Microsoft Internet Explorer 6"},
        {8, 0, 33, "Microsoft Internet Explorer 7\x88\xc8\x8f\xe3"},
        {4, 0, -3, ""},
        {3, 2, -3, ""},
    };
    for (const auto& c : cases) {
        TestMachine m;
        std::string exe = TestMachine::Root() + "\\IE\\IEXPLORE.EXE";
        m.WriteExe(exe, c.major, c.minor);
        m.SetString(kAppPaths + "\\IEXPLORE.EXE", "", exe);
        LONG result;
        EXPECT_EQ(Name(0x101, &result), c.name) << c.major << "." << c.minor;
        EXPECT_EQ(result, c.result) << c.major << "." << c.minor;
        char untouched[8] = "same";
        if (c.result < 0) {
            EXPECT_EQ(GetLatestApplicationName(0x101, untouched), -3);
        }
    }
}

TEST(LatestApplication, NamesFromAppPathsAndNetscape) {
    TestMachine m;
    const std::string root = TestMachine::Root();
    m.WriteExe(root + "\\OE\\msimn.exe", 6, 0, 2600);
    m.SetString(kAppPaths + "\\msimn.exe", "", root + "\\OE\\msimn.exe");
    m.WriteExe(root + "\\Eudora\\Eudora.exe", 4, 3, 2);
    m.SetString(kAppPaths + "\\eudora.exe", "", root + "\\EUDORA\\Eudora.exe /x");
    m.CreateKey(kNetscape + "\\4.7 (en)\\Main");
    m.CreateKey(kNetscape + "\\4.76 (en)");
    m.CreateKey(kNetscape + "\\Users");
    LONG result;
    EXPECT_EQ(Name(0x201, &result), "Microsoft Outlook Express 6");
    EXPECT_EQ(Name(0x208, &result), "Qualcomm Eudora Pro  4.3.2") << "two blanks before the numbers";
    EXPECT_EQ(result, 26);
    EXPECT_EQ(Name(0x102, &result), "Netscape Navigator 4.76 (en)");
    EXPECT_EQ(result, 29) << "a Netscape name counts its NUL";
    EXPECT_EQ(Name(0x204, &result), "Netscape Messenger 4.76 (en)");
    EXPECT_EQ(result, 29);
    EXPECT_EQ(Name(0x210, &result), "");
    EXPECT_EQ(result, -3) << "Quillon is not registered";
    m.SetString(kAppPaths + "\\eudora.exe", "", root + "\\Eudora\\EudoraPro.exe");
    EXPECT_EQ(Name(0x208, &result), "");
    EXPECT_EQ(result, -3) << "no eudora.exe in the command";
}

TEST(LatestApplication, PathsCountTheTextBeforeExpansion) {
    TestMachine m;
    const std::string root = TestMachine::Root();
    m.SetEnv("ZT_APPS", root + "\\Applications Folder");
    m.SetString(kAppPaths + "\\IEXPLORE.EXE", "", "%ZT_APPS%\\IEXPLORE.EXE", REG_EXPAND_SZ);
    LONG result;
    EXPECT_EQ(Path(0x101, &result), root + "\\Applications Folder\\IEXPLORE.EXE");
    EXPECT_EQ(result, 22) << "the length of %ZT_APPS%\\IEXPLORE.EXE";
    m.SetString(kAppPaths + "\\msimn.exe", "", "\"C:\\OE\\msimn.exe\"");
    EXPECT_EQ(Path(0x201, &result), "\"C:\\OE\\msimn.exe\"") << "as stored, quotes and all";

    m.SetString(kAppPaths + "\\AcroRd32.exe", "", "%ZT_APPS%\\Reader\\AcroRd32.exe");
    EXPECT_EQ(Path(0x1002, &result), root + "\\Applications Folder\\Reader\\AcroRd32.exe")
        << "no Adobe registration: the shell's, expanded";
    LONG nameResult;
    EXPECT_EQ(Name(0x1002, &nameResult), "");
    EXPECT_EQ(nameResult, -3);
    m.SetString("HKEY_LOCAL_MACHINE\\Software\\Adobe\\Acrobat Reader\\5.0\\InstallPath", "", "C:\\Acro\\Reader");
    EXPECT_EQ(Path(0x1002, &result), "C:\\Acro\\Reader\\AcroRd32.exe");
    EXPECT_EQ(Name(0x1002, &result), "Adobe Acrobat Reader 5.0");

    m.SetString(kNetscape + "\\4.76 (en)\\Main", "Install Directory", "C:\\Netscape\\Communicator");
    EXPECT_EQ(Path(0x102, &result), "C:\\Netscape\\Communicator\\Program\\netscape.exe");
    EXPECT_EQ(Path(0x204, &result), "C:\\Netscape\\Communicator\\Program\\netscape.exe");
}

TEST(LatestApplication, UnknownAppIdsFindNothing) {
    TestMachine m;
    for (unsigned int appId : {0x103u, 0u, 0x400u, 0x1FFu, 0x2002u}) {
        char buffer[16] = "untouched";
        EXPECT_EQ(GetLatestApplicationName(appId, buffer), -3) << std::hex << appId;
        EXPECT_EQ(GetLatestApplicationPath(appId, nullptr), -3) << std::hex << appId;
    }
}

}  // namespace
