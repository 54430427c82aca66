// Detection over the bundled sample machine (simulation only): every application's
// display name and path, and nothing changed or left held afterwards.
#include <gtest/gtest.h>

#include <string>

#include "../frame/two_calls.h"
#include "catalogue/catalogue.h"
#include "frame/exports.h"
#include "platform/os/sim/machine_folder.h"

namespace {

std::string Text(LONG (*getter)(unsigned int, char*), unsigned int appId) {
    const Answer answer = Ask([&](char* buffer) { return getter(appId, buffer); });
    return answer.result < 1 ? "-" : answer.text;
}

TEST(SampleMachine, EveryApplicationIsFoundWithItsNameAndPath) {
    std::string error;
    std::unique_ptr<sim::Machine> machine =
        sim::LoadMachineFolder(ZENTHO_SOURCE_DIR "/examples/sample-machine", &error);
    ASSERT_TRUE(machine) << error;
    sim::Machine::Use(machine.get());
    const std::string programs = "C:\\Program Files\\", office = programs + "Microsoft Office\\Office\\",
                      netscape = programs + "Netscape\\Communicator\\Program\\netscape.exe";
    const struct {
        unsigned int appId;
        std::string name, path;
    } rows[] = {
        {0x101, "Microsoft Internet Explorer 5.5", programs + "Internet Explorer\\IEXPLORE.EXE"},
        {0x102, "Netscape Navigator 4.76 (en)", netscape},
        {0x201, "Microsoft Outlook Express 5.5", programs + "Outlook Express\\msimn.exe"},
        {0x202, "Microsoft Outlook 2000", office + "Outlook.exe"},
        {0x204, "Netscape Messenger 4.76 (en)", netscape},
        {0x208, "Qualcomm Eudora Pro  4.3.2", programs + "Qualcomm\\Eudora Pro\\Eudora.exe"},
        {0x210, "-", "-"},
        {0x401, "Microsoft Word 2000", office + "Winword.exe"},
        {0x402, "Microsoft Outlook 2000", office + "Outlook.exe"},
        {0x404, "Microsoft Excel 2000", office + "Excel.exe"},
        {0x408, "Microsoft PowerPoint 2000", office + "Powerpnt.exe"},
        {0x801, "Sarvin Corvane", programs + "Sarvin\\Corvane\\Corvane.exe"},
        {0x802, "Sarvin Scrivale", programs + "Sarvin\\Tessaline\\Scrivale\\Scrivale.exe"},
        {0x804, "Sarvin Calvora", programs + "Sarvin\\Tessaline\\Calvora\\Calvora.exe"},
        {0x808, "Sarvin Pictora", programs + "Sarvin\\Tessaline\\pct\\p32main.exe"},
        {0x1001, "-", "-"},
        {0x1002, "Adobe Acrobat Reader 5.0", programs + "Adobe\\Acrobat 5.0\\Reader\\AcroRd32.exe"},
        {0x2001,
         "\x88\xea\x91\xbe\x98\x59"
         "11",
         programs + "JUST\\TARO11\\Taro11.exe"},
    };
    EXPECT_EQ(std::size(rows), std::size(catalogue::kApplications)) << "every AppId of the catalogue";
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "AppId 0x" << std::hex << row.appId);
        EXPECT_EQ(Text(GetLatestApplicationName, row.appId), row.name);
        EXPECT_EQ(Text(GetLatestApplicationPath, row.appId), row.path);
    }
    EXPECT_EQ(machine->OpenHandleCount(), 0u);
    EXPECT_EQ(machine->LiveBlocks(), 0u);
    EXPECT_TRUE(machine->changes().empty()) << "detection only reads";
    sim::Machine::Use(nullptr);
}

}  // namespace
