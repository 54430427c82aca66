// Acrobat and Ichitaro detection on both backends: the machine's registration before
// the user's, versions by string order, and Ichitaro's three known versions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "detect/adobe_ichitaro.h"
#include "test_machine.h"

namespace {

const std::string kAdobe = "HKEY_LOCAL_MACHINE\\Software\\Adobe";
const std::string kUserAdobe = "HKEY_CURRENT_USER\\Software\\Adobe";

// Found or not, name and folder.
std::string Adobe(const char* product) {
    char name[261], folder[261];
    std::memset(name, 'x', sizeof name);
    std::memset(folder, 'x', sizeof folder);
    const int found = detect::FindLatestAdobeApp(product, name, folder);
    return std::to_string(found) + " " + name + " | " + folder;
}

TEST(AdobeAndIchitaro, AdobeVersionsMachineFirstThenUser) {
    TestMachine m;
    EXPECT_EQ(Adobe("Acrobat Reader"), "0  | ");
    m.SetString(kUserAdobe + "\\Adobe Acrobat\\5.0\\InstallPath", "", "C:\\UserAcrobat");
    EXPECT_EQ(Adobe("Adobe Acrobat"), "1 Adobe Acrobat 5.0 | C:\\UserAcrobat") << "registered for the user alone";
    m.SetString(kAdobe + "\\Acrobat Reader\\4.0\\InstallPath", "", "C:\\Reader4");
    m.SetString(kAdobe + "\\Acrobat Reader\\5.0\\InstallPath", "", "\"C:\\Reader5\\\"");
    m.SetString(kAdobe + "\\Acrobat Reader\\10.0\\InstallPath", "", "C:\\Reader10");
    m.SetString(kUserAdobe + "\\Acrobat Reader\\6.0\\InstallPath", "", "C:\\UserReader");
    EXPECT_EQ(Adobe("Acrobat Reader"), "1 Acrobat Reader 5.0 | \"C:\\Reader5\\\"")
        << "5.0 beats 10.0; the folder as stored; the user's not read";
    m.CreateKey(kAdobe + "\\Adobe Acrobat\\5.0");
    EXPECT_EQ(Adobe("Adobe Acrobat"), "1 Adobe Acrobat 5.0 | ") << "a version without InstallPath, with no folder";
}

TEST(AdobeAndIchitaro, IchitaroKnowsThreeVersions) {
    const struct {
        std::vector<const char*> versions;
        const char* found;
    } rows[] = {
        {{"10.0", "11.0"}, "Taro 11.0 | C:\\JUST\\TARO11\\Taro11.exe"},
        {{"9.0", "10.0"}, "Taro 9.0 | C:\\JUST\\TARO9\\Taro9.exe"},
        {{"10.0"}, "Taro 10.0 | C:\\JUST\\TARO10\\Taro10.exe"},  // its folder quoted, with a trailing backslash
        {{"12.0"}, " | "},
        {{"11.0", "12.0"}, " | "},  // a greater unknown version hides the known ones
        {{"Common"}, " | "},
    };
    for (const auto& row : rows) {
        TestMachine m;
        const std::string folders = "HKEY_LOCAL_MACHINE\\Software\\Justsystem\\Common\\SETUP\\Folder";
        m.SetString(folders, "Tarowin9", "C:\\JUST\\TARO9");
        m.SetString(folders, "Taro10", "\"C:\\JUST\\TARO10\\\"");
        m.SetString(folders, "Taro11", "C:\\JUST\\TARO11");
        for (const char* version : row.versions)
            m.SetString(
                "HKEY_LOCAL_MACHINE\\Software\\Justsystem\\Taro\\" + std::string(version) + "\\SETUP\\ProductName",
                "Detail", std::string("Taro ") + version);
        char name[261], path[261];
        std::memset(name, 'x', sizeof name);
        std::memset(path, 'x', sizeof path);
        detect::FindLatestIchitaro(name, path);
        EXPECT_EQ(std::string(name) + " | " + path, row.found) << "versions up to " << row.versions.back();
    }
}

}  // namespace
