// Machine folders (simulation only): refusing what cannot be read with the file and line
// named, and writing the registry back, a piece at a time when it is large, in the order
// it lists keys. (A whole machine's regedit export loaded as a folder answers as Wine
// does: tools/wine/export-check.sh.)
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "tools/winsim/formats/folder_commit.h"
#include "tools/winsim/formats/machine_folder.h"

namespace fs = std::filesystem;

namespace {

class MachineFolder : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zentho-folder-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        sim::Machine::Use(nullptr);
        fs::remove_all(dir);
    }
    void Write(const std::string& name, const std::string& text) {
        fs::create_directories((fs::path(dir) / name).parent_path());
        std::ofstream(fs::path(dir) / name, std::ios::binary) << text;
    }
    std::unique_ptr<sim::Machine> Load() {
        error.clear();
        auto machine = sim::LoadMachineFolder(dir, &error);
        if (machine) sim::Machine::Use(machine.get());
        return machine;
    }
    // The subkeys of an HKEY_LOCAL_MACHINE key, in the order the registry lists them.
    static std::string Subkeys(const char* key) {
        HKEY h;
        if (os::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &h)) return "<no key>";
        char name[256];
        std::string text;
        for (DWORD i = 0, size = sizeof name; os::RegEnumKeyExA(h, i, name, &size, 0, 0, 0, 0) == 0;
             ++i, size = sizeof name)
            text += std::string(name) + "|";
        os::RegCloseKey(h);
        return text;
    }
    static std::string Export(sim::Machine& machine) {
        return sim::WriteRegFile4(sim::ExportRegistry(machine.registry()), machine.codePage()).value();
    }
    std::string dir, error;
};

TEST_F(MachineFolder, WhatCannotBeReadIsRefusedWithFileAndLine) {
    const struct {
        const char *file, *text, *error;
    } rows[] = {
        {"machine.ini", "[windows]\nplatform=2\n\ncodepage=437\n", "machine.ini:4: codepage must be 932 or 1252"},
        {"running.ini", "[window]\nclass=A\ncolour=red\n", "running.ini:3: unknown setting colour in [window]"},
        {"running.ini", "[program]\npath=C:\\a.exe\n", "running.ini:1: unknown section [program]"},
    };
    for (const auto& row : rows) {
        for (const char* name : {"machine.ini", "running.ini"}) fs::remove(fs::path(dir) / name);
        Write(row.file, row.text);
        EXPECT_FALSE(Load()) << row.text;
        EXPECT_EQ(error, dir + "/" + row.error) << "the folder is named";
    }

    Write("machine.ini", "[windows]\nkeyorder=created\n");
    Write("a.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"v\"=\"ok\"\r\n");
    Write("b.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\B]\r\n\"v\"=dword:123456789\r\n");
    EXPECT_FALSE(Load()) << "nothing of a machine with a bad file is loaded";
    EXPECT_EQ(error.rfind(dir + "/b.reg:4:", 0), 0u) << error;

    fs::remove(fs::path(dir) / "b.reg");
    Write("c.reg", "REGEDIT4\r\n\r\n[HKEY_USERS\\S-1-5-21-1-1-1-1001]\r\n\r\n[HKEY_USERS\\S-1-5-21-1-1-1-1002]\r\n");
    EXPECT_FALSE(Load());
    EXPECT_NE(error.find("user="), std::string::npos) << error;
}

TEST_F(MachineFolder, SavesTheRegistryInPiecesAsOneTextInCreationOrder) {
    Write("machine.ini", "[windows]\nkeyorder=created\n");
    Write("a.reg",
          "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\N\\4.7]\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\N\\4.5]\r\n");
    Write("b.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\N\\10.0]\r\n");
    auto machine = Load();
    ASSERT_TRUE(machine) << error;
    EXPECT_EQ(Subkeys("Software\\N"), "4.7|4.5|10.0|") << "Windows 9x lists keys as created";
    HKEY h;
    ASSERT_EQ(os::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Saved", 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr),
              0);
    ASSERT_EQ(os::RegSetValueExA(h, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("\x96\x7c"), 3), 0);
    os::RegCloseKey(h);
    // More than the megabyte that the saving writes at a time.
    sim::Registry& registry = machine->registry();
    for (int i = 0; i < 6000; ++i) {
        sim::RegKey* key = registry.EnsureKey("HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{" +
                                              std::to_string(i * 7919) + "}\\InprocServer32");
        registry.PutValue(key, "", REG_SZ, "C:\\WINNT\\System32\\\x95\x5c" + std::to_string(i) + ".dll" + '\0');
        registry.PutValue(key, "Data", REG_BINARY, std::string(40, static_cast<char>(i)));
    }
    const std::string whole = Export(*machine);
    ASSERT_GT(whole.size(), 1u << 20);
    ASSERT_TRUE(sim::ExportMachineRegistry(*machine, (fs::path(dir) / "registry.reg").string(), &error)) << error;
    fs::remove(fs::path(dir) / "a.reg");
    fs::remove(fs::path(dir) / "b.reg");
    std::stringstream saved;
    saved << std::ifstream(fs::path(dir) / "registry.reg", std::ios::binary).rdbuf();
    EXPECT_TRUE(saved.str() == whole) << "saved " << saved.str().size() << " bytes of " << whole.size();

    auto again = Load();
    ASSERT_TRUE(again) << error;
    machine.reset();
    EXPECT_TRUE(Export(*again) == whole);
    EXPECT_EQ(Subkeys("Software\\N"), "4.7|4.5|10.0|") << "the saved file keeps the order";
}

// What runs changed, against the folder's own .reg files, as the tool keeps it in its own file:
// each value new, changed or gone and each key of the files that went, once however often it
// changed, and a key made since whole; a key made and deleted again, or a value set back, not.
TEST_F(MachineFolder, TheToolsFileHoldsTheNetChangeAgainstTheFolders) {
    Write("a.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"keep\"=\"1\"\r\n\"change\"=\"1\"\r\n"
                   "\"drop\"=\"1\"\r\n[HKEY_LOCAL_MACHINE\\Software\\A\\Gone\\Below]\r\n");
    Write(sim::kToolChangesFile, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"change\"=\"2\"\r\n");
    auto machine = Load();
    ASSERT_TRUE(machine) << error;
    sim::Registry& r = machine->registry();
    sim::RegKey* a = r.FindKey("HKEY_LOCAL_MACHINE\\Software\\A");
    r.PutValue(a, "keep", REG_SZ, std::string("1\0", 2));
    r.PutValue(a, "change", REG_SZ, std::string("3\0", 2));
    r.RemoveValue(a, "drop");
    r.DeleteTree("HKEY_LOCAL_MACHINE\\Software\\A\\Gone");
    r.EnsureKey("HKEY_LOCAL_MACHINE\\Software\\A\\Gone");
    r.EnsureKey("HKEY_LOCAL_MACHINE\\Software\\Temp\\Sub");
    r.DeleteTree("HKEY_LOCAL_MACHINE\\Software\\Temp");
    r.PutValue(r.EnsureKey("HKEY_LOCAL_MACHINE\\Software\\New"), "n", REG_DWORD, std::string("\1\0\0\0", 4));
    std::string text;
    ASSERT_TRUE(sim::RegistryChangesText(*machine, &text, &error)) << error;
    EXPECT_EQ(text,
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"change\"=\"3\"\r\n\"drop\"=-\r\n\r\n"
              "[-HKEY_LOCAL_MACHINE\\Software\\A\\Gone]\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\A\\Gone]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\Software\\New]\r\n\"n\"=dword:00000001\r\n\r\n");
}

// Windows' regedit imports hex(N) data of any length as the bytes it names (a real machine has
// REG_SZ values of 23 bytes), and an NT machine keeps them so: a string type's A-read answers its
// whole UTF-16 units, as Windows converts them; an export writes every value back byte for byte.
TEST_F(MachineFolder, DataOfOddLengthIsKeptAsTheBytesItNames) {
    const std::string ab("A\0B\0\0\0Z", 7), multi("A\0\0\0B\0\0\0\0\0z", 11), odd("\1\2\3", 3);
    const struct {
        DWORD type;
        std::string data, read;  // as the A-functions read it
    } rows[] = {{REG_NONE, odd, odd},          {REG_SZ, ab, std::string("AB\0", 3)},
                {REG_EXPAND_SZ, ab, std::string("AB\0", 3)}, {REG_BINARY, odd, odd},
                {REG_DWORD, odd, odd},         {REG_DWORD_BIG_ENDIAN, odd + "\4\5", odd + "\4\5"},
                {REG_LINK, ab, ab},            {REG_MULTI_SZ, multi, std::string("A\0B\0\0", 5)},
                {8, odd, odd},                 {9, odd, odd},
                {10, odd, odd},                {11, odd, odd},
                {REG_SZ, std::string("0123456789abcdefghijkl\0", 23), ""}};
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Odd]\r\n";
    for (size_t i = 0; i < std::size(rows); ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "\"v%zu\"=hex(%lx):", i, static_cast<unsigned long>(rows[i].type));
        text += line;
        for (size_t k = 0; k < rows[i].data.size(); ++k)
            text += (std::snprintf(line, sizeof line, "%s%02x", k ? "," : "", rows[i].data[k] & 0xFF), line);
        text += "\r\n";
    }
    std::string file = "\xFF\xFE";  // the text is ASCII: each character one UTF-16 unit
    for (char c : text) file += {c, '\0'};
    Write("odd.reg", file);
    auto machine = Load();
    ASSERT_TRUE(machine) << error;
    HKEY key;
    ASSERT_EQ(os::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Odd", 0, KEY_READ, &key), 0);
    const std::vector<sim::RegFileKey> exported = sim::ExportRegistry(machine->registry());
    std::vector<sim::RegFileOp> back;
    ASSERT_TRUE(sim::ParseRegFile(sim::WriteRegFile5(exported, machine->codePage(), &error).value(),
                                  machine->codePage(), &back, &error, true))
        << error;
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE("v" + std::to_string(i));
        BYTE data[64];
        DWORD type = 0, size = sizeof data;
        ASSERT_EQ(os::RegQueryValueExA(key, ("v" + std::to_string(i)).c_str(), nullptr, &type, data, &size), 0);
        EXPECT_EQ(type, rows[i].type);
        if (!rows[i].read.empty()) {
            EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), rows[i].read);
        }
        auto written = std::find_if(back.begin(), back.end(), [&](const sim::RegFileOp& op) {
            return op.valueName == "v" + std::to_string(i) && op.key.find("Odd") != std::string::npos;
        });
        ASSERT_NE(written, back.end());
        EXPECT_EQ(std::tie(written->type, written->data), std::tie(rows[i].type, rows[i].data));
    }
    os::RegCloseKey(key);
}

}  // namespace
