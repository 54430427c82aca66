// The tool's "call" command (see call.h). How each export is called comes from the
// one table of exports (src/frame/export_table.txt), as the build writes it.
#include "call.h"

#include <algorithm>
#include <cstring>

#include "frame/export_names.h"
#include "tools/winsim/changes/change_text.h"
#include "port/os.h"

namespace {

using frame::Shape;

constexpr size_t kPathBuffer = 261;
constexpr size_t kListBuffer = 4096;  // more than all six groups' texts together

size_t ArgumentCount(const char* arguments) {
    return *arguments ? static_cast<size_t>(std::count(arguments, arguments + std::strlen(arguments), ' ')) + 1 : 0;
}

// The call's arguments: numbers for every shape but the suite's, whose one argument
// is an application's name in the machine's code page.
struct Arguments {
    long long n[3] = {0, 0, 0};
    std::string text;
    unsigned int u(int i) const { return static_cast<unsigned int>(n[i]); }
    int s(int i) const { return static_cast<int>(n[i]); }
};

bool ReadArguments(const Session& session, const frame::ExportName& e, const std::vector<std::string>& args,
                   Arguments* out, std::string* error) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (e.shape == Shape::kSuiteInfo) {
            if (!session.FromUtf8(args[i], &out->text)) {
                *error = "the text " + args[i] + " does not fit the machine's code page";
                return false;
            }
        } else {
            // AppIds and masks are unsigned; states are signed.
            const bool isSigned = e.shape == Shape::kSetState || i >= 1;
            if (!ParseNumber(args[i], isSigned, &out->n[i], error)) return false;
        }
    }
    return true;
}

// Calls the export and writes its members of the JSON line.
void Call(const Session& session, const frame::ExportName& e, void* fn, const Arguments& a, std::string* json) {
    auto result = [&](long long value) { *json += ",\"result\":" + std::to_string(value); };
    auto text = [&](const char* t) { *json += ",\"text\":" + os::JsonString(session.ToUtf8(t)); };
    // Text getters: a call with a null buffer for the length, then one with length + 1
    // bytes (paths: at least 260), as the product's programs call them.
    auto twoCalls = [&](auto call, bool path) {
        LONG length = call(nullptr);
        if (length < 1) return result(length);
        std::vector<char> buffer(std::max<size_t>(static_cast<size_t>(length) + 1, path ? kPathBuffer : 0), '\0');
        result(call(buffer.data()));
        text(buffer.data());
    };
    switch (e.shape) {
        case Shape::kText:
        case Shape::kPath:
            return twoCalls(reinterpret_cast<LONG (*)(char*)>(fn), e.shape == Shape::kPath);
        case Shape::kAppText:
        case Shape::kAppPath: {
            auto call = reinterpret_cast<LONG (*)(unsigned int, char*)>(fn);
            return twoCalls([&](char* b) { return call(a.u(0), b); }, e.shape == Shape::kAppPath);
        }
        case Shape::kState:
            return result(reinterpret_cast<int (*)()>(fn)());
        case Shape::kAppState:
            return result(reinterpret_cast<int (*)(unsigned int)>(fn)(a.u(0)));
        case Shape::kSetState:
            return result(reinterpret_cast<int (*)(int)>(fn)(a.s(0)));
        case Shape::kSetAppState:
            return result(reinterpret_cast<int (*)(unsigned int, int)>(fn)(a.u(0), a.s(1)));
        case Shape::kUpdate:
            return reinterpret_cast<void (*)(unsigned int, int, int)>(fn)(a.u(0), a.s(1), a.s(2));
        case Shape::kList: {
            std::vector<char> buffer(kListBuffer, '\0');
            result(reinterpret_cast<LONG (*)(unsigned int, char*)>(fn)(a.u(0), buffer.data()));
            return text(buffer.data());
        }
        case Shape::kSuiteInfo: {
            std::vector<char> application(a.text.begin(), a.text.end());
            application.push_back('\0');
            std::vector<char> name(kPathBuffer, '\0'), path(kPathBuffer, '\0'), key(kPathBuffer, '\0');
            reinterpret_cast<void (*)(char*, char*, char*, char*)>(fn)(application.data(), name.data(), path.data(),
                                                                       key.data());
            *json += ",\"outputs\":{\"name\":" + os::JsonString(session.ToUtf8(name.data())) +
                     ",\"path\":" + os::JsonString(session.ToUtf8(path.data())) +
                     ",\"key\":" + os::JsonString(session.ToUtf8(key.data())) + "}";
            return;
        }
    }
}

}  // namespace

std::string ExportNameList() {
    std::string list;
    for (const auto& e : frame::kExportNames) list += (list.empty() ? "" : ", ") + std::string(e.name);
    return list;
}

CommandResult CallCommand(Session& session, const std::vector<std::string>& args, bool withChanges) {
    if (args.empty())
        return CommandResult::Fail(kExitUsage, "usage: zentho-appapi call EXPORT [ARG...] (help call lists the exports)");
    const frame::ExportName* e = nullptr;
    std::vector<std::string> names;
    for (const auto& candidate : frame::kExportNames) {
        if (args[0] == candidate.name) e = &candidate;
        names.push_back(candidate.name);
    }
    if (!e) {
        const std::string unknown = UnknownName("export", args[0], names, 2);
        return CommandResult::Fail(kExitUsage, unknown + (unknown.find("; did") == std::string::npos ? " (see help call)" : ""));
    }
    const std::string usage = std::string("usage: zentho-appapi call ") + e->name + (*e->arguments ? " " : "") +
                              e->arguments;
    const std::vector<std::string> values(args.begin() + 1, args.end());
    if (values.size() != ArgumentCount(e->arguments)) return CommandResult::Fail(kExitUsage, usage);
    Arguments arguments;
    std::string why;
    if (!ReadArguments(session, *e, values, &arguments, &why))
        return CommandResult::Fail(kExitUsage, why + " (" + usage.substr(std::strlen("usage: zentho-appapi ")) + ")");
    void* fn = session.Export(e->ordinal);
    if (!fn) return CommandResult::Fail(kExitUsage, std::string("the library does not export ") + e->name);

    std::string json = std::string("{\"export\":\"") + e->name + "\"";
    session.BeginChanges();
    Call(session, *e, fn, arguments, &json);
    if (withChanges) {
        os::ChangeList changes;
        if (!session.TakeChanges(&changes, &why)) return CommandResult::Fail(kExitUsage, "--changes: " + why);
        json += ",\"changes\":[";
        for (size_t i = 0; i < changes.size(); ++i)
            json += (i ? "," : "") + os::ChangeJson(changes[i], [&](const std::string& t) { return session.ToUtf8(t); });
        json += "]";
    }
    CommandResult r;
    r.output = json + "}\n";
    return r;
}
