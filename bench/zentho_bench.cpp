// What the library and its simulated machine cost, measured with Google Benchmark and
// printed as one table with the figures that scripts/bench.sh measured under Wine:
//   a. every export, and the whole "report" sweep, on the sample machine;
//   b. importing and exporting a generated registry the size of a real software hive,
//      with the peak memory of each (measured in a fresh process of this program);
//   c. opening a key below parents of 10, 1,000 and 100,000 subkeys;
//   d. the import against Wine's regedit /S of the same file;
//   e. the report sweep of the Windows DLL under Wine;
//   f. an offline image; g. switching on a machine folder of 150,000 keys against reading it.
//
//   zentho_bench --write-hive FILE            writes the hive, prints its facts (key=value)
//   zentho_bench --hive FILE [--facts FILE]... [benchmark flags]
//   zentho_bench --peak import|export FOLDER  (run by the above in a child process)
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "frame/exports.h"
#include "hive_generator.h"
#include "tools/winsim/formats/image_writer.h"
#include "tools/winsim/formats/hive_image.h"
#include "tools/winsim/formats/machine_folder.h"
#include "report_sweep.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kHiveKeys = 200000;
constexpr size_t kHiveValues = 600000;
constexpr size_t kFanOuts[] = {10, 1000, 100000};

using Facts = std::map<std::string, std::string>;

void ReadFacts(const std::string& path, Facts* facts) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) (*facts)[line.substr(0, eq)] = line.substr(eq + 1);
    }
}

double Number(const Facts& facts, const std::string& key) {
    auto it = facts.find(key);
    return it == facts.end() || it->second.empty() ? NAN : std::atof(it->second.c_str());
}

// ---------------------------------------------------------------------------------
// Memory of this process, from /proc: resident now, and the peak since the last reset.

long StatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    size_t length = std::strlen(field);
    while (std::getline(in, line))
        if (line.compare(0, length, field) == 0 && line[length] == ':') return std::atol(line.c_str() + length + 1);
    return -1;
}

void ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";  // the peak resident size starts again from the current one
}

// In memory where the host offers it, so that file operations cost what the
// simulation costs and not what the disk does.
std::string MakeTemp(const char* name) {
    std::error_code ec;
    fs::path folder = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (folder / name).string();
    return ::mkdtemp(pattern.data()) ? pattern : "";
}

// A machine folder holding nothing but the hive, so that the import is the one the tool
// makes (LoadMachineFolder) and not a shortcut around it. A copy: a machine folder's .reg
// that is a link is refused, as one planted by someone else would be.
std::string HiveFolder(const std::string& hive) {
    std::string folder = MakeTemp("zentho-hive-XXXXXX");
    std::error_code ec;
    fs::copy_file(hive, fs::path(folder) / "hive.reg", ec);
    return ec ? "" : folder;
}

// The child processes: the peak is that of a process that did nothing else before.
int PeakImport(const std::string& folder) {
    long base = StatusKb("VmRSS");
    ResetPeak();
    std::string error;
    auto machine = sim::LoadMachineFolder(folder, &error);
    if (!machine) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("base_kb=%ld\npeak_kb=%ld\nheld_kb=%ld\n", base, StatusKb("VmHWM"), StatusKb("VmRSS"));
    return 0;
}

int PeakExport(const std::string& folder) {
    std::string error;
    auto machine = sim::LoadMachineFolder(folder, &error);
    if (!machine) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    malloc_trim(0);  // what the import freed is not the export's
    long base = StatusKb("VmRSS");
    ResetPeak();
    std::string out = MakeTemp("zentho-export-XXXXXX");
    if (!sim::ExportMachineRegistry(*machine, out + "/registry.reg", &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    long peak = StatusKb("VmHWM");
    std::error_code ec;
    std::printf("base_kb=%ld\npeak_kb=%ld\nbytes=%ju\n", base, peak,
                static_cast<uintmax_t>(fs::file_size(fs::path(out) / "registry.reg", ec)));
    fs::remove_all(out, ec);
    return 0;
}

Facts RunChild(const std::string& what, const std::string& folder) {
    char self[4096];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    Facts facts;
    if (n <= 0) return facts;
    self[n] = 0;
    std::string command = std::string("'") + self + "' --peak " + what + " '" + folder + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return facts;
    char line[256];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        size_t eq = text.find('=');
        if (eq != std::string::npos) facts[text.substr(0, eq)] = text.substr(eq + 1);
    }
    ::pclose(pipe);
    return facts;
}

// ---------------------------------------------------------------------------------
// a. The exports on the sample machine.

std::unique_ptr<sim::Machine> g_sample;   // read only
std::unique_ptr<sim::Machine> g_scratch;  // a copy that the setters change
std::string g_scratchFolder;

const bench::Exports kLinked = {GetLatestApplicationName, GetLatestApplicationPath, GetLatestApplicationState,
                                GetDefaultBrowser,        GetDefaultBrowserPath,    GetDefaultBrowserState,
                                GetDefaultMailer,         GetDefaultMailerPath,     GetDefaultMailerState};

// Every AppId in turn, one call per iteration.
void EachApp(benchmark::State& state, const std::function<long(unsigned int)>& call) {
    sim::Machine::Use(g_sample.get());
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(call(catalogue::kApplications[i++ % std::size(catalogue::kApplications)].id));
}

void Once(benchmark::State& state, const std::function<long()>& call) {
    sim::Machine::Use(g_sample.get());
    for (auto _ : state) benchmark::DoNotOptimize(call());
}

// A setter changes the machine, so each timed call starts from the same state: the
// opposite call puts it back outside the timed part, and one round before the loop makes
// the keys that only the first switch ever creates.
void Switch(benchmark::State& state, const std::function<void(int)>& set, int to) {
    sim::Machine::Use(g_scratch.get());
    set(to);
    set(!to);
    for (auto _ : state) {
        set(to);
        state.PauseTiming();
        set(!to);
        g_scratch->changes().clear();
        state.ResumeTiming();
    }
    set(0);
    g_scratch->changes().clear();
}

// f. An image loaded and swept once, as the tool does it, in a process that did nothing else;
// and the same content loaded the way it takes without images (hivexregedit's export as a
// machine folder, which bench.sh makes in between). Each writes its facts.
long Since(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
}

// One report sweep on a machine just loaded, which stays in use; false, with the load's
// error printed, when there is none.
bool SweepOnce(sim::Machine* machine, const std::string& error, bench::SweepResult* sweep) {
    if (!machine) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    sim::Machine::Use(machine);
    std::vector<char> buffer(1024);
    *sweep = bench::ReportSweep(kLinked, buffer);
    return true;
}

int PeakImage(const std::string& dir, const std::string& route) {
    long base = StatusKb("VmRSS"), baseAnon = StatusKb("RssAnon");
    ResetPeak();
    auto start = std::chrono::steady_clock::now();
    std::string error;
    auto machine = sim::LoadImage(dir, "", &error);
    bench::SweepResult sweep;
    if (!SweepOnce(machine.get(), error, &sweep)) return 1;
    long us = Since(start);
    std::printf(
        "image_us=%ld\nimage_base_kb=%ld\nimage_peak_kb=%ld\nimage_base_anon_kb=%ld\nimage_anon_kb=%ld\n"
        "image_file_kb=%ld\nimage_installed=%d\n",
        us, base, StatusKb("VmHWM"), baseAnon, StatusKb("RssAnon"), StatusKb("RssFile"), sweep.installed);
    sim::Machine::Use(nullptr);
    return sim::WriteSettingsFolder(*machine, dir, route, &error) ? 0 : 1;
}

int RouteSweep(const std::string& folder) {
    auto start = std::chrono::steady_clock::now();
    std::string error;
    auto machine = sim::LoadMachineFolder(folder, &error);
    bench::SweepResult sweep;
    if (!SweepOnce(machine.get(), error, &sweep)) return 1;
    std::printf("route_load_us=%ld\nroute_installed=%d\n", Since(start), sweep.installed);
    sim::Machine::Use(nullptr);
    return 0;
}

void ReportSweep(benchmark::State& state) {
    sim::Machine::Use(g_sample.get());
    std::vector<char> buffer(1024);
    std::vector<double> times;
    bench::SweepResult result;
    size_t calls = g_sample->registry().CallCount();
    size_t files = g_sample->Operations(sim::FaultKind::kFile);
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        result = bench::ReportSweep(kLinked, buffer);
        times.push_back(std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count());
        benchmark::DoNotOptimize(result);
    }
    std::sort(times.begin(), times.end());
    double n = static_cast<double>(times.size());
    state.counters["median_ns"] = times[times.size() / 2];
    state.counters["p95_ns"] = times[static_cast<size_t>(0.95 * (n - 1))];
    state.counters["sweeps"] = n;
    state.counters["installed"] = result.installed;
    state.counters["registry_calls"] = (g_sample->registry().CallCount() - calls) / n;
    state.counters["file_operations"] = (g_sample->Operations(sim::FaultKind::kFile) - files) / n;
}

// ---------------------------------------------------------------------------------
// b. The generated hive.

std::string g_hiveFolder;

void Import(benchmark::State& state) {
    for (auto _ : state) {
        std::string error;
        auto machine = sim::LoadMachineFolder(g_hiveFolder, &error);
        if (!machine) {
            state.SkipWithError(error.c_str());
            break;
        }
        state.PauseTiming();
        machine.reset();
        state.ResumeTiming();
    }
}

void Export(benchmark::State& state) {
    std::string error;
    auto machine = sim::LoadMachineFolder(g_hiveFolder, &error);
    std::string out = MakeTemp("zentho-export-XXXXXX");
    if (!machine || out.empty()) {
        state.SkipWithError(machine ? "no temporary folder" : error.c_str());
        return;
    }
    for (auto _ : state) {
        if (!sim::ExportMachineRegistry(*machine, out + "/registry.reg", &error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    std::error_code ec;
    state.counters["bytes"] = static_cast<double>(fs::file_size(fs::path(out) / "registry.reg", ec));
    fs::remove_all(out, ec);
}

// ---------------------------------------------------------------------------------
// c. Opening a key at depth 6, HKEY_LOCAL_MACHINE\Software\Bench\Fan\N<n>\Parent\<GUID>,
// whose parent has n subkeys.

struct FanOut {
    sim::CodePage cp{932};
    sim::Registry registry{&cp, sim::KeyOrder::kSorted, sim::kDefaultUserSid};
    std::map<size_t, std::vector<std::string>> targets;  // subkey paths to open, in random order

    FanOut() {
        uint64_t seed = 0x9E3779B97F4A7C15ULL;
        auto next = [&] {
            seed ^= seed >> 12;
            seed ^= seed << 25;
            seed ^= seed >> 27;
            return seed * 2685821657736338717ULL;
        };
        for (size_t fan : kFanOuts) {
            std::string parent = "Software\\Bench\\Fan\\N" + std::to_string(fan) + "\\Parent";
            std::vector<std::string> children;
            for (size_t i = 0; i < fan; ++i) {
                char guid[48];
                uint64_t a = next(), b = next();
                std::snprintf(guid, sizeof guid, "{%08X-%04X-%04X-%04X-%012llX}", static_cast<unsigned>(a >> 32),
                              static_cast<unsigned>(a >> 16 & 0xFFFF), static_cast<unsigned>(a & 0xFFFF),
                              static_cast<unsigned>(b >> 48), static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFULL));
                children.push_back(parent + "\\" + guid);
                registry.EnsureKey("HKEY_LOCAL_MACHINE\\" + children.back());
            }
            for (size_t k = 0; k < 4096; ++k) targets[fan].push_back(children[next() % fan]);
        }
    }
};

FanOut& Fan() {
    static FanOut fan;
    return fan;
}

void OpenDepth6(benchmark::State& state, size_t fan) {
    FanOut& f = Fan();
    const auto& targets = f.targets[fan];
    size_t i = 0;
    for (auto _ : state) {
        HKEY key;
        if (f.registry.Open(HKEY_LOCAL_MACHINE, targets[i++ % targets.size()].c_str(), KEY_READ, &key) != 0) {
            state.SkipWithError("a subkey did not open");
            break;
        }
        f.registry.Close(key);
    }
}

// ---------------------------------------------------------------------------------
// Results: kept by benchmark name (the median of the repetitions where there are any).

struct Result {
    double ns = NAN;  // per iteration
    std::map<std::string, double> counters;
    std::string error;
};

class Collector : public benchmark::BenchmarkReporter {
public:
    std::map<std::string, Result> results;

    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            Result& r = results[run.run_name.function_name];
            if (run.error_occurred) {
                r.error = run.error_message;
                continue;
            }
            r.ns = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
            for (const auto& counter : run.counters) r.counters[counter.first] = counter.second.value;
        }
        // Progress on standard error: the table comes at the end.
        if (!runs.empty()) std::fprintf(stderr, "  measured %s\n", runs.front().run_name.function_name.c_str());
    }
};

std::string Time(double ns) {
    char text[32];
    if (std::isnan(ns)) return "-";
    if (ns < 1e3)
        std::snprintf(text, sizeof text, "%.0f ns", ns);
    else if (ns < 1e6)
        std::snprintf(text, sizeof text, "%.2f us", ns / 1e3);
    else if (ns < 1e9)
        std::snprintf(text, sizeof text, "%.1f ms", ns / 1e6);
    else
        std::snprintf(text, sizeof text, "%.2f s", ns / 1e9);
    return text;
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Thousands(double value) {
    std::string digits = Format("%.0f", value), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

double Mb(double kb) { return kb / 1024.0; }

class Table {
public:
    void Section(const std::string& title) { rows_.push_back({title, "", "", true}); }
    void Row(const std::string& what, const std::string& figure, const std::string& detail = "") {
        rows_.push_back({what, figure, detail, false});
    }
    void Print() const {
        size_t w0 = 0, w1 = 0;
        for (const auto& r : rows_) {
            if (r.section) continue;
            w0 = std::max(w0, r.what.size());
            w1 = std::max(w1, r.figure.size());
        }
        for (const auto& r : rows_) {
            if (r.section) {
                std::printf("%s\n", r.what.c_str());
                continue;
            }
            std::string line = "  " + r.what + std::string(w0 - r.what.size() + 2, ' ') +
                               std::string(w1 - r.figure.size(), ' ') + r.figure + "  " + r.detail;
            while (!line.empty() && line.back() == ' ') line.pop_back();
            std::printf("%s\n", line.c_str());
        }
    }

private:
    struct Line {
        std::string what, figure, detail;
        bool section;
    };
    std::vector<Line> rows_;
};

// "holds (4.1x under)" or "misses by 23%".
std::string Verdict(double measured, double limit, bool lowerIsBetter = true) {
    if (std::isnan(measured)) return "not measured";
    bool holds = lowerIsBetter ? measured < limit : measured >= limit;
    double margin = lowerIsBetter ? limit / measured : measured / limit;
    if (holds) return Format("holds (%.1fx margin)", margin);
    return Format("MISSES by %.0f%%", lowerIsBetter ? (measured / limit - 1) * 100 : (limit / measured - 1) * 100);
}

int Usage() {
    std::fprintf(stderr,
                 "usage: zentho_bench --write-hive FILE [KEYS VALUES]\n"
                 "       zentho_bench --write-image DIR REGFILE\n"
                 "       zentho_bench --peak image DIR ROUTE-FOLDER | --peak route FOLDER\n"
                 "       zentho_bench --hive FILE [--facts FILE]... [--benchmark_... flags]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if ((argc == 3 || argc == 5) && std::strcmp(argv[1], "--write-hive") == 0) {
        bench::HiveStats s;
        std::string error;
        size_t keys = argc == 5 ? std::strtoul(argv[3], nullptr, 10) : kHiveKeys;
        size_t values = argc == 5 ? std::strtoul(argv[4], nullptr, 10) : kHiveValues;
        if (!bench::WriteHive(argv[2], keys, values, &s, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::printf(
            "hive_keys=%zu\nhive_values=%zu\nhive_bytes=%zu\nhive_depth=%zu\nhive_sz=%zu\nhive_dword=%zu\n"
            "hive_binary=%zu\nhive_expand=%zu\nhive_multi=%zu\nhive_japanese=%zu\nhive_widest=%zu\nhive_most_values=%"
            "zu\n",
            s.keys, s.values, s.bytes, s.maxDepth, s.strings, s.dwords, s.binaries, s.expandStrings, s.multiStrings,
            s.japaneseNames, s.widestKey, s.mostValues);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "--write-image") == 0) {
        size_t bytes = 0, software = 0;
        std::string error;
        if (!sim::WriteImage(ZENTHO_SOURCE_DIR "/examples/sample-machine", argv[2], argv[3], sim::ImageLayout::kXp, &bytes, &software,
                             &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::printf("image_hive_bytes=%zu\nimage_software_bytes=%zu\n", bytes, software);
        return 0;
    }
    if (argc == 5 && std::strcmp(argv[1], "--peak") == 0 && std::strcmp(argv[2], "image") == 0)
        return PeakImage(argv[3], argv[4]);
    if (argc == 4 && std::strcmp(argv[1], "--peak") == 0 && std::strcmp(argv[2], "route") == 0)
        return RouteSweep(argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "--peak") == 0) {
        if (std::strcmp(argv[2], "import") == 0) return PeakImport(argv[3]);
        if (std::strcmp(argv[2], "export") == 0) return PeakExport(argv[3]);
        return Usage();
    }

    std::string hive;
    Facts facts;
    std::vector<char*> rest = {argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--hive") == 0 && i + 1 < argc)
            hive = argv[++i];
        else if (std::strcmp(argv[i], "--facts") == 0 && i + 1 < argc)
            ReadFacts(argv[++i], &facts);
        else
            rest.push_back(argv[i]);
    }
    if (hive.empty()) return Usage();
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data())) return Usage();

    std::string error;
    g_sample = sim::LoadMachineFolder(ZENTHO_SOURCE_DIR "/examples/sample-machine", &error);
    g_scratchFolder = MakeTemp("zentho-bench-machine-XXXXXX");
    std::error_code ec;
    fs::copy(ZENTHO_SOURCE_DIR "/examples/sample-machine", g_scratchFolder, fs::copy_options::recursive, ec);
    if (g_sample && !ec) g_scratch = sim::LoadMachineFolder(g_scratchFolder, &error);
    g_hiveFolder = HiveFolder(hive);
    if (!g_sample || !g_scratch || g_hiveFolder.empty()) {
        std::fprintf(stderr, "zentho_bench: %s\n", error.empty() ? "cannot make a temporary folder" : error.c_str());
        return 1;
    }

    // a. One call per iteration; the median of five repetitions.
    auto perCall = [](benchmark::internal::Benchmark* b) {
        b->Repetitions(5)->ReportAggregatesOnly(true)->MinTime(0.1)->Unit(benchmark::kMicrosecond);
    };
    char text[1024], text2[1024], text3[1024];
    perCall(benchmark::RegisterBenchmark("GetDefaultBrowser", Once, [&] { return long(GetDefaultBrowser(text)); }));
    perCall(
        benchmark::RegisterBenchmark("GetDefaultBrowserPath", Once, [&] { return long(GetDefaultBrowserPath(text)); }));
    perCall(
        benchmark::RegisterBenchmark("GetDefaultBrowserState", Once, [] { return long(GetDefaultBrowserState()); }));
    perCall(benchmark::RegisterBenchmark("GetDefaultMailer", Once, [&] { return long(GetDefaultMailer(text)); }));
    perCall(
        benchmark::RegisterBenchmark("GetDefaultMailerPath", Once, [&] { return long(GetDefaultMailerPath(text)); }));
    perCall(benchmark::RegisterBenchmark("GetDefaultMailerState", Once, [] { return long(GetDefaultMailerState()); }));
    perCall(benchmark::RegisterBenchmark("GetLatestApplicationName", EachApp,
                                         [&](unsigned int id) { return long(GetLatestApplicationName(id, text)); }));
    perCall(benchmark::RegisterBenchmark("GetLatestApplicationPath", EachApp,
                                         [&](unsigned int id) { return long(GetLatestApplicationPath(id, text)); }));
    perCall(benchmark::RegisterBenchmark("GetLatestApplicationState", EachApp,
                                         [](unsigned int id) { return long(GetLatestApplicationState(id)); }));
    perCall(benchmark::RegisterBenchmark("GetLatestSarvinTessalineAppInfo", Once, [&] {
        GetLatestSarvinTessalineAppInfo(const_cast<char*>("Corvane"), text, text2, text3);
        return long(text[0]);
    }));
    perCall(benchmark::RegisterBenchmark("GetSupportedApplications", Once,
                                         [&] { return long(GetSupportedApplications(0x3FFF, text)); }));
    const std::function<void(int)> browser = [](int on) { SetDefaultBrowserState(on); };
    const std::function<void(int)> mailer = [](int on) { SetDefaultMailerState(on); };
    const std::function<void(int)> word = [](int on) { SetLatestApplicationState(0x401, on); };
    const std::function<void(int)> update = [](int on) { UpdateApplTransSettings(0x401, on, !on); };
    perCall(benchmark::RegisterBenchmark("SetDefaultBrowserState on", Switch, browser, 1));
    perCall(benchmark::RegisterBenchmark("SetDefaultBrowserState off", Switch, browser, 0));
    perCall(benchmark::RegisterBenchmark("SetDefaultMailerState on", Switch, mailer, 1));
    perCall(benchmark::RegisterBenchmark("SetDefaultMailerState off", Switch, mailer, 0));
    perCall(benchmark::RegisterBenchmark("SetLatestApplicationState on", Switch, word, 1));
    perCall(benchmark::RegisterBenchmark("SetLatestApplicationState off", Switch, word, 0));
    perCall(benchmark::RegisterBenchmark("UpdateApplTransSettings on", Switch, update, 1));
    perCall(benchmark::RegisterBenchmark("UpdateApplTransSettings off", Switch, update, 0));
    benchmark::RegisterBenchmark("report sweep", ReportSweep)->MinTime(2.0)->Unit(benchmark::kMillisecond);

    // b. Seconds each: three of each, the median.
    benchmark::RegisterBenchmark("import", Import)
        ->Iterations(1)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("export", Export)
        ->Iterations(1)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMillisecond);

    // c.
    for (size_t fan : kFanOuts)
        benchmark::RegisterBenchmark(("open depth 6 under " + std::to_string(fan)).c_str(), OpenDepth6, fan)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true)
            ->MinTime(0.2)
            ->Unit(benchmark::kNanosecond);

    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    sim::Machine::Use(nullptr);
    g_scratch.reset();
    fs::remove_all(g_scratchFolder, ec);

    std::fprintf(stderr, "  measuring peak memory in child processes\n");
    Facts importPeak = RunChild("import", g_hiveFolder);
    Facts exportPeak = RunChild("export", g_hiveFolder);
    fs::remove_all(g_hiveFolder, ec);

    auto& R = collector.results;
    auto ns = [&](const std::string& name) { return R.count(name) ? R[name].ns : NAN; };
    auto counter = [&](const std::string& name, const std::string& c) {
        return R.count(name) && R[name].counters.count(c) ? R[name].counters[c] : NAN;
    };

    auto fact = [&](const char* key) { return facts.count(key) ? facts[key] : std::string("?"); };
    Table t;
    t.Section("Host: " + fact("host_cpu") + ", " + fact("host_nproc") + " cores, " + fact("host_ram_gb") +
              " GB RAM; at the start " + fact("host_fuzzers") + " fuzz_* processes running, load average " +
              fact("host_load"));
    t.Section("a. The 15 exports on the sample machine (native build; median of 5 runs, per call)");
    const char* getters[] = {"GetDefaultBrowser",         "GetDefaultBrowserPath",
                             "GetDefaultBrowserState",    "GetDefaultMailer",
                             "GetDefaultMailerPath",      "GetDefaultMailerState",
                             "GetLatestApplicationName",  "GetLatestApplicationPath",
                             "GetLatestApplicationState", "GetLatestSarvinTessalineAppInfo",
                             "GetSupportedApplications"};
    const std::string appIds = std::to_string(catalogue::kApplications.size()) + " AppIds";
    for (const char* name : getters) {
        std::string detail = std::strncmp(name, "GetLatestApplication", 20) == 0         ? "the " + appIds + " in turn"
                             : std::strcmp(name, "GetLatestSarvinTessalineAppInfo") == 0 ? "\"Corvane\""
                             : std::strcmp(name, "GetSupportedApplications") == 0        ? "mask 0x3FFF"
                                                                                         : "";
        t.Row(name, Time(ns(name)), R.count(name) && !R[name].error.empty() ? "error: " + R[name].error : detail);
    }
    const char* setters[][2] = {{"SetDefaultBrowserState", "Internet Explorer"},
                                {"SetDefaultMailerState", "Outlook Express"},
                                {"SetLatestApplicationState", "Word 0x401"},
                                {"UpdateApplTransSettings", "Word 0x401"}};
    for (const auto& s : setters) {
        for (const char* direction : {"on", "off"}) {
            std::string name = std::string(s[0]) + " " + direction;
            t.Row(name, Time(ns(name)),
                  std::string(s[1]) + ", on a scratch copy; " + (direction[1] == 'n' ? "off" : "on") +
                      " again untimed after each call");
        }
    }
    double sweep = counter("report sweep", "median_ns");
    t.Row("report sweep, median", Time(sweep),
          appIds + " x name, path, state (two calls per text) + browser and mailer");
    t.Row("report sweep, 95th percentile", Time(counter("report sweep", "p95_ns")),
          Thousands(counter("report sweep", "sweeps")) + " sweeps; per sweep " +
              Format("%.0f", counter("report sweep", "registry_calls")) + " registry calls, " +
              Format("%.0f", counter("report sweep", "file_operations")) + " file operations; " +
              Format("%.0f", counter("report sweep", "installed")) + " AppIds installed");

    double fileBytes = Number(facts, "hive_bytes");
    double importPeakKb = Number(importPeak, "peak_kb") - Number(importPeak, "base_kb");
    double exportPeakKb = Number(exportPeak, "peak_kb") - Number(exportPeak, "base_kb");
    double importRatio = importPeakKb * 1024 / fileBytes, exportRatio = exportPeakKb * 1024 / fileBytes;
    t.Section("b. Generated hive: " + Thousands(Number(facts, "hive_keys")) + " keys, " +
              Thousands(Number(facts, "hive_values")) + " values, REGEDIT4 (code page 932) of " +
              Format("%.1f MB", fileBytes / 1048576));
    t.Row("contents", "",
          "REG_SZ " + Thousands(Number(facts, "hive_sz")) + ", REG_DWORD " + Thousands(Number(facts, "hive_dword")) +
              ", hex " + Thousands(Number(facts, "hive_binary")) + ", hex(2) " +
              Thousands(Number(facts, "hive_expand")) + ", hex(7) " + Thousands(Number(facts, "hive_multi")) +
              "; depth up to " + Format("%.0f", Number(facts, "hive_depth")) + "; up to " +
              Thousands(Number(facts, "hive_widest")) + " subkeys and " + Thousands(Number(facts, "hive_most_values")) +
              " values in one key; " + Thousands(Number(facts, "hive_japanese")) + " Shift-JIS names");
    t.Row("import (LoadMachineFolder)", Time(ns("import")),
          "median of 3; peak " + Format("+%.0f MB", Mb(importPeakKb)) + " = " + Format("%.2fx", importRatio) +
              " the file; the registry keeps " +
              Format("%.0f MB", Mb(Number(importPeak, "held_kb") - Number(importPeak, "base_kb"))));
    t.Row("export (ExportMachineRegistry)", Time(ns("export")),
          "median of 3; peak " + Format("+%.0f MB", Mb(exportPeakKb)) + " = " + Format("%.2fx", exportRatio) +
              " the file, over the loaded registry; wrote " + Format("%.1f MB", counter("export", "bytes") / 1048576));

    t.Section("c. Open and close a key at depth 6 (Software\\Bench\\Fan\\N\\Parent\\{GUID}); median of 5");
    for (size_t fan : kFanOuts) {
        std::string name = "open depth 6 under " + std::to_string(fan);
        double ratio = ns(name) / ns("open depth 6 under 10");
        t.Row("parent with " + Thousands(static_cast<double>(fan)) + " subkeys", Time(ns(name)),
              fan == 10 ? ""
                        : Format("%.2fx the cost under 10", ratio) +
                              Format(" (log ratio %.1f)", std::log(fan) / std::log(10.0)));
    }
    double fanRatio = ns("open depth 6 under 100000") / ns("open depth 6 under 10");

    double regedit = Number(facts, "regedit_full_ms") * 1e6, regeditStart = Number(facts, "regedit_empty_ms") * 1e6;
    double importNs = ns("import");
    t.Section("d. Importing the same file: Wine's regedit /S into a fresh prefix against the simulation");
    t.Row("Wine regedit /S, wall clock, one CPU", Time(regedit),
          "values in the prefix +" + Thousands(Number(facts, "regedit_values_added")) + ", keys +" +
              Thousands(Number(facts, "regedit_keys_added")) +
              " (its system.reg lists keys with values or "
              "no subkeys), " +
              Format("%.0f", Number(facts, "regedit_japanese_vendor_keys")) + " keys below a Japanese vendor name");
    t.Row("Wine regedit /S of an empty file", Time(regeditStart), "the cost of starting regedit alone");
    t.Row("Wine regedit /S, wall clock, every CPU", Time(Number(facts, "regedit_spread_full_ms") * 1e6),
          "Wine free to wake its server on the other CPU; values +" +
              Thousands(Number(facts, "regedit_spread_values_added")));
    t.Row("simulation (LoadMachineFolder)", Time(importNs), "as in b.");
    t.Row("ratio", Format("%.1fx", regedit / importNs),
          Format("%.1fx with regedit's start-up taken off", (regedit - regeditStart) / importNs));

    double wine = Number(facts, "wine_sweep_median_us") * 1e3;
    t.Section("e. The report sweep of the Windows DLL (win64) under Wine on one CPU, sample machine in a fresh prefix");
    t.Row("report sweep, median", Time(wine),
          "in-process loop of " + Format("%.0f", Number(facts, "wine_sweeps")) + " sweeps after " +
              Format("%.0f", Number(facts, "wine_warmup")) + " untimed; " +
              Format("%.0f", Number(facts, "wine_installed")) + " AppIds installed");
    t.Row("report sweep, 95th percentile", Time(Number(facts, "wine_sweep_p95_us") * 1e3),
          Format("%.0fx the native sweep", wine / sweep));

    double hiveBytes = Number(facts, "image_hive_bytes");
    double imageNs = Number(facts, "image_us") * 1e3;
    double imagePeakKb = Number(facts, "image_peak_kb") - Number(facts, "image_base_kb");
    double imageRatio = imagePeakKb * 1024 / hiveBytes;
    double anonKb = Number(facts, "image_anon_kb") - Number(facts, "image_base_anon_kb");
    double anonRatio = anonKb * 1024 / hiveBytes;
    double routeNs = (Number(facts, "route_export_ms") * 1e3 + Number(facts, "route_load_us")) * 1e3;
    t.Section("f. An offline image: SOFTWARE hive of " +
              Format("%.1f MB", Number(facts, "image_software_bytes") / 1048576) +
              " (the sample machine and the generated hive, written with hivex), hive files " +
              Format("%.1f MB", hiveBytes / 1048576) + " in all");
    t.Row("LoadImage and one report sweep", Time(imageNs),
          "one process; " + Format("%.0f", Number(facts, "image_installed")) + " AppIds installed");
    t.Row("  peak resident memory", Format("+%.1f MB", Mb(imagePeakKb)),
          Format("%.3fx the hive files; after it ", imageRatio) +
              Format("%.1f MB", Mb(Number(facts, "image_file_kb"))) +
              " of mapped files: hivex maps each hive and reads every block's header as it opens it");
    t.Row("  memory of its own (anonymous)", Format("+%.1f MB", Mb(anonKb)),
          Format("%.3fx the hive files: the keys read, and hivex's block map", anonRatio));
    t.Row("hivexregedit --export of the hives", Time(Number(facts, "route_export_ms") * 1e6),
          "then iconv to UTF-16: the version 5 .reg files of a machine folder");
    t.Row("that folder loaded, one report sweep", Time(Number(facts, "route_load_us") * 1e3),
          Format("%.0f", Number(facts, "route_installed")) + " AppIds installed");
    t.Row("ratio", Format("%.1fx", routeNs / imageNs), "the route without images against LoadImage");
    const double toolNs = Number(facts, "tool_image_us") * 1e3;
    const double toolKb = Number(facts, "tool_image_peak_kb") - Number(facts, "tool_sample_peak_kb");
    const double toolRatio = toolKb * 1024 / hiveBytes;
    const double checkNs = Number(facts, "tool_image_check_us") * 1e3;
    t.Row("zentho-appapi --image DIR report", Time(toolNs), "the whole process, median of 3");
    t.Row("zentho-appapi --image DIR check", Time(checkNs),
          Format("%.2fx report: every application's branch planned, each step judged", checkNs / toolNs));
    t.Row("  peak resident memory", Format("+%.1f MB", Mb(toolKb)),
          Format("%.3fx the hive files", toolRatio) + ", over the same report on the sample machine (" +
              Format("%.1f MB)", Mb(Number(facts, "tool_sample_peak_kb"))));

    const double reportMs = Number(facts, "apply_report_ms"), applyMs = Number(facts, "apply_on_ms");
    const double reportKb = Number(facts, "apply_report_kb"), applyKb = Number(facts, "apply_on_kb");
    t.Section("g. Applying against reading: the sample machine and a generated .reg of " +
              Thousands(Number(facts, "apply_hive_keys")) + " keys (" +
              Format("%.1f MB", Number(facts, "apply_hive_bytes") / 1048576) + "), whole processes of the tool");
    t.Row("zentho-appapi -m DIR report", Time(reportMs * 1e6),
          "median of 3; peak resident " + Format("%.0f MB", Mb(reportKb)));
    t.Row("zentho-appapi -m DIR on word", Time(applyMs * 1e6),
          "median of 3, each on a fresh copy, kept; peak resident " + Format("%.0f MB", Mb(applyKb)));
    t.Row("apply against report", Format("%.2fx", applyMs / reportMs),
          Format("in time; %.2fx in peak memory", applyKb / reportKb));

    t.Section("Targets");
    t.Row("image load and sweep < 0.5 s", Time(imageNs), Verdict(imageNs, 5e8));
    t.Row("image own (anonymous) memory < 0.2x the hives", Format("%.3fx", anonRatio), Verdict(anonRatio, 0.2));
    t.Row("image resident memory", Format("%.3fx", imageRatio),
          "no target: hivex's mapped hive pages are the page cache's (the tool's process " +
              Format("%.3fx)", toolRatio));
    t.Row("image >= 20x faster than hivexregedit + folder", Format("%.1fx", routeNs / imageNs),
          Verdict(routeNs / imageNs, 20, false));
    t.Row("tool --image report < 0.5 s", Time(toolNs), Verdict(toolNs, 5e8));
    t.Row("apply time <= 1.3x report's", Format("%.2fx", applyMs / reportMs), Verdict(applyMs / reportMs, 1.3));
    t.Row("apply peak memory <= 1.3x report's", Format("%.2fx", applyKb / reportKb), Verdict(applyKb / reportKb, 1.3));
    t.Row("tool --image check < 2x report", Format("%.2fx", checkNs / toolNs), Verdict(checkNs / toolNs, 2));
    t.Row("report sweep median < 2 ms", Time(sweep), Verdict(sweep, 2e6));
    t.Row("import peak memory < 3x the file", Format("%.2fx", importRatio), Verdict(importRatio, 3));
    t.Row("export peak memory < 3x the file", Format("%.2fx", exportRatio), Verdict(exportRatio, 3));
    t.Row("open: 100,000 vs 10 subkeys <= log ratio 5", Format("%.2fx", fanRatio), Verdict(fanRatio, 5));
    t.Row("simulation >= 10x faster than regedit (one CPU)", Format("%.1fx", regedit / importNs),
          Verdict(regedit / importNs, 10, false) +
              Format("; net of regedit's start-up %.1fx", (regedit - regeditStart) / importNs));
    std::fflush(stderr);
    t.Print();
    return 0;
}
