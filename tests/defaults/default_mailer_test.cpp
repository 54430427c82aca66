// The default mail client on both backends: the six program files in their order,
// the Outlook and Outlook Express labels, Eudora's name, Messenger's version, the
// groupware's code, and the state of the client found.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "frame/exports.h"
#include "test_machine.h"

namespace {

const std::string kMailto = "HKEY_LOCAL_MACHINE\\Software\\Classes\\mailto\\shell\\open\\command";
const std::string kNetscape = "HKEY_LOCAL_MACHINE\\Software\\Netscape\\Netscape Navigator";
const std::string kAppPaths = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";

std::pair<LONG, std::string> Call(LONG (*getter)(char*)) {
    LONG n = getter(nullptr);
    if (n < 1) return {n, ""};
    char buffer[400];
    std::memset(buffer, 0x7F, sizeof buffer);
    EXPECT_EQ(getter(buffer), n);
    return {n, buffer};
}

class DefaultMailer : public ::testing::Test {
protected:
    void Program(const std::string& file, uint16_t major, uint16_t minor, uint16_t build = 0) {
        m.WriteExe(root + "\\" + file, major, minor, build);
        m.SetString(kMailto, "", "\"" + root + "\\" + file + "\" /mailurl:%1");
    }
    TestMachine m;
    const std::string root = TestMachine::Root();
};

TEST_F(DefaultMailer, NamesByProgramAndVersion) {
    struct Case {
        const char* file;
        uint16_t major, minor, build;
        LONG result;
        const char* name;
    } cases[] = {
        {"Office\\OUTLOOK.EXE", 8, 0, 0, 21, "Microsoft Outlook 97?"},
        {"Office\\OUTLOOK.EXE", 8, 5, 0, 20, "Microsoft Outlook 98"},
        {"Office\\OUTLOOK.EXE", 9, 0, 0, 22, "Microsoft Outlook 2000"},
        {"Office\\OUTLOOK.EXE", 10, 0, 0, 20, "Microsoft Outlook XP"},
        {"Office\\OUTLOOK.EXE", 11, 0, 0, -2, ""},
        {"OE\\msimn.exe", 5, 50, 0, 29, "Microsoft Outlook Express 5.5"},
        {"OE\\msimn.exe", 6, 0, 0, 27, "Microsoft Outlook Express 6"},
        {"Eudora\\Eudora.exe", 4, 3, 2, 26, "Qualcomm Eudora Pro  4.3.2"},
        {"Quillon\\Quillon.exe", 1, 2, 3, 13, "Quillon 1.2.3"},
        {"Sarvin\\Corvane.exe", 5, 0, 0, -4, ""},
    };
    for (const auto& c : cases) {
        Program(c.file, c.major, c.minor, c.build);
        auto name = Call(GetDefaultMailer);
        EXPECT_EQ(name.first, c.result) << c.file << " " << c.major << "." << c.minor;
        EXPECT_EQ(name.second, c.name);
        auto path = Call(GetDefaultMailerPath);
        if (c.result == -4) {
            EXPECT_EQ(path.first, -2) << "the groupware has no path here";
        } else {
            EXPECT_EQ(path.second, "\"" + root + "\\" + c.file + "\"") << "a path even without a name";
        }
    }
}

TEST_F(DefaultMailer, PathsCountTheTextBeforeExpansion) {
    m.SetEnv("ZT_MAIL", root + "\\Mail Programs");
    m.SetString(kMailto, "", "%ZT_MAIL%\\msimn.exe /mailurl:%1");
    auto path = Call(GetDefaultMailerPath);
    EXPECT_EQ(path.first, 19) << "the length of %ZT_MAIL%\\msimn.exe";
    EXPECT_EQ(path.second, root + "\\Mail Programs\\msimn.exe");
}

TEST_F(DefaultMailer, MessengerTakesTheGreatestVersionName) {
    m.CreateKey(kNetscape + "\\4.5\\Main");
    m.CreateKey(kNetscape + "\\4.7");
    m.CreateKey(kNetscape + "\\Users");
    m.SetString(kMailto, "", "C:\\Netscape\\Program\\netscape.exe -mail C:\\Office\\outlook.exe");
    auto name = Call(GetDefaultMailer);
    EXPECT_EQ(name.second, "Netscape Messenger 4.7") << "Netscape before Outlook; 4.7 though only 4.5 has Main";
    EXPECT_EQ(name.first, 23) << "the count includes the NUL";
}

TEST_F(DefaultMailer, MessengerInCreationOrder) {
    if (!TestMachine::Simulated()) GTEST_SKIP() << "needs keys listed in creation order";
    m.ListKeysInCreationOrder();
    m.CreateKey(kNetscape + "\\4.7");
    m.CreateKey(kNetscape + "\\4.5\\Main");
    m.SetString(kMailto, "", "C:\\Netscape\\Program\\netscape.exe -mail");
    EXPECT_EQ(Call(GetDefaultMailer).first, -2) << "4.5 never beats 4.7, and 4.7 has no Main";
}

TEST_F(DefaultMailer, StatesOfTheClientFound) {
    m.DeleteTree("HKEY_LOCAL_MACHINE\\Software\\Classes\\mailto");  // Wine registers its own mailer
    EXPECT_EQ(Call(GetDefaultMailer).first, -1);
    EXPECT_EQ(GetDefaultMailerState(), 0);
    Program("Sarvin\\corvane.exe", 5, 0);
    EXPECT_EQ(GetDefaultMailerState(), 0);
    EXPECT_EQ(SetDefaultMailerState(1), 0);
    EXPECT_FALSE(m.KeyExists("HKEY_CURRENT_USER\\SOFTWARE\\Arvelle"));

    Program("Eudora\\Eudora.exe", 4, 3, 2);
    m.SetString(kAppPaths + "\\eudora.exe", "", root + "\\Eudora\\Eudora.exe");
    EXPECT_EQ(SetDefaultMailerState(1), 0);
    EXPECT_EQ(GetLatestApplicationState(0x208), 1);
    EXPECT_EQ(GetDefaultMailerState(), 1);

    // The maker's own client is switched like the others.
    Program("Quillon\\quillon.exe", 1, 2, 3);
    m.SetString(kAppPaths + "\\quillon.exe", "", root + "\\Quillon\\quillon.exe");
    EXPECT_EQ(SetDefaultMailerState(1), 0);
    EXPECT_EQ(GetLatestApplicationState(0x210), 1);
    EXPECT_EQ(GetDefaultMailerState(), 1);
}

}  // namespace
