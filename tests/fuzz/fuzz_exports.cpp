// The whole library over a fuzzed registry: every export, on the bundled sample
// machine with the input laid over its registry.
//
// Each input gets the sample machine loaded anew, from a copy in a scratch folder
// (the installer writes into the machine's drives, and the repository's folder must
// never change). An input that parses as a REGEDIT4 file (code page 932) adds and
// overrides keys and values; any other input becomes the data of one value the
// library reads first (its first byte picks which value and how it is stored), so
// that garbage reaches the library too. After the calls the machine must hold no
// registry or find handle and no heap block of the library, and the drives are put
// back as they were so that one input's installation does not steer the next.
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "frame/exports.h"
#include "fuzz_support.h"
#include "platform/os/sim/machine_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kPathBuffer = 261;  // a path getter's buffer: 260 bytes and the NUL
constexpr size_t kListBuffer = 4096;

fuzz::ScratchFolder* g_scratch;  // "machine", the copy the machines use, and "pristine", its drives as shipped

// Every item below the drives as it was: folder or not, size and time written.
using Stamp = std::tuple<bool, off_t, time_t, long>;
std::map<std::string, Stamp> g_drives;  // by path below the drives folder

bool StampOf(const fs::path& path, Stamp* stamp) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return false;
    *stamp = {S_ISDIR(st.st_mode), st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    return true;
}

// Puts the drives back as they were: new items go, changed or removed files come back
// from the pristine copy. (Copying them whole would halve the inputs run a second.)
void RestoreDrives(bool snapshot) {
    const fs::path root = g_scratch->path() / "machine" / "drives";
    std::vector<fs::path> extra;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string relative = it->path().string().substr(root.string().size() + 1);
        Stamp now;
        fuzz::Check(StampOf(it->path(), &now), "cannot read the sample's drives", relative);
        if (snapshot) g_drives[relative] = now;
        auto known = g_drives.find(relative);
        if (known != g_drives.end() && std::get<0>(known->second) == it->is_directory()) continue;
        extra.push_back(it->path());
        it.disable_recursion_pending();
    }
    for (const auto& path : extra) fs::remove_all(path);
    for (auto& [relative, stamp] : g_drives) {  // in path order: folders before their items
        Stamp now;
        const bool present = StampOf(root / relative, &now);
        if (present && now == stamp) continue;
        if (std::get<0>(stamp)) {
            fs::create_directory(root / relative);
            continue;
        }
        fs::copy_file(g_scratch->path() / "pristine" / relative, root / relative, fs::copy_options::overwrite_existing);
        fuzz::Check(StampOf(root / relative, &stamp), "cannot put a file of the sample's drives back", relative);
    }
}

// Values the library reads early on its main paths; garbage input lands in one of them.
const std::pair<const char*, const char*> kTargets[] = {
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE", ""},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Office\\9.0\\Word\\InstallRoot", "Path"},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\http\\shell\\open\\command", ""},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\mailto\\shell\\open\\command", ""},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Netscape\\Netscape Navigator", "CurrentVersion"},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Sarvin\\Corvane\\5.0", "Path"},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Arvelle\\Zentho V4", "InstallLocation"},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msimn.exe", ""},
};

// First byte: bits 0-2 the value, bit 3 REG_EXPAND_SZ rather than REG_SZ, bit 4 no NUL
// at the end (a string value as a careless program stores it).
void PutGarbage(sim::Machine& m, const uint8_t* data, size_t size) {
    if (size == 0) return;
    std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    if (!(data[0] & 0x10)) bytes.push_back('\0');
    sim::RegKey* key = m.registry().EnsureKey(kTargets[data[0] & 7].first);
    fuzz::Check(key != nullptr, "a target key the registry cannot hold");
    m.registry().PutValue(key, kTargets[data[0] & 7].second, (data[0] & 8) ? REG_EXPAND_SZ : REG_SZ, std::move(bytes));
}

// A fetched text holds its NUL within the buffer.
void CheckNul(const char* text, size_t size, const char* what) { fuzz::Check(::strnlen(text, size) < size, what); }

// A text getter's two calls: the length, then a buffer of length + 1 bytes (at least
// kPathBuffer for path getters), filled with non-NUL bytes so that a missing NUL shows.
template <typename Getter>
void TwoCalls(Getter getter, bool pathGetter) {
    const LONG length = getter(nullptr);
    if (length < 1) return;
    const size_t size = std::max(static_cast<size_t>(length) + 1, pathGetter ? kPathBuffer : 0);
    std::unique_ptr<char[]> buffer(new char[size]);
    std::memset(buffer.get(), 'x', size);
    if (getter(buffer.get()) > 0) CheckNul(buffer.get(), size, "a text getter wrote no NUL");
}

void SuiteInfo(const char* application) {
    auto name = fuzz::ExactCopy(application);
    std::unique_ptr<char[]> blocks[3];
    for (auto& block : blocks) {
        block = std::make_unique<char[]>(kPathBuffer);
        std::memset(block.get(), 'x', kPathBuffer);
    }
    GetLatestSarvinTessalineAppInfo(name.get(), blocks[0].get(), blocks[1].get(), blocks[2].get());
    for (const auto& block : blocks) CheckNul(block.get(), kPathBuffer, "suite info without its NUL");
    GetLatestSarvinTessalineAppInfo(name.get(), nullptr, blocks[1].get(), nullptr);
}

void CallEveryExport(uint32_t choice) {
    TwoCalls([](char* out) { return GetDefaultBrowser(out); }, false);
    TwoCalls([](char* out) { return GetDefaultBrowserPath(out); }, true);
    GetDefaultBrowserState();
    TwoCalls([](char* out) { return GetDefaultMailer(out); }, false);
    TwoCalls([](char* out) { return GetDefaultMailerPath(out); }, true);
    GetDefaultMailerState();

    std::vector<catalogue::AppId> ids;
    for (const auto& app : catalogue::kApplications) ids.push_back(app.id);
    ids.insert(ids.end(), {0u, 0x100u, 0x2002u, 0xFFFFFFFFu});  // and unknown ones
    for (catalogue::AppId id : ids) {
        TwoCalls([id](char* out) { return GetLatestApplicationName(id, out); }, false);
        TwoCalls([id](char* out) { return GetLatestApplicationPath(id, out); }, true);
        GetLatestApplicationState(id);
    }
    for (const char* application : {"Corvane", "Scrivale", "Calvora", "Pictora", "Quillon", ""}) SuiteInfo(application);

    std::unique_ptr<char[]> list(new char[kListBuffer]);
    for (const auto& group : catalogue::kGroups) {
        GetSupportedApplications(catalogue::GroupMask(group), list.get());
        CheckNul(list.get(), kListBuffer, "application list without its NUL");
    }
    GetSupportedApplications(0x3FFF, list.get());
    GetSupportedApplications(0, list.get());

    // The setters place and remove integrations, which costs file copies: each input
    // switches one thing on and back, which its hash picks.
    const catalogue::AppId id = catalogue::kApplications[(choice >> 2) % std::size(catalogue::kApplications)].id;
    switch (choice % 4) {
        case 0:
            SetDefaultBrowserState(SetDefaultBrowserState(1));
            break;
        case 1:
            SetDefaultMailerState(SetDefaultMailerState(1));
            break;
        case 2:
            SetLatestApplicationState(id, SetLatestApplicationState(id, 1));
            break;
        default:
            UpdateApplTransSettings(id, 1, 0);
            UpdateApplTransSettings(id, 0, 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static fuzz::ScratchFolder scratch("zentho-fuzz-exports");  // removed at exit
    g_scratch = &scratch;
    const fs::path shipped = fs::path(ZENTHO_SOURCE_DIR) / "examples" / "sample-machine";
    fs::copy(shipped, scratch.path() / "machine", fs::copy_options::recursive);
    fs::copy(shipped / "drives", scratch.path() / "pristine", fs::copy_options::recursive);
    RestoreDrives(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    std::unique_ptr<sim::Machine> loaded = sim::LoadMachineFolder((g_scratch->path() / "machine").string(), &error);
    fuzz::Check(loaded != nullptr, "cannot load the sample machine", error);
    sim::Machine& machine = *loaded;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<sim::RegFileOp> ops;
    if (sim::ParseRegFile(input, machine.codePage(), &ops, &error))
        sim::ApplyRegFile(machine.registry(), ops);
    else
        PutGarbage(machine, data, size);
    machine.changes().clear();

    sim::Machine::Use(&machine);
    CallEveryExport(static_cast<uint32_t>(std::hash<std::string_view>()(input)));
    sim::Machine::Use(nullptr);

    fuzz::CheckNothingHeld(machine);
    fuzz::Check(machine.relativePaths().empty(),
                "a copy, delete or new folder by a path relative to the current folder",
                machine.relativePaths().empty() ? "" : machine.relativePaths()[0]);
    for (const auto& change : machine.changes()) {
        if (change.kind == os::Change::kFileCopied || change.kind == os::Change::kFileDeleted ||
            change.kind == os::Change::kFolderCreated) {
            RestoreDrives(false);
            break;
        }
    }
    return 0;
}
