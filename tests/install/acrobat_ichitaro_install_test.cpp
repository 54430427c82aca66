// The Acrobat and Ichitaro branches on both backends: which plug-in build goes where,
// and Ichitaro's macro run with the bounded wait for Ichitaro to open and close
// (under Wine a stand-in program with Ichitaro's window class).
#include <cstdio>

#include "install/windows.h"
#include "installer_fixture.h"

#ifndef _WIN32
#include "tools/winsim/core/machine.h"
#endif

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const std::string kAdobe = "HKEY_LOCAL_MACHINE\\Software\\Adobe";

#ifdef _WIN32
// Only a real clock says whether the waits sleep: the simulation's clock moves only
// when the library waits. The settings program's thread is the one that waits.
ULONGLONG ThreadCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) {
        ADD_FAILURE() << "GetThreadTimes failed: " << GetLastError();
        return 0;
    }
    const auto ms = [](const FILETIME& t) { return ((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000; };
    return ms(kernel) + ms(user);
}
#endif

class AcrobatIchitaroInstall : public InstallerTest {
protected:
    void TearDown() override { install::Bounds() = install::WaitBounds(); }
    std::string InstallTaro(const char* version, const char* value, const char* exe, const TestMachine::Behaviour& b) {
        const std::string folder = root + "\\JUST\\" + value;
        m.SetString("HKEY_LOCAL_MACHINE\\Software\\Justsystem\\Taro\\" + std::string(version) + "\\SETUP\\ProductName",
                    "Detail", "Taro");
        m.SetString("HKEY_LOCAL_MACHINE\\Software\\Justsystem\\Common\\SETUP\\Folder", value, folder);
        m.InstallProgram(folder + "\\" + exe, b);
        return folder;
    }
};

TEST_F(AcrobatIchitaroInstall, TheAdobeVersionChoosesThePlugin) {
    m.SetString(kAdobe + "\\Acrobat Reader\\4.0\\InstallPath", "", root + "\\Reader4");
    m.SetString(kAdobe + "\\Acrobat Reader\\5.0\\InstallPath", "", root + "\\Reader5");
    m.MakeFolder(root + "\\Reader4\\plug_ins");
    m.MakeFolder(root + "\\Reader5\\plug_ins");
    EXPECT_EQ(Run(0x1002, 1, 0), Changes{"copied " + program + "\\ZenthoPDFTrans5.api to " + root +
                                         "\\Reader5\\plug_ins\\ZenthoPDFTrans5.api"});
    EXPECT_EQ(Run(0x1002, 0, 1), Changes{"deleted file " + root + "\\Reader5\\plug_ins\\ZenthoPDFTrans5.api"});
    m.CreateKey(kAdobe + "\\Adobe Acrobat\\5.0");  // no InstallPath: the shell's registration
    m.SetString("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Acrobat.exe", "Path",
                root + "\\Acrobat5");
    m.MakeFolder(root + "\\Acrobat5\\plug_ins");
    EXPECT_EQ(Run(0x1001, 1, 0), Changes{"copied " + program + "\\ZenthoPDFTrans5.api to " + root +
                                         "\\Acrobat5\\plug_ins\\ZenthoPDFTrans5.api"});
    m.SetString("HKEY_CURRENT_USER\\Software\\Adobe\\Adobe Acrobat\\4.0\\InstallPath", "", root + "\\Reader4");
    m.DeleteTree(kAdobe + "\\Adobe Acrobat");
    EXPECT_EQ(Run(0x1001, 1, 0), Changes{"copied " + program + "\\ZenthoPDFTrans.api to " + root +
                                         "\\Reader4\\plug_ins\\ZenthoPDFTrans.api"})
        << "the user's 4.0 registration: the 4.0 build";
    m.SetString(kProduct, "ProgramLocation", root + "\\Missing");
    EXPECT_EQ(Run(0x1001, 0, 1), Changes{}) << "without the product's program folder: nothing";
}

TEST_F(AcrobatIchitaroInstall, IchitaroDictionariesAndMacros) {
    TestMachine::Behaviour never;  // started, never shows a window
    const std::string folder = InstallTaro("9.0", "Tarowin9", "Taro9.exe", never);
    const std::string source = Data("Taro");
    auto files = [&](const char* verb) {
        Changes lines;
        for (const char* file : {"\\Arvelle_jic.tbl", "\\Arvelle_lib.jbl"})
            lines.push_back(std::string(verb) + folder + file);
        return lines;
    };
    Changes install = {"copied " + source + "\\Arvelle_zentho.jtd to " + folder + "\\Arvelle_zentho.jtd",
                       "copied " + source + "\\Arvelle_jic.tbl to " + folder + "\\Arvelle_jic.tbl",
                       "copied " + source + "\\Arvelle_lib.jbl to " + folder + "\\Arvelle_lib.jbl"};
    EXPECT_EQ(Run(0x2001, 1, 1), install) << "on already: Ichitaro is not started";
    auto withStart = files("deleted file ");
    withStart.insert(withStart.end(), install.begin(), install.end());
    withStart.push_back("started " + folder + "\\Taro9.exe \"/M/" + source + "\\install.mtx\"");
    EXPECT_EQ(Run(0x2001, 1, 0), withStart);
    EXPECT_EQ(Run(0x2001, 0, 0), files("deleted file ")) << "off already: no start, no wait";
    EXPECT_TRUE(m.Exists(folder + "\\Arvelle_zentho.jtd"));
}

TEST_F(AcrobatIchitaroInstall, IchitaroRemovalWaitsForItsWindowToComeAndGo) {
    install::Bounds().ichitaroStartMs = 4000;
    install::Bounds().ichitaroCloseMs = 8000;
    TestMachine::Behaviour taro;
    taro.windows = {{"js:TARO11", "\x88\xea\x91\xbe\x98\x59"}};
    taro.showAfterMs = 600;
    taro.closeAfterMs = 900;
    const std::string folder = InstallTaro("11.0", "Taro11", "Taro11.exe", taro);
    const std::string source = Data("Taro");
    Run(0x2001, 1, 1);
#ifdef _WIN32
    const ULONGLONG cpuBefore = ThreadCpuMs();
#endif
#ifndef _WIN32
    MSG waiting = {};
    m.machine()->desktop().Post(waiting);  // the caller's own message, taken while Ichitaro is awaited
#endif
    const DWORD before = os::GetTickCount();
    EXPECT_EQ(Run(0x2001, 0, 1), (Changes{"started " + folder + "\\Taro11.exe \"/M/" + source + "\\uninstall.mtx\"",
                                          "deleted file " + folder + "\\Arvelle_jic.tbl",
                                          "deleted file " + folder + "\\Arvelle_lib.jbl"}));
    const DWORD waitedMs = os::GetTickCount() - before;
    EXPECT_GE(waitedMs, 1400u) << "the files went only after Ichitaro had come and gone";
#ifdef _WIN32
    const ULONGLONG cpuMs = ThreadCpuMs() - cpuBefore;
    std::printf("ichitaro removal: %lu ms waited, %llu ms of CPU\n", static_cast<unsigned long>(waitedMs), cpuMs);
    EXPECT_LT(cpuMs * 20, ULONGLONG(waitedMs)) << "under 5% of a core: " << cpuMs << " ms of CPU in " << waitedMs;
#endif
    EXPECT_FALSE(os::FindWindowA("js:TARO11", nullptr));
#ifndef _WIN32
    EXPECT_EQ(m.machine()->desktop().dispatched(), 1u);
#endif
}

// The user's own Ichitaro, open during the removal, is another instance of the same
// program: when the one the removal started ends, the user's stays open, and the
// files stay with it.
TEST_F(AcrobatIchitaroInstall, TheUsersOwnIchitaroOutlastsTheOneTheRemovalStarted) {
    install::Bounds().ichitaroStartMs = install::Bounds().ichitaroCloseMs = 1500;
    TestMachine::Behaviour taro;
    taro.windows = {{"js:TARO11", "Taro"}};
    taro.showAfterMs = 200;
    taro.closeAfterMs = 300;
    const std::string folder = InstallTaro("11.0", "Taro11", "Taro11.exe", taro);
    m.OpenWindow("js:TARO11", "Letter.jtd", folder + "\\Taro11.exe");
    Run(0x2001, 1, 1);
    const auto changes = Run(0x2001, 0, 1);
    ASSERT_EQ(changes.size(), 1u) << "only the start";
    EXPECT_TRUE(m.Exists(folder + "\\Arvelle_jic.tbl"));
    EXPECT_TRUE(os::FindWindowA("js:TARO11", nullptr)) << "the user's Ichitaro is still open";
}

}  // namespace
