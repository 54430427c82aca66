// The .reg reader on any bytes, in code page 932. A file that parses is written back
// in both forms; the REGEDIT4 form must read back to the very same keys and values,
// since that form promises to keep every byte.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "platform/os/sim/regfile.h"

namespace {

const sim::CodePage& Cp932() {
    static const sim::CodePage cp(932);
    return cp;
}

// The keys and values that the parsed steps create, one key per [key] line in file
// order (deletions have no written form and are left out).
std::vector<sim::RegFileKey> KeysOf(const std::vector<sim::RegFileOp>& ops) {
    std::vector<sim::RegFileKey> keys;
    for (const auto& op : ops) {
        if (op.kind == sim::RegFileOp::kAddKey) {
            keys.push_back({op.key, {}});
        } else if (op.kind == sim::RegFileOp::kSetValue) {
            fuzz::Check(!keys.empty() && keys.back().path == op.key, "a value step outside the key before it");
            keys.back().values.push_back({op.valueName, op.type, op.data});
        }
    }
    return keys;
}

bool SameStep(const sim::RegFileOp& a, const sim::RegFileOp& b) {
    return a.kind == b.kind && a.key == b.key && a.valueName == b.valueName && a.type == b.type && a.data == b.data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view file(reinterpret_cast<const char*>(data), size);
    std::vector<sim::RegFileOp> ops;
    std::string error;
    if (!sim::ParseRegFile(file, Cp932(), &ops, &error)) {
        fuzz::Check(ops.empty(), "a refused file left steps behind");
        fuzz::Check(error.rfind("line ", 0) == 0, "a refusal that names no line");
        return 0;
    }
    fuzz::Check(error.empty(), "an accepted file with an error message");

    std::vector<sim::RegFileKey> keys = KeysOf(ops);
    std::vector<sim::RegFileOp> expected;
    for (const auto& op : ops)
        if (op.kind == sim::RegFileOp::kAddKey || op.kind == sim::RegFileOp::kSetValue) expected.push_back(op);

    std::string v4 = sim::WriteRegFile4(keys, Cp932());
    std::vector<sim::RegFileOp> again;
    if (!sim::ParseRegFile(v4, Cp932(), &again, &error)) {
        std::fprintf(stderr, "REGEDIT4 output refused: %s\n", error.c_str());
        fuzz::Finding("WriteRegFile4 wrote a file that ParseRegFile refuses");
    }
    fuzz::Check(again.size() == expected.size(), "REGEDIT4 round trip: a different number of steps");
    for (size_t i = 0; i < again.size(); ++i) {
        if (!SameStep(again[i], expected[i])) {
            std::fprintf(stderr, "step %zu of key '%s' value '%s' differs after the round trip\n", i,
                         expected[i].key.c_str(), expected[i].valueName.c_str());
            fuzz::Finding("REGEDIT4 round trip changed a step");
        }
    }

    // The version 5 form may refuse texts that do not convert (as documented); it is
    // written and read only for the faults that sanitizers see.
    std::string v5 = sim::WriteRegFile5(keys, Cp932());
    sim::ParseRegFile(v5, Cp932(), &again, &error);
    return 0;
}
