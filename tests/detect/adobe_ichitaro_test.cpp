// Acrobat and Ichitaro detection on both backends: the machine's registration before
// the user's, versions by string order, and Ichitaro's three known versions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "detect/adobe_ichitaro.h"
#include "test_machine.h"

namespace {

const std::string kAdobe = "HKEY_LOCAL_MACHINE\\Software\\Adobe";
const std::string kUserAdobe = "HKEY_CURRENT_USER\\Software\\Adobe";
const std::string kTaro = "HKEY_LOCAL_MACHINE\\Software\\Justsystem\\Taro";
const std::string kTaroFolders = "HKEY_LOCAL_MACHINE\\Software\\Justsystem\\Common\\SETUP\\Folder";

std::pair<std::string, std::string> Adobe(const char* product, int* found = nullptr) {
    char name[261], folder[261];
    std::memset(name, 'x', sizeof name);
    std::memset(folder, 'x', sizeof folder);
    int f = detect::FindLatestAdobeApp(product, name, folder);
    if (found) *found = f;
    return {name, folder};
}

TEST(AdobeAndIchitaro, AdobeVersionsMachineFirstThenUser) {
    TestMachine m;
    int found = -1;
    EXPECT_EQ(Adobe("Acrobat Reader", &found), std::make_pair(std::string(), std::string()));
    EXPECT_EQ(found, 0);
    m.SetString(kUserAdobe + "\\Adobe Acrobat\\5.0\\InstallPath", "", "C:\\UserAcrobat");
    EXPECT_EQ(Adobe("Adobe Acrobat"), std::make_pair(std::string("Adobe Acrobat 5.0"), std::string("C:\\UserAcrobat")));
    m.SetString(kAdobe + "\\Acrobat Reader\\4.0\\InstallPath", "", "C:\\Reader4");
    m.SetString(kAdobe + "\\Acrobat Reader\\5.0\\InstallPath", "", "\"C:\\Reader5\\\"");
    m.SetString(kAdobe + "\\Acrobat Reader\\10.0\\InstallPath", "", "C:\\Reader10");
    m.SetString(kUserAdobe + "\\Acrobat Reader\\6.0\\InstallPath", "", "C:\\UserReader");
    EXPECT_EQ(Adobe("Acrobat Reader"),
              std::make_pair(std::string("Acrobat Reader 5.0"), std::string("\"C:\\Reader5\\\"")))
        << "5.0 beats 10.0; the folder as stored; the user's not read";
    m.CreateKey(kAdobe + "\\Adobe Acrobat\\5.0");
    EXPECT_EQ(Adobe("Adobe Acrobat", &found), std::make_pair(std::string("Adobe Acrobat 5.0"), std::string()))
        << "a version without InstallPath is found, with no folder";
    EXPECT_EQ(found, 1);
}

TEST(AdobeAndIchitaro, IchitaroKnowsThreeVersions) {
    struct Case {
        std::vector<const char*> versions;
        const char* name;
        const char* path;
    } cases[] = {
        {{"10.0", "11.0"}, "Taro 11.0", "C:\\JUST\\TARO11\\Taro11.exe"},
        {{"9.0", "10.0"}, "Taro 9.0", "C:\\JUST\\TARO9\\Taro9.exe"},
        {{"10.0"}, "Taro 10.0", "C:\\JUST\\TARO10\\Taro10.exe"},  // folder written quoted, trailing backslash
        {{"12.0"}, "", ""},
        {{"11.0", "12.0"}, "", ""},  // a greater unknown version hides the known ones
        {{"Common"}, "", ""},
    };
    for (const auto& c : cases) {
        TestMachine m;
        m.SetString(kTaroFolders, "Tarowin9", "C:\\JUST\\TARO9");
        m.SetString(kTaroFolders, "Taro10", "\"C:\\JUST\\TARO10\\\"");
        m.SetString(kTaroFolders, "Taro11", "C:\\JUST\\TARO11");
        for (const char* version : c.versions)
            m.SetString(kTaro + "\\" + version + "\\SETUP\\ProductName", "Detail", std::string("Taro ") + version);
        char name[261], path[261];
        std::memset(name, 'x', sizeof name);
        std::memset(path, 'x', sizeof path);
        detect::FindLatestIchitaro(name, path);
        EXPECT_STREQ(name, c.name) << c.versions.back();
        EXPECT_STREQ(path, c.path) << c.versions.back();
    }
}

}  // namespace
