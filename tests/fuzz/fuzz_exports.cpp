// The whole library over a fuzzed registry: every export, on the bundled sample
// machine with the input laid over its registry.
//
// The sample machine is loaded once, from a copy in a scratch folder (the installer
// writes into the machine's drives, and the repository's folder must never change).
// Each input gets a new machine with the sample's settings, desktop and registry, on
// the same drives. An input that parses as a REGEDIT4 file (code page 932) adds and
// overrides keys and values; any other input becomes the data of one value the
// library reads first (its first byte picks which value and how it is stored), so
// that garbage reaches the library too. After the calls the machine must hold no
// registry or find handle and no heap block of the library, and the drives are put
// back as they were so that one input's installation does not steer the next.
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "frame/exports.h"
#include "fuzz_support.h"
#include "platform/os/sim/machine_folder.h"
#include "platform/os/sim/regfile.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kPathBuffer = 261;  // a path getter's buffer: 260 bytes and the NUL
constexpr size_t kListBuffer = 4096;

struct Entry {
    bool folder = false;
    off_t size = 0;
    struct timespec written = {};
};

struct Sample {
    fuzz::ScratchFolder scratch{"zentho-fuzz-exports"};
    fs::path pristine;  // the sample as shipped, never mapped
    fs::path work;      // the copy the machines use
    std::unique_ptr<sim::Machine> base;
    std::vector<sim::RegFileOp> registry;  // the sample's registry as import steps
    std::map<std::string, Entry> drives;   // every item below work/drives as it was
};
std::unique_ptr<Sample> g_sample;  // released at exit, which removes the scratch folder

bool Stat(const std::string& path, Entry* entry) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return false;
    entry->folder = S_ISDIR(st.st_mode);
    entry->size = st.st_size;
    entry->written = st.st_mtim;
    return true;
}

bool Same(const Entry& a, const Entry& b) {
    return a.folder == b.folder && a.size == b.size && a.written.tv_sec == b.written.tv_sec &&
           a.written.tv_nsec == b.written.tv_nsec;
}

// Paths below the drives folder, as "C/Program Files/...".
std::string Relative(const fs::path& root, const fs::path& path) {
    return path.string().substr(root.string().size() + 1);
}

void Snapshot(Sample& s) {
    s.drives.clear();
    fs::path root = s.work / "drives";
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        Entry e;
        fuzz::Check(Stat(item.path().string(), &e), "cannot read the sample's drives");
        s.drives[Relative(root, item.path())] = e;
    }
}

// Puts the drives back as the snapshot has them: new items go, changed or removed
// files come back from the pristine copy.
void RestoreDrives(Sample& s) {
    const fs::path root = s.work / "drives", source = s.pristine / "drives";
    std::vector<fs::path> extra;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        auto known = s.drives.find(Relative(root, it->path()));
        if (known == s.drives.end() || known->second.folder != it->is_directory()) {
            extra.push_back(it->path());
            it.disable_recursion_pending();
        }
    }
    for (const auto& path : extra) fs::remove_all(path);
    for (auto& [relative, e] : s.drives) {  // in path order: folders before their items
        const std::string at = (root / relative).string();
        Entry now;
        bool present = Stat(at, &now);
        if (present && Same(now, e)) continue;
        if (e.folder) {
            if (!present) fs::create_directory(at);
            continue;
        }
        fs::copy_file(source / relative, at, fs::copy_options::overwrite_existing);
        fuzz::Check(Stat(at, &e), "cannot put a file of the sample's drives back");
    }
}

std::vector<sim::RegFileOp> StepsOf(const std::vector<sim::RegFileKey>& keys) {
    std::vector<sim::RegFileOp> ops;
    for (const auto& key : keys) {
        sim::RegFileOp add;
        add.kind = sim::RegFileOp::kAddKey;
        add.key = key.path;
        ops.push_back(add);
        for (const auto& value : key.values) {
            sim::RegFileOp set;
            set.kind = sim::RegFileOp::kSetValue;
            set.key = key.path;
            set.valueName = value.name;
            set.type = value.type;
            set.data = value.data;
            ops.push_back(set);
        }
    }
    return ops;
}

// Values the library reads early on its main paths; garbage input lands in one of them.
struct Target {
    const char* key;
    const char* value;
};
const Target kTargets[] = {
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
    const Target& target = kTargets[data[0] & 7];
    std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    if (!(data[0] & 0x10)) bytes.push_back('\0');
    sim::RegKey* key = m.registry().EnsureKey(target.key);
    fuzz::Check(key != nullptr, "a target key the registry cannot hold");
    m.registry().PutValue(key, target.value, (data[0] & 8) ? REG_EXPAND_SZ : REG_SZ, std::move(bytes));
}

// A text getter's two calls: the length, then a buffer of length + 1 bytes (at least
// kPathBuffer for path getters), filled with non-NUL bytes so that a missing NUL shows.
template <typename Getter>
void TwoCalls(Getter getter, bool pathGetter) {
    LONG length = getter(nullptr);
    if (length < 1) return;
    size_t size = static_cast<size_t>(length) + 1;
    if (pathGetter && size < kPathBuffer) size = kPathBuffer;
    std::unique_ptr<char[]> buffer(new char[size]);
    std::memset(buffer.get(), 'x', size);
    if (getter(buffer.get()) > 0) fuzz::Check(::strnlen(buffer.get(), size) < size, "a text getter wrote no NUL");
}

void SuiteInfo(const char* application) {
    auto name = fuzz::ExactCopy(application);
    char* outputs[3];
    std::unique_ptr<char[]> blocks[3];
    for (int i = 0; i < 3; ++i) {
        blocks[i].reset(new char[kPathBuffer]);
        std::memset(blocks[i].get(), 'x', kPathBuffer);
        outputs[i] = blocks[i].get();
    }
    GetLatestSarvinTessalineAppInfo(name.get(), outputs[0], outputs[1], outputs[2]);
    for (char* out : outputs) fuzz::Check(::strnlen(out, kPathBuffer) < kPathBuffer, "suite info without its NUL");
    GetLatestSarvinTessalineAppInfo(name.get(), nullptr, outputs[1], nullptr);
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
    for (catalogue::AppId unknown : {0u, 0x100u, 0x2002u, 0xFFFFFFFFu}) ids.push_back(unknown);
    for (catalogue::AppId id : ids) {
        TwoCalls([id](char* out) { return GetLatestApplicationName(id, out); }, false);
        TwoCalls([id](char* out) { return GetLatestApplicationPath(id, out); }, true);
        GetLatestApplicationState(id);
    }
    for (const char* application : {"Corvane", "Scrivale", "Calvora", "Pictora", "Quillon", ""}) SuiteInfo(application);

    std::unique_ptr<char[]> list(new char[kListBuffer]);
    for (const auto& group : catalogue::kGroups) {
        GetSupportedApplications(catalogue::GroupMask(group), list.get());
        fuzz::Check(::strnlen(list.get(), kListBuffer) < kListBuffer, "application list without its NUL");
    }
    GetSupportedApplications(0x3FFF, list.get());
    GetSupportedApplications(0, list.get());

    // The setters place and remove integrations, which costs file copies: each input
    // switches one thing on and back, which its hash picks.
    const size_t count = sizeof catalogue::kApplications / sizeof catalogue::kApplications[0];
    switch (choice % 4) {
        case 0:
            SetDefaultBrowserState(SetDefaultBrowserState(1));
            break;
        case 1:
            SetDefaultMailerState(SetDefaultMailerState(1));
            break;
        case 2: {
            catalogue::AppId id = catalogue::kApplications[(choice >> 2) % count].id;
            SetLatestApplicationState(id, SetLatestApplicationState(id, 1));
            break;
        }
        default: {
            catalogue::AppId id = catalogue::kApplications[(choice >> 2) % count].id;
            UpdateApplTransSettings(id, 1, 0);
            UpdateApplTransSettings(id, 0, 1);
        }
    }
}

// FNV-1a: a stable choice from the input's bytes.
uint32_t Hash(const uint8_t* data, size_t size) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
    return h;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_sample = std::make_unique<Sample>();
    Sample& s = *g_sample;
    const fs::path shipped = fs::path(ZENTHO_SOURCE_DIR) / "examples" / "sample-machine";
    s.pristine = s.scratch.path() / "pristine";
    s.work = s.scratch.path() / "machine";
    fs::copy(shipped, s.pristine, fs::copy_options::recursive);
    fs::copy(shipped, s.work, fs::copy_options::recursive);
    std::string error;
    s.base = sim::LoadMachineFolder(s.work.string(), &error);
    if (!s.base) {
        std::fprintf(stderr, "cannot load the sample machine: %s\n", error.c_str());
        std::abort();
    }
    s.registry = StepsOf(sim::ExportRegistry(s.base->registry()));
    Snapshot(s);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Sample& s = *g_sample;
    sim::Machine machine(s.base->settings());
    for (const auto& [letter, host] : s.base->files().drives()) machine.files().MapDrive(letter, host);
    machine.files().SetCurrentDirectory(s.base->files().currentDirectory());
    for (const auto& behaviour : s.base->desktop().behaviours()) machine.desktop().AddBehaviour(behaviour);
    std::vector<HWND> open = s.base->desktop().TopLevelWindows();
    for (auto it = open.rbegin(); it != open.rend(); ++it) {  // oldest first, as they were opened
        const sim::SimWindow* w = s.base->desktop().Find(*it);
        machine.desktop().AddWindow(w->className, w->title, w->owner, w->hung);
    }
    sim::ApplyRegFile(machine.registry(), s.registry);

    std::vector<sim::RegFileOp> ops;
    std::string error;
    std::string_view file(reinterpret_cast<const char*>(data), size);
    if (sim::ParseRegFile(file, machine.codePage(), &ops, &error))
        sim::ApplyRegFile(machine.registry(), ops);
    else
        PutGarbage(machine, data, size);
    machine.changes().clear();

    sim::Machine::Use(&machine);
    CallEveryExport(Hash(data, size));
    sim::Machine::Use(nullptr);

    if (machine.OpenHandleCount() != 0) {
        std::fprintf(stderr, "%zu registry or find handles left open\n", machine.OpenHandleCount());
        fuzz::Finding("handles left open by the exports");
    }
    if (machine.LiveBlocks() != 0) {
        std::fprintf(stderr, "%zu heap blocks left allocated\n", machine.LiveBlocks());
        fuzz::Finding("heap blocks left allocated by the exports");
    }
    for (const auto& path : machine.relativePaths()) {
        std::fprintf(stderr, "%s\n", path.c_str());
        fuzz::Finding("a copy, delete or new folder by a path relative to the current folder");
    }
    for (const auto& change : machine.changes()) {
        if (change.kind == os::Change::kFileCopied || change.kind == os::Change::kFileDeleted ||
            change.kind == os::Change::kFolderCreated) {
            RestoreDrives(s);
            break;
        }
    }
    return 0;
}
