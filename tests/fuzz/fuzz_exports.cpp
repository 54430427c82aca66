// The whole library over a fuzzed registry: every export as the reliability sweeps
// call it (reliability/sample_world.h), on the bundled sample machine with the input
// laid over its registry.
//
// Each input gets the sample machine loaded anew, its drives put back as shipped (the
// installer writes into them). An input that parses as a REGEDIT4 file (code page
// 932) adds and overrides keys and values; any other input becomes the data of one
// value the library reads first (its first byte picks which value and how it is
// stored), so that garbage reaches the library too. Every call must keep the two-call
// protocol; afterwards the machine must hold no registry or find handle, no heap
// block of the library, and no change by a path relative to the current folder.
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "frame/exports.h"
#include "fuzz_support.h"
#include "tools/winsim/formats/machine_folder.h"
#include "sample_world.h"

namespace {

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

reliability::SampleFolder* g_sample;  // removed at exit
std::vector<reliability::Call> g_reads, g_writes;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static reliability::SampleFolder sample;
    g_sample = &sample;
    for (auto& call : reliability::AllCalls()) (call.writes ? g_writes : g_reads).push_back(std::move(call));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<sim::Machine> loaded = g_sample->Load(true);
    fuzz::Check(loaded != nullptr, "cannot load the sample machine");
    sim::Machine& machine = *loaded;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<sim::RegFileOp> ops;
    std::string error;
    if (sim::ParseRegFile(input, machine.codePage(), &ops, &error))
        sim::ApplyRegFile(machine.registry(), ops);
    else
        PutGarbage(machine, data, size);

    sim::Machine::Use(&machine);
    for (const auto& call : g_reads) {
        const std::string fault = reliability::ProtocolFault(call.run());
        fuzz::Check(fault.empty(), call.name.c_str(), fault);
    }
    // Switching places and removes integrations, which costs file copies: each input
    // runs one setter, or the installer on and off for one application, as its hash picks.
    const size_t choice = std::hash<std::string_view>()(input) % (g_writes.size() + 1);
    if (choice < g_writes.size()) {
        g_writes[choice].run();
    } else {
        const catalogue::AppId id = catalogue::kApplications[size % std::size(catalogue::kApplications)].id;
        UpdateApplTransSettings(id, 1, 0);
        UpdateApplTransSettings(id, 0, 1);
    }
    sim::Machine::Use(nullptr);

    fuzz::CheckNothingHeld(machine);
    fuzz::Check(machine.relativePaths().empty(),
                "a copy, delete or new folder by a path relative to the current folder",
                machine.relativePaths().empty() ? "" : machine.relativePaths()[0]);
    return 0;
}
