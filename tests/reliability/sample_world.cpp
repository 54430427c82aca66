// The sample machine for the reliability sweeps (see sample_world.h).
#include "sample_world.h"

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "catalogue/catalogue.h"
#include "frame/exports.h"
#include "tools/winsim/formats/machine_folder.h"

namespace fs = std::filesystem;

namespace reliability {
namespace {

// In memory where the host offers it: the sweeps restore the copy thousands of times.
std::string MakeTemp(const char* name) {
    std::error_code ec;
    fs::path folder = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (folder / name).string();
    return ::mkdtemp(pattern.data()) ? pattern : "";
}

// Every item below a folder: folder or not, size and time written, by relative path.
SampleFolder::Stamps StampsOf(const fs::path& root) {
    SampleFolder::Stamps stamps;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        struct stat st;
        if (::lstat(it->path().c_str(), &st) == 0)
            stamps[it->path().string().substr(root.string().size() + 1)] = {S_ISDIR(st.st_mode), st.st_size,
                                                                            st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    }
    return stamps;
}

constexpr char kPoison = '\x7f';

// The two-call protocol with a poisoned buffer a little larger than announced. Path
// getters may write up to 260 bytes whatever they announced (their expansion may be
// longer); nothing else may write past the text and NUL.
Result TwoCalls(const std::function<LONG(char*)>& getter, bool path = false) {
    Result r;
    sim::Machine* machine = sim::Machine::Current();
    const size_t faultsBefore = machine->FaultsInjected();
    r.announced = getter(nullptr);
    r.sizingFaulted = machine->FaultsInjected() != faultsBefore;
    if (r.announced < 1) {
        r.value = r.announced;
        return r;
    }
    const size_t room = std::max<size_t>(static_cast<size_t>(r.announced) + 1, 261);
    std::vector<char> buffer(room + 64, kPoison);
    r.value = getter(buffer.data());
    r.expanded = path;
    r.text.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    size_t limit = std::max<size_t>(static_cast<size_t>(r.announced) + 1, path ? 260 : 0);
    // A fault in the sizing call may leave the first length short of the text the
    // second call finds: the two calls then met two machines, and the second text is
    // held to its own length.
    if (r.sizingFaulted && r.value > 0) limit = std::max(limit, static_cast<size_t>(r.value) + 1);
    r.overrun =
        std::any_of(buffer.begin() + static_cast<long>(limit), buffer.end(), [](char c) { return c != kPoison; });
    r.unterminated = r.value > 0 && !std::memchr(buffer.data(), 0, limit);
    return r;
}

Result Plain(long value) {
    Result r;
    r.value = value;
    return r;
}

std::string Hex(unsigned int appId) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", appId);
    return text;
}

}  // namespace

SampleFolder::SampleFolder() : base_(MakeTemp("zentho-sample-XXXXXX")) {
    fs::copy(ZENTHO_SOURCE_DIR "/examples/sample-machine", base_, fs::copy_options::recursive);
}

SampleFolder::~SampleFolder() {
    std::error_code ec;
    fs::remove_all(base_, ec);
    if (!scratch_.empty()) fs::remove_all(scratch_, ec);
}

std::unique_ptr<sim::Machine> SampleFolder::Load(bool writes) {
    std::string from = base_;
    if (writes) {
        // Brings the copy back to the original: what a run created goes, what it deleted
        // or changed comes back. Cheaper than a fresh copy, which matters over many runs.
        if (scratch_.empty()) {
            scratch_ = MakeTemp("zentho-run-XXXXXX");
            fs::copy(base_, scratch_, fs::copy_options::recursive);
            stamps_ = StampsOf(scratch_);
        }
        const auto now = StampsOf(scratch_);
        for (const auto& [path, stamp] : now)
            if (!stamps_.count(path) || std::get<0>(stamps_.at(path)) != std::get<0>(stamp))
                fs::remove_all(fs::path(scratch_) / path);
        for (const auto& [path, stamp] : stamps_) {  // in path order: folders before their items
            auto found = now.find(path);
            if (found != now.end() && found->second == stamp) continue;
            if (std::get<0>(stamp))
                fs::create_directory(fs::path(scratch_) / path);
            else
                fs::copy_file(fs::path(base_) / path, fs::path(scratch_) / path, fs::copy_options::overwrite_existing);
        }
        stamps_ = StampsOf(scratch_);
        from = scratch_;
    }
    std::string error;
    auto machine = sim::LoadMachineFolder(from, &error);
    if (!machine) std::fprintf(stderr, "%s\n", error.c_str());
    return machine;
}

std::string ProtocolFault(const Result& r) {
    if (r.unterminated) return "a text without its NUL (result " + std::to_string(r.value) + ")";
    if (r.overrun)
        return "wrote past the announced length " + std::to_string(r.announced) + " (result " +
               std::to_string(r.value) + ", text \"" + r.text + "\")";
    if (r.announced >= 1 && r.value >= 0) {
        if (r.value > r.announced && !r.sizingFaulted)
            return "fetched " + std::to_string(r.value) + " bytes, announced " + std::to_string(r.announced);
        // The Netscape names count their NUL.
        const long size = static_cast<long>(r.text.size());
        if (!r.expanded && r.value != 0 && r.value != size && r.value != size + 1)
            return "returned " + std::to_string(r.value) + " for a text of " + std::to_string(r.text.size()) + " bytes";
    }
    return "";
}

bool EachFieldEmptyOr(const std::string& got, const std::string& base) {
    size_t g = 0, b = 0;
    for (;;) {
        size_t ge = got.find('|', g), be = base.find('|', b);
        std::string field = got.substr(g, ge - g);
        if (!field.empty() && field != base.substr(b, be - b)) return false;
        if (ge == std::string::npos || be == std::string::npos) return ge == be;
        g = ge + 1;
        b = be + 1;
    }
}

std::vector<Call> AllCalls() {
    std::vector<Call> calls;
    auto add = [&](std::string name, Call::Kind kind, bool writes, std::function<Result()> run) {
        calls.push_back({std::move(name), writes, kind, std::move(run)});
    };
    std::vector<unsigned int> ids = {0, 0x100, 0x2002, 0xFFFFFFFF};  // and no AppIds at all
    for (const auto& app : catalogue::kApplications) ids.push_back(app.id);
    for (unsigned int id : ids) {
        add("GetLatestApplicationName " + Hex(id), Call::kText, false,
            [id] { return TwoCalls([id](char* b) { return GetLatestApplicationName(id, b); }); });
        add("GetLatestApplicationPath " + Hex(id), Call::kPath, false,
            [id] { return TwoCalls([id](char* b) { return GetLatestApplicationPath(id, b); }, true); });
        add("GetLatestApplicationState " + Hex(id), Call::kState, false,
            [id] { return Plain(GetLatestApplicationState(id)); });
    }
    add("GetDefaultBrowser", Call::kText, false, [] { return TwoCalls(GetDefaultBrowser); });
    add("GetDefaultBrowserPath", Call::kPath, false, [] { return TwoCalls(GetDefaultBrowserPath, true); });
    add("GetDefaultBrowserState", Call::kState, false, [] { return Plain(GetDefaultBrowserState()); });
    add("GetDefaultMailer", Call::kText, false, [] { return TwoCalls(GetDefaultMailer); });
    add("GetDefaultMailerPath", Call::kPath, false, [] { return TwoCalls(GetDefaultMailerPath, true); });
    add("GetDefaultMailerState", Call::kState, false, [] { return Plain(GetDefaultMailerState()); });
    std::vector<unsigned int> masks = {0x3FFF, 0};
    for (const auto& group : catalogue::kGroups) masks.push_back(catalogue::GroupMask(group));
    for (unsigned int mask : masks) {
        add("GetSupportedApplications " + Hex(mask), Call::kList, false, [mask] {
            std::vector<char> list(8192, kPoison);
            Result r = Plain(GetSupportedApplications(mask, list.data()));
            r.text.assign(list.data(), strnlen(list.data(), list.size()));
            r.unterminated = r.text.size() == list.size();
            r.announced = -1;
            return r;
        });
    }
    for (const char* suite : {"Corvane", "Scrivale", "Calvora", "Pictora", "Quillon", "Nothing", ""}) {
        add(std::string("GetLatestSarvinTessalineAppInfo ") + suite, Call::kSuite, false, [suite] {
            // Three buffers of 261 bytes, each followed by poison that must stay.
            char fields[3][261 + 16];
            std::memset(fields, kPoison, sizeof fields);
            GetLatestSarvinTessalineAppInfo(const_cast<char*>(suite), fields[0], fields[1], fields[2]);
            Result r;
            for (auto& field : fields) {
                r.text += std::string(field, strnlen(field, 261)) + (&field == &fields[2] ? "" : "|");
                r.unterminated = r.unterminated || strnlen(field, 261) == 261;
                r.overrun =
                    r.overrun || std::any_of(field + 261, field + sizeof field, [](char c) { return c != kPoison; });
            }
            GetLatestSarvinTessalineAppInfo(const_cast<char*>(suite), nullptr, fields[1], nullptr);
            r.announced = -1;  // no sizing call
            return r;
        });
    }
    for (const auto& app : catalogue::kApplications) {
        unsigned int id = app.id;
        for (int state : {1, 0})
            add("SetLatestApplicationState " + Hex(id) + " " + std::to_string(state), Call::kSetState, true,
                [id, state] {
                    if (state == 0) SetLatestApplicationState(id, 1);  // switched on first, then off
                    return Plain(SetLatestApplicationState(id, state));
                });
    }
    add("SetDefaultBrowserState 1", Call::kSetState, true, [] { return Plain(SetDefaultBrowserState(1)); });
    add("SetDefaultMailerState 1", Call::kSetState, true, [] { return Plain(SetDefaultMailerState(1)); });
    return calls;
}

}  // namespace reliability
