// The integration state on both backends: the key each AppId keeps it under; what a
// first set, a second set and a set after an upgrade write; which installer calls they
// make, in which order, and what "Trans" the installer finds when it runs; and when a
// recorded state counts.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/state_store.h"
#include "frame/exports.h"
#include "install/branches.h"
#include "test_machine.h"

namespace {

TEST(StateKeys, EachAppIdHasItsOwnAndAnyOtherValueTheProductKey) {
    const struct {
        unsigned int appId;
        const char* suffix;
    } rows[] = {
        {0x101, "\\ApplTrans\\BrwsTrans\\IE"},
        {0x102, "\\ApplTrans\\BrwsTrans\\NS"},
        {0x201, "\\ApplTrans\\MailTrans\\OE"},
        {0x202, "\\ApplTrans\\MailTrans\\OL"},
        {0x204, "\\ApplTrans\\MailTrans\\NM"},
        {0x208, "\\ApplTrans\\MailTrans\\EP"},
        {0x210, "\\ApplTrans\\MailTrans\\QL"},
        {0x401, "\\ApplTrans\\OfficeTrans\\WD"},
        {0x402, "\\ApplTrans\\MailTrans\\OL"},  // Outlook's two AppIds share one key
        {0x404, "\\ApplTrans\\OfficeTrans\\EX"},
        {0x408, "\\ApplTrans\\OfficeTrans\\PP"},
        {0x801, "\\ApplTrans\\OfficeTrans\\CV"},
        {0x802, "\\ApplTrans\\OfficeTrans\\SV"},
        {0x804, "\\ApplTrans\\OfficeTrans\\Calvora"},
        {0x808, "\\ApplTrans\\OfficeTrans\\PCT"},
        {0x1001, "\\ApplTrans\\OfficeTrans\\A"},
        {0x1002, "\\ApplTrans\\OfficeTrans\\AR"},
        {0x2001, "\\ApplTrans\\OfficeTrans\\ICT"},
        {0x103, ""},
        {0x4101, ""},  // 0x101 with a bit no AppId has
    };
    for (const auto& row : rows) {
        char path[catalogue::kStateKeyBufferSize];
        catalogue::MakeStateKeyPath(row.appId, path);
        EXPECT_EQ(path, std::string("SOFTWARE\\Arvelle\\Zentho V4") + row.suffix) << "AppId " << std::hex << row.appId;
    }
}

const std::string kOffice = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office\\9.0";
const std::string kWordState = "HKEY_CURRENT_USER\\SOFTWARE\\Arvelle\\Zentho V4\\ApplTrans\\OfficeTrans\\WD";

// An installer call: AppId, on, previous state, and the "Trans" it finds recorded.
using Call = std::tuple<unsigned int, int, int, DWORD>;
std::vector<Call> g_calls;

class StateStore : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        install::SetUpdateObserver([](unsigned int appId, int on, int previous) {
            g_calls.emplace_back(appId, on, previous, catalogue::ReadTransValue(appId));
        });
        InstallWord(9, 0);  // Microsoft Word 2000
    }
    void TearDown() override { install::SetUpdateObserver(nullptr); }
    void InstallWord(uint16_t major, uint16_t minor) {
        m.SetString(kOffice + "\\Word\\InstallRoot", "Path", root + "\\Office");
        m.WriteExe(root + "\\Office\\WINWORD.EXE", major, minor);
    }
    std::string Stored(const char* name, DWORD type) {
        DWORD stored = 0;
        std::string data;
        if (!m.GetValue(kWordState, name, &stored, &data)) return "<missing>";
        return stored == type ? data : "<of type " + std::to_string(stored) + ">";
    }
    TestMachine m;
    const std::string root = TestMachine::Root();
};

TEST_F(StateStore, NothingIsRecordedForWhatIsNotInstalled) {
    for (unsigned int appId : {0x103u, 0x404u, 0x2001u}) {
        EXPECT_EQ(GetLatestApplicationState(appId), 0) << std::hex << appId;
        EXPECT_EQ(SetLatestApplicationState(appId, 1), 0) << std::hex << appId;
    }
    EXPECT_EQ(g_calls, std::vector<Call>{}) << "no installer call";
    EXPECT_FALSE(m.KeyExists("HKEY_CURRENT_USER\\SOFTWARE\\Arvelle"));
}

TEST_F(StateStore, EverySetRunsTheInstallerAfterTransIsWritten) {
    EXPECT_EQ(SetLatestApplicationState(0x401, 1), 0);
    EXPECT_EQ(Stored("Trans", REG_DWORD), std::string("\x01\0\0\0", 4));
    EXPECT_EQ(Stored("applname", REG_SZ), std::string("Microsoft Word 2000", 20));
    EXPECT_EQ(GetLatestApplicationState(0x401), 1);
    EXPECT_EQ(SetLatestApplicationState(0x401, 1), 1) << "the state before the call";
    EXPECT_EQ(SetLatestApplicationState(0x401, 0), 1);
    EXPECT_EQ(GetLatestApplicationState(0x401), 0);
    EXPECT_EQ(g_calls, (std::vector<Call>{{0x401, 1, 0, 1}, {0x401, 1, 1, 1}, {0x401, 0, 1, 0}}))
        << "the installer runs on every set, also when nothing changes, and finds the new Trans";
}

TEST_F(StateStore, AnUpgradeRemovesTheStaleIntegrationFirst) {
    const struct {
        const char* name;
        DWORD trans;
        std::string stored;
        std::vector<Call> calls;
    } rows[] = {
        {"on for Word 2000", 1, "Microsoft Word 2000", {{0x401, 0, 0, 1}, {0x401, 1, 0, 1}}},
        {"off for Word 2000", 0, "Microsoft Word 2000", {{0x401, 1, 0, 1}}},
        // Longer than any display name: a name that differs too.
        {"on for a 300-byte name", 1, std::string(300, 'W'), {{0x401, 0, 0, 1}, {0x401, 1, 0, 1}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        g_calls.clear();
        m.SetDword(kWordState, "Trans", row.trans);
        m.SetString(kWordState, "applname", row.stored);
        InstallWord(8, 5);  // now Microsoft Word 98
        EXPECT_EQ(GetLatestApplicationState(0x401), 0) << "recorded for another version";
        EXPECT_EQ(SetLatestApplicationState(0x401, 1), 0);
        EXPECT_EQ(g_calls, row.calls);
        EXPECT_EQ(Stored("applname", REG_SZ), std::string("Microsoft Word 98", 18));
        EXPECT_EQ(GetLatestApplicationState(0x401), 1);
        InstallWord(9, 0);
    }
}

TEST_F(StateStore, AStateCountsForItsNameByteForByteAndAsANumber) {
    const struct {
        const char* name;
        std::string applname;
        DWORD type;
        std::string trans;
        int state;
    } rows[] = {
        {"as recorded", "Microsoft Word 2000", REG_DWORD, std::string("\x01\0\0\0", 4), 1},
        {"any number, as the caller set it", "Microsoft Word 2000", REG_DWORD, std::string("\x07\0\0\0", 4), 7},
        {"the name in other letter case", "Microsoft WORD 2000", REG_DWORD, std::string("\x01\0\0\0", 4), 0},
        {"the name in other letter case", "microsoft word 2000", REG_DWORD, std::string("\x01\0\0\0", 4), 0},
        {"Trans as text", "Microsoft Word 2000", REG_SZ, std::string("1", 2), 0},
        {"Trans as 4 bytes of binary", "Microsoft Word 2000", REG_BINARY, std::string("\x01\0\0\0", 4), 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name + (": " + row.applname));
        m.SetString(kWordState, "applname", row.applname);
        m.SetRaw(kWordState, "Trans", row.type, row.trans);
        EXPECT_EQ(GetLatestApplicationState(0x401), row.state);
    }
}

TEST_F(StateStore, OutlooksTwoAppIdsShareOneState) {
    m.SetString(kOffice + "\\Outlook\\InstallRoot", "Path", root + "\\Office");
    m.WriteExe(root + "\\Office\\OUTLOOK.EXE", 9, 0);
    EXPECT_EQ(SetLatestApplicationState(0x402, 1), 0);
    EXPECT_EQ(GetLatestApplicationState(0x202), 1) << "the mail AppId reads the same state";
    EXPECT_EQ(SetLatestApplicationState(0x202, 0), 1);
    EXPECT_EQ(GetLatestApplicationState(0x402), 0);
}

}  // namespace
