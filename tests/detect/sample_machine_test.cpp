// Detection over the bundled sample machine (simulation only): every application's
// display name and path, the registry and file calls a few exports make, counted
// against their algorithms, and nothing left open afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "catalogue/catalogue.h"
#include "frame/exports.h"
#include "platform/os/sim/machine_folder.h"

namespace {

class SampleMachine : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        machine = sim::LoadMachineFolder(ZENTHO_SOURCE_DIR "/examples/sample-machine", &error);
        ASSERT_TRUE(machine) << error;
        sim::Machine::Use(machine.get());
    }
    void TearDown() override { sim::Machine::Use(nullptr); }
    size_t Calls() const { return machine->registry().CallCount(); }
    size_t FileCalls() const { return machine->Operations(sim::FaultKind::kFile); }
    std::unique_ptr<sim::Machine> machine;
};

std::string Text(LONG (*getter)(unsigned int, char*), unsigned int appId) {
    LONG length = getter(appId, nullptr);
    if (length < 1) return "-";
    std::string text(std::max<size_t>(length + 1, 261), '\0');
    getter(appId, &text[0]);
    return text.c_str();
}

TEST_F(SampleMachine, EveryApplicationIsFoundWithItsNameAndPath) {
    const std::string office = "C:\\Program Files\\Microsoft Office\\Office\\";
    const std::string netscape = "C:\\Program Files\\Netscape\\Communicator\\Program\\netscape.exe";
    struct Case {
        unsigned int appId;
        std::string name, path;
    } cases[] = {
        {0x101, "Microsoft Internet Explorer 5.5", "C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE"},
        {0x102, "Netscape Navigator 4.76 (en)", netscape},
        {0x201, "Microsoft Outlook Express 5.5", "C:\\Program Files\\Outlook Express\\msimn.exe"},
        {0x202, "Microsoft Outlook 2000", office + "Outlook.exe"},
        {0x204, "Netscape Messenger 4.76 (en)", netscape},
        {0x208, "Qualcomm Eudora Pro  4.3.2", "C:\\Program Files\\Qualcomm\\Eudora Pro\\Eudora.exe"},
        {0x210, "-", "-"},
        {0x401, "Microsoft Word 2000", office + "Winword.exe"},
        {0x402, "Microsoft Outlook 2000", office + "Outlook.exe"},
        {0x404, "Microsoft Excel 2000", office + "Excel.exe"},
        {0x408, "Microsoft PowerPoint 2000", office + "Powerpnt.exe"},
        {0x801, "Sarvin Corvane", "C:\\Program Files\\Sarvin\\Corvane\\Corvane.exe"},
        {0x802, "Sarvin Scrivale", "C:\\Program Files\\Sarvin\\Tessaline\\Scrivale\\Scrivale.exe"},
        {0x804, "Sarvin Calvora", "C:\\Program Files\\Sarvin\\Tessaline\\Calvora\\Calvora.exe"},
        {0x808, "Sarvin Pictora", "C:\\Program Files\\Sarvin\\Tessaline\\pct\\p32main.exe"},
        {0x1001, "-", "-"},
        {0x1002, "Adobe Acrobat Reader 5.0", "C:\\Program Files\\Adobe\\Acrobat 5.0\\Reader\\AcroRd32.exe"},
        {0x2001,
         "\x88\xea\x91\xbe\x98\x59"
         "11",
         "C:\\Program Files\\JUST\\TARO11\\Taro11.exe"},
    };
    ASSERT_EQ(std::size(cases), std::size(catalogue::kApplications)) << "every AppId of the catalogue";
    for (const auto& c : cases) {
        EXPECT_EQ(Text(GetLatestApplicationName, c.appId), c.name) << std::hex << c.appId;
        EXPECT_EQ(Text(GetLatestApplicationPath, c.appId), c.path) << std::hex << c.appId;
    }
    EXPECT_EQ(machine->OpenHandleCount(), 0u);
    EXPECT_EQ(machine->LiveBlocks(), 0u);
    EXPECT_TRUE(machine->changes().empty()) << "detection only reads";
}

TEST_F(SampleMachine, RegistryAndFileCallsAreThoseTheAlgorithmsMake) {
    // A name read from a program's version resource costs two file calls (its size, then
    // the resource); names kept in the registry and paths cost none.
    struct Case {
        const char* what;
        LONG (*getter)(unsigned int, char*);
        unsigned int appId;
        size_t calls, fileCalls;
    } cases[] = {
        // App Paths: open, value size, value, close.
        {"Internet Explorer's name", GetLatestApplicationName, 0x101, 4, 2},
        // Office: open, count, 2 names; for 9.0: open InstallRoot, size, value, close; close.
        {"Word's name", GetLatestApplicationName, 0x401, 9, 2},
        {"Word's path", GetLatestApplicationPath, 0x401, 9, 0},
        // Netscape: open, count, 2 names; 4.76 (en): open Main, size, value, close; close.
        {"Navigator's path", GetLatestApplicationPath, 0x102, 9, 0},
        // Netscape's name opens no version key: open, count, 2 names, close.
        {"Navigator's name", GetLatestApplicationName, 0x102, 5, 0},
        // Ichitaro: open, count, 1 name; product name key 4; folder key 4; close.
        {"Ichitaro's name", GetLatestApplicationName, 0x2001, 12, 0},
    };
    for (const auto& c : cases) {
        size_t before = Calls(), filesBefore = FileCalls();
        c.getter(c.appId, nullptr);
        EXPECT_EQ(Calls() - before, c.calls) << c.what;
        EXPECT_EQ(FileCalls() - filesBefore, c.fileCalls) << c.what;
    }
    EXPECT_EQ(machine->OpenHandleCount(), 0u);
}

}  // namespace
