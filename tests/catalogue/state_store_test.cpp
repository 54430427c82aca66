// The integration state store on both backends: what a first set, a second set and a
// set after an upgrade write, and which installer calls they make, in which order.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "frame/exports.h"
#include "install/branches.h"
#include "test_machine.h"

namespace {

const std::string kOffice = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office\\9.0";
const std::string kWordState = "HKEY_CURRENT_USER\\SOFTWARE\\Arvelle\\Zentho V4\\ApplTrans\\OfficeTrans\\WD";
const std::string kOutlookState = "HKEY_CURRENT_USER\\SOFTWARE\\Arvelle\\Zentho V4\\ApplTrans\\MailTrans\\OL";

using Call = std::tuple<unsigned int, int, int>;
std::vector<Call> g_calls;
void Observe(unsigned int appId, int on, int previous) { g_calls.emplace_back(appId, on, previous); }

class StateStore : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        install::SetUpdateObserver(Observe);
        InstallWord(9, 0);  // Microsoft Word 2000
    }
    void TearDown() override { install::SetUpdateObserver(nullptr); }
    void InstallWord(uint16_t major, uint16_t minor) {
        m.SetString(kOffice + "\\Word\\InstallRoot", "Path", root + "\\Office");
        m.WriteExe(root + "\\Office\\WINWORD.EXE", major, minor);
    }
    std::string Stored(const std::string& key, const char* name, DWORD* type) {
        std::string data;
        return m.GetValue(key, name, type, &data) ? data : "<missing>";
    }
    TestMachine m;
    const std::string root = TestMachine::Root();
};

TEST_F(StateStore, NothingIsRecordedForWhatIsNotInstalled) {
    for (unsigned int appId : {0x103u, 0x404u, 0x2001u}) {
        EXPECT_EQ(GetLatestApplicationState(appId), 0);
        EXPECT_EQ(SetLatestApplicationState(appId, 1), 0);
    }
    EXPECT_TRUE(g_calls.empty()) << "no installer call";
    EXPECT_FALSE(m.KeyExists("HKEY_CURRENT_USER\\SOFTWARE\\Arvelle"));
}

TEST_F(StateStore, FirstSetThenSetAgain) {
    EXPECT_EQ(SetLatestApplicationState(0x401, 1), 0);
    DWORD type = 0;
    EXPECT_EQ(Stored(kWordState, "Trans", &type), std::string("\x01\0\0\0", 4));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(Stored(kWordState, "applname", &type), std::string("Microsoft Word 2000", 20));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(GetLatestApplicationState(0x401), 1);
    EXPECT_EQ(SetLatestApplicationState(0x401, 1), 1) << "the state before the call";
    EXPECT_EQ(SetLatestApplicationState(0x401, 0), 1);
    EXPECT_EQ(GetLatestApplicationState(0x401), 0);
    EXPECT_EQ(g_calls, (std::vector<Call>{{0x401, 1, 0}, {0x401, 1, 1}, {0x401, 0, 1}}))
        << "the installer runs on every write, also when nothing changes";
}

TEST_F(StateStore, AnUpgradeRemovesTheStaleIntegrationFirst) {
    // A stored name longer than any display name is a name that differs too.
    const std::pair<DWORD, std::string> rows[] = {
        {1, "Microsoft Word 2000"}, {0, "Microsoft Word 2000"}, {1, std::string(300, 'W')}};
    for (const auto& [trans, stored] : rows) {
        g_calls.clear();
        InstallWord(9, 0);
        m.SetDword(kWordState, "Trans", trans);
        m.SetString(kWordState, "applname", stored);
        InstallWord(8, 5);  // now Microsoft Word 98
        EXPECT_EQ(GetLatestApplicationState(0x401), 0) << "recorded for another version";
        EXPECT_EQ(SetLatestApplicationState(0x401, 1), 0);
        std::vector<Call> expected = {{0x401, 1, 0}};
        if (trans) expected.insert(expected.begin(), Call{0x401, 0, 0});
        EXPECT_EQ(g_calls, expected) << "Trans was " << trans << ", for " << stored.size() << " bytes";
        DWORD type;
        EXPECT_EQ(Stored(kWordState, "applname", &type), std::string("Microsoft Word 98", 18));
        EXPECT_EQ(GetLatestApplicationState(0x401), 1);
    }
}

TEST_F(StateStore, NamesCompareByteForByteAndTransMustBeANumber) {
    m.SetDword(kWordState, "Trans", 1);
    m.SetString(kWordState, "applname", "Microsoft WORD 2000");
    EXPECT_EQ(GetLatestApplicationState(0x401), 0) << "letter case counts";
    m.SetString(kWordState, "applname", "Microsoft Word 2000");
    EXPECT_EQ(GetLatestApplicationState(0x401), 1);
    m.SetString(kWordState, "Trans", "1");
    EXPECT_EQ(GetLatestApplicationState(0x401), 0) << "a Trans that is text reads as off";
    m.SetDword(kWordState, "Trans", 7);
    EXPECT_EQ(GetLatestApplicationState(0x401), 7) << "the state as the caller set it";
}

TEST_F(StateStore, OutlooksTwoAppIdsShareOneKey) {
    m.SetString(kOffice + "\\Outlook\\InstallRoot", "Path", root + "\\Office");
    m.WriteExe(root + "\\Office\\OUTLOOK.EXE", 9, 0);
    EXPECT_EQ(SetLatestApplicationState(0x402, 1), 0);
    DWORD type;
    EXPECT_EQ(Stored(kOutlookState, "applname", &type), std::string("Microsoft Outlook 2000", 23));
    EXPECT_EQ(GetLatestApplicationState(0x202), 1) << "the mail AppId reads the same key";
    EXPECT_EQ(SetLatestApplicationState(0x202, 0), 1);
    EXPECT_EQ(GetLatestApplicationState(0x402), 0);
}

}  // namespace
