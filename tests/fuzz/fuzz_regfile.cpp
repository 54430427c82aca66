// The .reg reader on any bytes, in code page 932. A file that parses is written back
// in both forms; the REGEDIT4 form must read back to the very same keys and values,
// since that form promises to keep every byte.
#include <string_view>
#include <tuple>
#include <vector>

#include "fuzz_support.h"
#include "tools/winsim/formats/regfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const sim::CodePage cp(932);
    std::vector<sim::RegFileOp> ops, expected, again;
    std::string error;
    if (!sim::ParseRegFile(std::string_view(reinterpret_cast<const char*>(data), size), cp, &ops, &error)) {
        fuzz::Check(ops.empty(), "a refused file left steps behind");
        fuzz::Check(error.rfind("line ", 0) == 0, "a refusal that names no line", error);
        return 0;
    }
    fuzz::Check(error.empty(), "an accepted file with an error message", error);

    // The keys and values that the steps create, one key per [key] line in file order
    // (deletions have no written form and are left out).
    std::vector<sim::RegFileKey> keys;
    for (const auto& op : ops) {
        if (op.kind == sim::RegFileOp::kAddKey) keys.push_back({op.key, {}});
        if (op.kind != sim::RegFileOp::kSetValue) continue;
        fuzz::Check(!keys.empty() && keys.back().path == op.key, "a value step outside the key before it", op.key);
        keys.back().values.push_back({op.valueName, op.type, op.data});
    }
    for (const auto& op : ops)
        if (op.kind == sim::RegFileOp::kAddKey || op.kind == sim::RegFileOp::kSetValue) expected.push_back(op);

    const std::optional<std::string> written = sim::WriteRegFile4(keys, cp, &error);
    fuzz::Check(written.has_value(), "WriteRegFile4 refused what ParseRegFile read", error);
    fuzz::Check(sim::ParseRegFile(*written, cp, &again, &error), "WriteRegFile4 wrote a file that ParseRegFile refuses",
                error);
    fuzz::Check(again.size() == expected.size(), "REGEDIT4 round trip: a different number of steps");
    auto fields = [](const sim::RegFileOp& op) { return std::tie(op.kind, op.key, op.valueName, op.type, op.data); };
    for (size_t i = 0; i < again.size(); ++i)
        fuzz::Check(fields(again[i]) == fields(expected[i]), "REGEDIT4 round trip changed a step",
                    "step " + std::to_string(i) + " of key " + expected[i].key + " value " + expected[i].valueName);

    // The version 5 form may refuse texts that do not convert (as documented); its exact round
    // trip is fuzz_regfile_plan's, and here it runs for the faults that sanitizers see.
    sim::WriteRegFile5(keys, cp, &error);
    return 0;
}
