// A machine with the product installed below the test folder, and the installer run
// with its changes taken in the words of os::ChangeWords.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/product_files.h"
#include "frame/exports.h"
#include "tools/winsim/changes/change_text.h"
#include "test_machine.h"

using Changes = std::vector<std::string>;

// The words of the changes the tests expect that need quoting.
inline std::string SetText(const std::string& key, const std::string& name, const std::string& text) {
    return "set " + key + " " + (name.empty() ? "(default)" : os::QuotedText(name)) + " = " + os::QuotedText(text);
}
inline std::string SetNumber(const std::string& key, const std::string& name, DWORD number) {
    return "set " + key + " " + os::QuotedText(name) + " = " + std::to_string(number) + " (REG_DWORD)";
}
inline std::string DeletedValue(const std::string& key, const std::string& name) {
    return "deleted value " + key + " " + os::QuotedText(name);
}
inline std::string Closed(const std::string& className, const std::string& title) {
    return "sent WM_CLOSE to the window " + os::QuotedText(title) + " (" + className + ")";
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The user's application-data folder lies in the test's own, so that what one
        // test leaves there is gone for the next.
        m.MakeFolder(user);
        m.SetAppDataFolder(user);
        m.SetString(kProduct, "InstallLocation", product);
        m.SetString(kProduct, "ProgramLocation", program);
        for (const auto& file : product_files::kAll) {
            std::string path = (*file.folder ? Data(file.folder) : program) + "\\" + file.name;
            std::string name = file.name;
            // Programs are real ones that start and end at once; the rest is text.
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
                m.WriteExe(path, 4, 0, 2, 21);
            else
                m.WriteFile(path, "the product's " + name);
        }
        // The whole product includes every add-in the catalogue names.
        for (const auto& app : catalogue::kApplications) {
            if (!app.addIn) continue;
            EXPECT_TRUE(std::any_of(std::begin(product_files::kAll), std::end(product_files::kAll),
                                    [&](auto& f) {
                                        return std::string(f.folder) == app.addIn->dataFolder &&
                                               std::string(f.name) == app.addIn->file;
                                    }))
                << "product_files::kAll lacks " << app.addIn->dataFolder << "\\" << app.addIn->file;
        }
    }
    std::string Data(const char* subfolder) const {
        return product + "\\Data" + (subfolder[0] == '\\' ? "" : "\\") + subfolder;
    }
    // Runs the installer; the changes it made, in order.
    Changes Run(unsigned int appId, int on, int previousState) {
        m.changes()->clear();
        UpdateApplTransSettings(appId, on, previousState);
        Changes words;
        for (const auto& change : *m.changes()) words.push_back(os::ChangeWords(change));
        return words;
    }
    // Paths as TestMachine::Files names them.
    static std::string Lower(std::string path) {
        for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return path;
    }
    std::string Read(const std::string& path) {
        DWORD type;
        std::string data;
        return m.GetValue(path.substr(0, path.find('|')), path.substr(path.find('|') + 1).c_str(), &type, &data)
                   ? data.substr(0, data.find('\0'))
                   : "<missing>";
    }

    TestMachine m;
    const std::string root = TestMachine::Root();
    const std::string product = root + "\\Zentho";
    const std::string program = root + "\\Zentho\\Program";
    const std::string user = root + "\\Profile\\Application Data";
    const std::string kProduct = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvelle\\Zentho V4";
    const std::string kHKCU = "HKEY_CURRENT_USER\\";
};
