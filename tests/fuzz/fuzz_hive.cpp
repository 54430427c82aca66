// From hive bytes to the exports' answers: the input is the SOFTWARE hive of an image whose
// other hives are sound. Whatever hivex makes of it, loading gives an error that says why, or
// a machine on which every getter answers and a walk of its keys reads what it finds.
#include <fstream>
#include <string>

#include "catalogue/catalogue.h"
#include "frame/exports.h"
#include "fuzz_support.h"
#include "tools/winsim/formats/hive_image.h"

namespace {

const std::filesystem::path& Image() {
    static fuzz::ScratchFolder folder("zentho-fuzz-hive");
    static const bool made = [] {
        std::string error;
        auto config = folder.path() / "WINNT/system32/config", user = folder.path() / "Documents and Settings/taro";
        std::filesystem::create_directories(config);
        std::filesystem::create_directories(user);
        return sim::WriteEmptyHive((config / "SYSTEM").string(), &error) &&
               sim::WriteEmptyHive((user / "NTUSER.DAT").string(), &error);
    }();
    fuzz::Check(made, "cannot make the image's sound hives");
    return folder.path();
}

// Every key below `key`, values and all, as a registry viewer reads them; `budget` bounds a
// hive whose keys loop back on themselves.
void ReadTree(HKEY key, int depth, int* budget) {
    char name[1024];
    BYTE data[512];
    for (DWORD i = 0; --*budget > 0; ++i) {
        DWORD size = sizeof name;
        if (os::RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY child;
        if (depth < 16 && os::RegOpenKeyExA(key, name, 0, KEY_READ, &child) == ERROR_SUCCESS) {
            DWORD values = 0, type, length = sizeof data;
            os::RegQueryInfoKeyA(child, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                                 nullptr, nullptr);
            os::RegQueryValueExA(child, "", nullptr, &type, data, &length);
            ReadTree(child, depth + 1, budget);
            os::RegCloseKey(child);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto& image = Image();
    std::ofstream(image / "WINNT/system32/config/SOFTWARE", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::string error;
    auto machine = sim::LoadImage(image.string(), "", &error);
    if (!machine) {
        fuzz::Check(!error.empty(), "an image refused without a reason");
        return 0;
    }
    sim::Machine::Use(machine.get());
    char buffer[1024];
    for (const auto& app : catalogue::kApplications) {
        if (GetLatestApplicationName(app.id, nullptr) < static_cast<LONG>(sizeof buffer))
            GetLatestApplicationName(app.id, buffer);
        GetLatestApplicationPath(app.id, buffer);
        GetLatestApplicationState(app.id);
    }
    GetDefaultBrowserPath(buffer);
    GetDefaultMailerPath(buffer);
    int budget = 3000;
    ReadTree(HKEY_LOCAL_MACHINE, 0, &budget);
    fuzz::Check(machine->OpenHandleCount() == 0, "a registry handle left open");
    sim::Machine::Use(nullptr);
    return 0;
}
