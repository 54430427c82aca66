// The integration state on both backends: each AppId's key; what a first set, a second
// set and a set after an upgrade write; the installer calls they make, in order, and
// the "Trans" the installer finds; when a recorded state counts.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "catalogue/catalogue.h"
#include "state/state_store.h"
#include "frame/exports.h"
#include "install/branches.h"
#include "test_machine.h"

namespace {

TEST(StateKeys, EachAppIdHasItsOwnAndAnyOtherValueTheProductKey) {
    const std::string product = "SOFTWARE\\Arvelle\\Zentho V4";
    const std::tuple<unsigned int, const char*> rows[] = {
        {0x101, "BrwsTrans\\IE"},    {0x102, "BrwsTrans\\NS"},     {0x201, "MailTrans\\OE"},
        {0x202, "MailTrans\\OL"},    {0x204, "MailTrans\\NM"},     {0x208, "MailTrans\\EP"},
        {0x210, "MailTrans\\QL"},    {0x401, "OfficeTrans\\WD"},   {0x402, "MailTrans\\OL"},
        {0x404, "OfficeTrans\\EX"},  {0x408, "OfficeTrans\\PP"},   {0x801, "OfficeTrans\\CV"},
        {0x802, "OfficeTrans\\SV"},  {0x808, "OfficeTrans\\PCT"},  {0x1001, "OfficeTrans\\A"},
        {0x1002, "OfficeTrans\\AR"}, {0x2001, "OfficeTrans\\ICT"}, {0x804, "OfficeTrans\\Calvora"},
    };
    char path[catalogue::kStateKeyBufferSize];
    for (const auto& [appId, suffix] : rows) {
        catalogue::MakeStateKeyPath(appId, path);
        EXPECT_EQ(path, product + "\\ApplTrans\\" + suffix) << "AppId " << std::hex << appId;
    }
    for (unsigned int appId : {0x103u, 0x4101u}) {  // no AppId, and 0x101 with a bit more
        catalogue::MakeStateKeyPath(appId, path);
        EXPECT_EQ(path, product) << "AppId " << std::hex << appId;
    }
}

const std::string kOffice = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office\\9.0";
const std::string kWordState = "HKEY_CURRENT_USER\\SOFTWARE\\Arvelle\\Zentho V4\\ApplTrans\\OfficeTrans\\WD";
const std::string kOn = std::string("\x01\0\0\0", 4);

// An installer call: AppId, on, previous state, and the "Trans" it finds recorded.
using Call = std::tuple<unsigned int, int, int, DWORD>;
std::vector<Call> g_calls;

class StateStore : public ::testing::Test {
protected:
    void SetUp() override {
        install::SetUpdateObserver([](unsigned int appId, int on, int previous) {
            g_calls.emplace_back(appId, on, previous, state::ReadTransValue(appId));
        });
        InstallWord(9, 0);  // Microsoft Word 2000
    }
    void TearDown() override { install::SetUpdateObserver(nullptr), g_calls.clear(); }
    void InstallWord(uint16_t major, uint16_t minor) {
        m.SetString(kOffice + "\\Word\\InstallRoot", "Path", root + "\\Office");
        m.WriteExe(root + "\\Office\\WINWORD.EXE", major, minor);
    }
    std::string Stored(const char* name) {  // type, then bytes
        DWORD type = 0;
        std::string data;
        return m.GetValue(kWordState, name, &type, &data) ? std::to_string(type) + " " + data : "<missing>";
    }
    TestMachine m;
    const std::string root = TestMachine::Root();
};

TEST_F(StateStore, EverySetRunsTheInstallerAfterTransIsWritten) {
    EXPECT_EQ(SetLatestApplicationState(0x401, 1), 0);
    EXPECT_EQ(Stored("Trans"), "4 " + kOn) << "a REG_DWORD";
    EXPECT_EQ(Stored("applname"), std::string("1 Microsoft Word 2000", 22)) << "a REG_SZ";
    EXPECT_EQ(GetLatestApplicationState(0x401), 1);
    EXPECT_EQ(SetLatestApplicationState(0x401, 1), 1) << "the state before the call";
    EXPECT_EQ(SetLatestApplicationState(0x401, 0), 1);
    EXPECT_EQ(GetLatestApplicationState(0x401), 0);
    EXPECT_EQ(g_calls, (std::vector<Call>{{0x401, 1, 0, 1}, {0x401, 1, 1, 1}, {0x401, 0, 1, 0}}))
        << "the installer runs on every set, also when nothing changes, and finds the new Trans";
}

TEST_F(StateStore, AnUpgradeRemovesTheStaleIntegrationFirst) {
    const std::vector<Call> removeThenSet = {{0x401, 0, 0, 1}, {0x401, 1, 0, 1}}, set = {{0x401, 1, 0, 1}};
    // Trans and applname recorded for Word 2000; a name longer than any display name differs too.
    const std::tuple<DWORD, std::string, std::vector<Call>> rows[] = {{1, "Microsoft Word 2000", removeThenSet},
                                                                      {0, "Microsoft Word 2000", set},
                                                                      {1, std::string(300, 'W'), removeThenSet}};
    for (const auto& [trans, stored, calls] : rows) {
        SCOPED_TRACE(testing::Message() << "Trans " << trans << " for " << stored);
        m.SetDword(kWordState, "Trans", trans);
        m.SetString(kWordState, "applname", stored);
        InstallWord(8, 5);  // now Microsoft Word 98
        EXPECT_EQ(GetLatestApplicationState(0x401), 0) << "recorded for another version";
        EXPECT_EQ(SetLatestApplicationState(0x401, 1), 0);
        EXPECT_EQ(g_calls, calls);
        EXPECT_EQ(Stored("applname"), std::string("1 Microsoft Word 98", 20));
        EXPECT_EQ(GetLatestApplicationState(0x401), 1);
        InstallWord(9, 0);
        g_calls.clear();
    }
}

TEST_F(StateStore, AStateCountsForItsNameByteForByteAndAsANumber) {
    const std::string word = "Microsoft Word 2000";
    const std::tuple<std::string, DWORD, std::string, int> rows[] = {
        {word, REG_DWORD, kOn, 1},
        {word, REG_DWORD, std::string("\x07\0\0\0", 4), 7},
        {"Microsoft WORD 2000", REG_DWORD, kOn, 0},  // letter case counts
        {word, REG_SZ, std::string("1", 2), 0},
        {word, REG_BINARY, kOn, 0},
    };
    for (const auto& [applname, type, trans, state] : rows) {
        m.SetString(kWordState, "applname", applname);
        m.SetRaw(kWordState, "Trans", type, trans);
        EXPECT_EQ(GetLatestApplicationState(0x401), state) << applname << ", Trans of type " << type;
    }
}

}  // namespace
