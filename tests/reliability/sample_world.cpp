// The sample machine for the reliability sweeps (see sample_world.h).
#include "sample_world.h"

#include <stdlib.h>

#include <string.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <filesystem>

#include "catalogue/catalogue.h"
#include "frame/exports.h"
#include "platform/os/sim/machine_folder.h"

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

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::file_size(a, ec) != fs::file_size(b, ec) || ec) return false;
    std::FILE* fa = std::fopen(a.c_str(), "rb");
    std::FILE* fb = std::fopen(b.c_str(), "rb");
    bool same = fa && fb;
    char x[4096], y[4096];
    while (same) {
        size_t n = std::fread(x, 1, sizeof x, fa);
        same = std::fread(y, 1, sizeof y, fb) == n && std::memcmp(x, y, n) == 0;
        if (n < sizeof x) break;
    }
    if (fa) std::fclose(fa);
    if (fb) std::fclose(fb);
    return same;
}

// Brings a copy back to its original: what a run created goes, what it deleted or
// overwrote comes back. Cheaper than a fresh copy, which matters over many runs.
void Restore(const fs::path& base, const fs::path& copy) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(copy, ec))
        if (!fs::exists(base / entry.path().filename(), ec)) fs::remove_all(entry.path(), ec);
    for (const auto& entry : fs::directory_iterator(base, ec)) {
        const fs::path target = copy / entry.path().filename();
        if (entry.is_directory()) {
            if (!fs::is_directory(target, ec)) {
                fs::remove_all(target, ec);
                fs::copy(entry.path(), target, fs::copy_options::recursive, ec);
            } else {
                Restore(entry.path(), target);
            }
        } else if (fs::is_directory(target, ec) || !SameFile(entry.path(), target)) {
            fs::remove_all(target, ec);
            fs::copy_file(entry.path(), target, ec);
        }
    }
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
        if (scratch_.empty()) scratch_ = MakeTemp("zentho-run-XXXXXX");
        Restore(base_, scratch_);
        from = scratch_;
    }
    std::string error;
    auto machine = sim::LoadMachineFolder(from, &error);
    if (!machine) std::fprintf(stderr, "%s\n", error.c_str());
    return machine;
}

std::string ProtocolFault(const Result& r) {
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

std::vector<Call> AllCalls(bool withWrites) {
    std::vector<Call> calls;
    auto add = [&](std::string name, Call::Kind kind, unsigned int appId, int state, bool writes,
                   std::function<Result()> run) {
        Call call;
        call.name = std::move(name);
        call.kind = kind;
        call.appId = appId;
        call.state = state;
        call.writes = writes;
        call.run = std::move(run);
        calls.push_back(std::move(call));
    };
    for (const auto& app : catalogue::kApplications) {
        unsigned int id = app.id;
        add("GetLatestApplicationName " + Hex(id), Call::kText, id, 0, false,
            [id] { return TwoCalls([id](char* b) { return GetLatestApplicationName(id, b); }); });
        add("GetLatestApplicationPath " + Hex(id), Call::kPath, id, 0, false,
            [id] { return TwoCalls([id](char* b) { return GetLatestApplicationPath(id, b); }, true); });
        add("GetLatestApplicationState " + Hex(id), Call::kState, id, 0, false,
            [id] { return Plain(GetLatestApplicationState(id)); });
    }
    add("GetDefaultBrowser", Call::kText, 0, 0, false, [] { return TwoCalls(GetDefaultBrowser); });
    add("GetDefaultBrowserPath", Call::kPath, 0, 0, false, [] { return TwoCalls(GetDefaultBrowserPath, true); });
    add("GetDefaultBrowserState", Call::kState, 0, 0, false, [] { return Plain(GetDefaultBrowserState()); });
    add("GetDefaultMailer", Call::kText, 0, 0, false, [] { return TwoCalls(GetDefaultMailer); });
    add("GetDefaultMailerPath", Call::kPath, 0, 0, false, [] { return TwoCalls(GetDefaultMailerPath, true); });
    add("GetDefaultMailerState", Call::kState, 0, 0, false, [] { return Plain(GetDefaultMailerState()); });
    add("GetSupportedApplications 0x3FFF", Call::kList, 0, 0, false, [] {
        std::vector<char> list(8192, kPoison);
        Result r = Plain(GetSupportedApplications(0x3FFF, list.data()));
        r.text.assign(list.data(), strnlen(list.data(), list.size()));
        r.announced = -1;
        return r;
    });
    for (const char* suite : {"Corvane", "Scrivale", "Calvora", "Pictora", "Nothing"}) {
        add(std::string("GetLatestSarvinTessalineAppInfo ") + suite, Call::kSuite, 0, 0, false, [suite] {
            // Three buffers of 261 bytes, each followed by poison that must stay.
            char fields[3][261 + 16];
            std::memset(fields, kPoison, sizeof fields);
            GetLatestSarvinTessalineAppInfo(const_cast<char*>(suite), fields[0], fields[1], fields[2]);
            Result r;
            for (auto& field : fields) {
                r.text += std::string(field, strnlen(field, 261)) + (&field == &fields[2] ? "" : "|");
                r.overrun =
                    r.overrun || std::any_of(field + 261, field + sizeof field, [](char c) { return c != kPoison; });
            }
            r.announced = -1;  // no sizing call
            return r;
        });
    }
    if (!withWrites) return calls;
    for (const auto& app : catalogue::kApplications) {
        unsigned int id = app.id;
        for (int state : {1, 0})
            add("SetLatestApplicationState " + Hex(id) + " " + std::to_string(state), Call::kSetState, id, state, true,
                [id, state] {
                    if (state == 0) SetLatestApplicationState(id, 1);  // switched on first, then off
                    return Plain(SetLatestApplicationState(id, state));
                });
    }
    add("SetDefaultBrowserState 1", Call::kSetState, 0x101, 1, true, [] { return Plain(SetDefaultBrowserState(1)); });
    add("SetDefaultMailerState 1", Call::kSetState, 0x201, 1, true, [] { return Plain(SetDefaultMailerState(1)); });
    return calls;
}

}  // namespace reliability
