// Every export over the sample machine with the N-th heap allocation, registry call
// or file operation failing, for every N up to the number the call makes unfaulted.
// Each run must end with nothing held, a result the export documents for failure (or
// the unfaulted one), and only changes that the call makes unfaulted, or on the same
// machine with its disk hidden (a failed look at a folder is a folder not there);
// switching on is never passed to the installer unless "Trans" was written first.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "catalogue/catalogue.h"
#include "install/branches.h"
#include "tools/winsim/changes/change_text.h"
#include "catalogue/product.h"
#include "sample_world.h"

namespace {

using reliability::Call;
using sim::FaultKind;

// In the order of FaultKind.
const char* KindName(FaultKind kind) { return std::array{"heap", "registry", "file", "new"}[static_cast<int>(kind)]; }

struct Outcome {
    reliability::Result result;
    std::vector<std::string> changes;
    size_t operations[sim::kFaultKinds] = {};
};

// The installer's calls, checked against the state store as they happen.
sim::Machine* g_machine = nullptr;
std::vector<std::string>* g_violations = nullptr;

void WatchUpdate(unsigned int appId, int on, int) {
    if (!on || !g_machine || !g_violations) return;
    char path[catalogue::kStateKeyBufferSize];
    catalogue::MakeStateKeyPath(appId, path);
    sim::RegKey* key = g_machine->registry().FindKey(std::string("HKEY_CURRENT_USER\\") + path);
    const sim::RegValue* trans =
        key ? sim::Registry::FindValue(key, product::kTransValue, g_machine->codePage()) : nullptr;
    if (!trans || trans->type != REG_DWORD || trans->data.size() != 4 || trans->data[0] != 1) {
        char text[80];
        std::snprintf(text, sizeof text, "installer switched 0x%x on without \"Trans\" = 1 written", appId);
        g_violations->push_back(text);
    }
}

// A change as Windows reads it: a fallback that finds a folder by another route may
// spell the same file or key in other case or with a doubled separator.
std::string Canonical(const std::string& change) {
    std::string text;
    for (char c : change) {
        if (c == '\\' && !text.empty() && text.back() == '\\') continue;
        text += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return text;
}

Outcome RunOnce(sim::Machine* machine, const Call& call) {
    Outcome outcome;
    size_t before[sim::kFaultKinds], changesBefore = machine->changes().size();
    for (int k = 0; k < sim::kFaultKinds; ++k) before[k] = machine->Operations(static_cast<FaultKind>(k));
    sim::Machine::Use(machine);
    g_machine = machine;
    outcome.result = call.run();
    g_machine = nullptr;
    sim::Machine::Use(nullptr);
    for (int k = 0; k < sim::kFaultKinds; ++k)
        outcome.operations[k] = machine->Operations(static_cast<FaultKind>(k)) - before[k];
    for (size_t i = changesBefore; i < machine->changes().size(); ++i)
        outcome.changes.push_back(Canonical(os::ChangeWords(machine->changes()[i])));
    return outcome;
}

bool Same(const reliability::Result& a, const reliability::Result& b) { return a.value == b.value && a.text == b.text; }

// Why a faulted result is not one the export may give, or "" when it is. A file fault
// may also give what the call gives with the disk hidden (a program that cannot be
// found has no version, and its name shows that).
std::string Judge(const Call& call, FaultKind kind, const Outcome& base, const Outcome& unreadable,
                  const reliability::Result& got) {
    std::string protocol = reliability::ProtocolFault(got);
    if (!protocol.empty()) return protocol;
    if (Same(got, base.result) || (kind == FaultKind::kFile && Same(got, unreadable.result))) return "";
    switch (call.kind) {
        case Call::kText:
        case Call::kPath:
            // Not found, or the negative code the export gives for a broken setting.
            if (got.value < 0 && got.value >= -4) return "";
            break;
        case Call::kList:
            if (got.value == 0 && got.text.empty()) return "";  // the list could not be built
            break;
        case Call::kState:
        case Call::kSetState:
            if (got.value == 0) return "";  // off, or the previous state not readable
            break;
        case Call::kSuite:
            if (reliability::EachFieldEmptyOr(got.text, base.result.text)) return "";
            break;
    }
    return "result " + std::to_string(got.value) + " \"" + got.text + "\", unfaulted " +
           std::to_string(base.result.value) + " \"" + base.result.text + "\"";
}

TEST(FaultSweep, EveryExportSurvivesEveryFailingOperation) {
    reliability::SampleFolder folder;
    std::vector<std::string> violations;
    g_violations = &violations;
    install::SetUpdateObserver(WatchUpdate);

    size_t runs = 0, injected[sim::kFaultKinds] = {};
    std::unique_ptr<sim::Machine> reader = folder.Load(false);
    ASSERT_TRUE(reader);
    const char* only = std::getenv("ZENTHO_SWEEP_ONLY");  // a part of a call's name, to look closer
    for (const Call& call : reliability::AllCalls()) {
        if (only && call.name.find(only) == std::string::npos) continue;
        // Calls that only read share one machine; the others start from a fresh copy.
        auto machineFor = [&]() -> sim::Machine* {
            if (!call.writes) return reader.get();
            static std::unique_ptr<sim::Machine> writer;
            writer = folder.Load(true);
            return writer.get();
        };
        sim::Machine* machine = machineFor();
        ASSERT_TRUE(machine);
        const Outcome base = RunOnce(machine, call);
        ASSERT_EQ(reliability::ProtocolFault(base.result), "") << call.name;
        machine = machineFor();
        machine->HideDisk(true);
        const Outcome unreadable = RunOnce(machine, call);
        machine->HideDisk(false);
        std::set<std::string> allowed(base.changes.begin(), base.changes.end());
        allowed.insert(unreadable.changes.begin(), unreadable.changes.end());

        for (int k = 0; k < sim::kFaultKinds; ++k) {
            const auto kind = static_cast<FaultKind>(k);
            for (size_t nth = 1; nth <= base.operations[k]; ++nth) {
                machine = machineFor();
                ASSERT_TRUE(machine);
                size_t faultsBefore = machine->FaultsInjected();
                machine->InjectFault(kind, nth);
                const Outcome got = RunOnce(machine, call);
                machine->InjectFault(kind, 0);
                ++runs;
                injected[k] += machine->FaultsInjected() - faultsBefore;
                const std::string where = call.name + ", " + KindName(kind) + " operation " + std::to_string(nth);
                EXPECT_EQ(machine->FaultsInjected() - faultsBefore, 1u) << where << ": the fault was not reached";
                EXPECT_EQ(machine->OpenHandleCount(), 0u) << where << ": handles left open";
                EXPECT_EQ(machine->LiveBlocks(), 0u) << where << ": heap blocks left allocated";
                EXPECT_EQ(machine->relativePaths(), std::vector<std::string>{}) << where;
                EXPECT_EQ(Judge(call, kind, base, unreadable, got.result), "") << where;
                for (const auto& change : got.changes)
                    EXPECT_TRUE(allowed.count(change))
                        << where << ": a change made neither unfaulted nor with the disk hidden: " << change;
                for (const auto& v : violations) ADD_FAILURE() << where << ": " << v;
                violations.clear();
            }
        }
    }
    install::SetUpdateObserver(nullptr);
    g_violations = nullptr;
    std::printf("fault sweep: %zu runs; faults injected: heap %zu, new %zu, registry %zu, file %zu\n", runs,
                injected[0], injected[3], injected[1], injected[2]);
    for (int k = 0; k < sim::kFaultKinds; ++k)
        EXPECT_GT(injected[k], 0u) << KindName(static_cast<FaultKind>(k)) << " faults were injected";
}

}  // namespace
