// Every registry value the exports read on the sample machine, replaced in turn by a
// hostile form (missing, of another type, empty, too long for the 260-byte buffers,
// without its NUL, ending in half a double-byte character, expanding past 260 bytes,
// a lone quote), and every call that reads it run again: nothing may be held after a
// call, no text may pass its buffer, and every result must be one the export gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

#include "sample_world.h"

namespace {

using reliability::Call;

struct Variant {
    const char* name;
    DWORD type;         // 0: the value is removed
    std::string bytes;  // as stored
    bool forText;       // tried on text values (else on numbers)
};

std::string WithNul(std::string text) { return text + '\0'; }

// %ZT_LONG% is set to 300 bytes on the machine under test.
const std::string kLongVariable(300, 'y');

const Variant kVariants[] = {
    {"missing", 0, "", true},
    {"a number", REG_DWORD, std::string("\x01\0\0\0", 4), true},
    {"empty", REG_SZ, "", true},
    {"a lone NUL", REG_SZ, WithNul(""), true},
    {"259 bytes", REG_SZ, WithNul(std::string(259, 'x')), true},
    {"260 bytes", REG_SZ, WithNul(std::string(260, 'x')), true},
    {"261 bytes", REG_SZ, WithNul(std::string(261, 'x')), true},
    {"4096 bytes", REG_SZ, WithNul(std::string(4096, 'x')), true},
    {"no NUL", REG_SZ, "C:\\Program Files\\x.exe", true},
    {"a lone lead byte at the end", REG_SZ, WithNul("C:\\Program Files\\\x82"), true},
    {"%VAR% past 260 bytes", REG_SZ, WithNul("%ZT_LONG%\\x.exe"), true},
    {"%VAR% past 260 bytes, expandable", REG_EXPAND_SZ, WithNul("%ZT_LONG%\\x.exe"), true},
    {"a lone quote", REG_SZ, WithNul("\""), true},
    {"missing", 0, "", false},
    {"text", REG_SZ, WithNul("1"), false},
    {"two bytes", REG_DWORD, std::string("\x01\0", 2), false},
    {"no bytes", REG_DWORD, "", false},
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// Why a result is not one the export gives, or "".
std::string Judge(const Call& call, const reliability::Result& got) {
    std::string protocol = reliability::ProtocolFault(got);
    if (!protocol.empty()) return protocol;
    auto said = [&] { return "result " + std::to_string(got.value) + " \"" + got.text + "\""; };
    switch (call.kind) {
        case Call::kText:
        case Call::kPath:
            if (got.value < -4 || got.value == 0) return said();
            if (got.value > 0 && got.text.size() > 260)
                return "a text of " + std::to_string(got.text.size()) + " bytes";
            break;
        case Call::kState:
        case Call::kSetState:
            if (got.value != 0 && got.value != 1) return said();
            break;
        case Call::kList:
            if (got.value != 0) return said();
            break;
        case Call::kSuite:
            break;  // each field is held to its 261 bytes by the protocol check
    }
    return "";
}

TEST(HostileRegistry, EveryValueReadSurvivesEveryHostileForm) {
    reliability::SampleFolder folder;
    const std::vector<Call> calls = reliability::AllCalls();

    // Which calls read which values (key path and name as read, the first spelling kept).
    struct Readers {
        std::string key, name;
        DWORD type = REG_NONE;  // as stored on the sample machine, REG_NONE when missing
        std::vector<size_t> calls;
    };
    std::map<std::pair<std::string, std::string>, Readers> values;
    std::unique_ptr<sim::Machine> reader = folder.Load(false);
    ASSERT_TRUE(reader);
    for (size_t i = 0; i < calls.size(); ++i) {
        std::unique_ptr<sim::Machine> writer = calls[i].writes ? folder.Load(true) : nullptr;
        sim::Machine* machine = writer ? writer.get() : reader.get();
        std::vector<std::pair<std::string, std::string>> reads;
        machine->registry().RecordReads(&reads);
        sim::Machine::Use(machine);
        calls[i].run();
        sim::Machine::Use(nullptr);
        machine->registry().RecordReads(nullptr);
        for (const auto& [key, name] : reads) {
            Readers& r = values[{Lower(key), Lower(name)}];
            if (r.key.empty()) {
                r.key = key;
                r.name = name;
                sim::RegKey* stored = reader->registry().FindKey(key);
                const sim::RegValue* value =
                    stored ? sim::Registry::FindValue(stored, name, reader->codePage()) : nullptr;
                if (value) r.type = value->type;
            }
            if (r.calls.empty() || r.calls.back() != i) r.calls.push_back(i);
        }
    }
    ASSERT_GT(values.size(), 20u) << "the calls read the sample machine's registry";

    size_t tried = 0, runs = 0;
    for (const auto& [id, readers] : values) {
        // Numbers get the number forms; texts, and values the machine lacks, the text forms.
        const bool number = readers.type == REG_DWORD;
        for (const Variant& variant : kVariants) {
            if (variant.forText == number) continue;
            std::unique_ptr<sim::Machine> machine = folder.Load(true);
            ASSERT_TRUE(machine);
            machine->SetEnv("ZT_LONG", kLongVariable);
            sim::RegKey* key = machine->registry().EnsureKey(readers.key);
            ASSERT_TRUE(key) << readers.key;
            if (variant.type)
                machine->registry().PutValue(key, readers.name, variant.type, variant.bytes);
            else
                machine->registry().RemoveValue(key, readers.name);
            ++tried;
            for (size_t i : readers.calls) {
                const Call& call = calls[i];
                sim::Machine::Use(machine.get());
                const reliability::Result got = call.run();
                sim::Machine::Use(nullptr);
                ++runs;
                const std::string where =
                    call.name + " with " + readers.key + " \"" + readers.name + "\" " + variant.name;
                EXPECT_EQ(Judge(call, got), "") << where;
                EXPECT_EQ(machine->OpenHandleCount(), 0u) << where << ": handles left open";
                EXPECT_EQ(machine->LiveBlocks(), 0u) << where << ": heap blocks left allocated";
                EXPECT_EQ(machine->relativePaths(), std::vector<std::string>{}) << where;
            }
        }
    }
    std::printf("hostile registry: %zu values read, %zu forms tried, %zu calls run\n", values.size(), tried, runs);
}

}  // namespace
