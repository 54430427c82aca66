// The tool's "call" command (see command_line.h).
#include "command_line.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "frame/export_names.h"
#include "json.h"
#include "platform/os/os.h"

namespace {

// How each export is called: its parameters and result, as its decorated name says.
enum class Shape {
    kText,         // LONG (char*)
    kPath,         // LONG (char*), a path: at least 260 bytes in the second call
    kState,        // int ()
    kAppText,      // LONG (unsigned, char*)
    kAppPath,      // LONG (unsigned, char*), a path
    kAppState,     // int (unsigned)
    kSuiteInfo,    // void (char*, char*, char*, char*)
    kList,         // LONG (unsigned, char*), always 0: one call with a large buffer
    kSetState,     // int (int)
    kSetAppState,  // int (unsigned, int)
    kUpdate,       // void (unsigned, int, int)
};

struct ExportShape {
    const char* name;
    Shape shape;
    const char* arguments;  // for the usage message
};

constexpr ExportShape kShapes[] = {
    {"GetDefaultBrowser", Shape::kText, ""},
    {"GetDefaultBrowserPath", Shape::kPath, ""},
    {"GetDefaultBrowserState", Shape::kState, ""},
    {"GetDefaultMailer", Shape::kText, ""},
    {"GetDefaultMailerPath", Shape::kPath, ""},
    {"GetDefaultMailerState", Shape::kState, ""},
    {"GetLatestApplicationName", Shape::kAppText, " APPID"},
    {"GetLatestApplicationPath", Shape::kAppPath, " APPID"},
    {"GetLatestApplicationState", Shape::kAppState, " APPID"},
    {"GetLatestSarvinTessalineAppInfo", Shape::kSuiteInfo, " APPLICATION"},
    {"GetSupportedApplications", Shape::kList, " GROUPMASK"},
    {"SetDefaultBrowserState", Shape::kSetState, " STATE"},
    {"SetDefaultMailerState", Shape::kSetState, " STATE"},
    {"SetLatestApplicationState", Shape::kSetAppState, " APPID STATE"},
    {"UpdateApplTransSettings", Shape::kUpdate, " APPID ON PREVIOUS-STATE"},
};

constexpr size_t kPathBuffer = 261;
constexpr size_t kListBuffer = 4096;  // more than all six groups' texts together

size_t ArgumentCount(Shape shape) {
    switch (shape) {
        case Shape::kAppText:
        case Shape::kAppPath:
        case Shape::kAppState:
        case Shape::kSuiteInfo:
        case Shape::kList:
        case Shape::kSetState:
            return 1;
        case Shape::kSetAppState:
            return 2;
        case Shape::kUpdate:
            return 3;
        default:
            return 0;
    }
}

// Decimal (with a sign) or 0x-hexadecimal, within 32 bits.
bool ParseNumber(const std::string& text, bool isSigned, long long* out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    long long value =
        hex ? static_cast<long long>(std::strtoull(text.c_str() + 2, &end, 16)) : std::strtoll(text.c_str(), &end, 10);
    if (errno || *end || (hex && text.size() == 2)) return false;
    if (hex ? value > 0xFFFFFFFFLL
            : (isSigned ? (value < INT_MIN || value > INT_MAX) : (value < INT_MIN || value > UINT_MAX)))
        return false;
    *out = value;
    return true;
}

std::string ChangeJson(const Session& session, const os::Change& c) {
    auto text = [&](const std::string& ansi) { return JsonString(session.ToUtf8(ansi)); };
    switch (c.kind) {
        case os::Change::kKeyCreated:
            return "{\"op\":\"create-key\",\"key\":" + text(c.path) + "}";
        case os::Change::kKeyDeleted:
            return "{\"op\":\"delete-key\",\"key\":" + text(c.path) + "}";
        case os::Change::kValueDeleted:
            return "{\"op\":\"delete-value\",\"key\":" + text(c.path) + ",\"name\":" + text(c.name) + "}";
        case os::Change::kFileCopied:
            return "{\"op\":\"copy-file\",\"from\":" + text(c.detail) + ",\"to\":" + text(c.path) + "}";
        case os::Change::kFileDeleted:
            return "{\"op\":\"delete-file\",\"path\":" + text(c.path) + "}";
        case os::Change::kFolderCreated:
            return "{\"op\":\"create-folder\",\"path\":" + text(c.path) + "}";
        case os::Change::kProgramStarted:
            return "{\"op\":\"start-program\",\"path\":" + text(c.path) + ",\"parameters\":" + text(c.detail) + "}";
        case os::Change::kMessageSent:
            return "{\"op\":\"send-message\",\"message\":" + text(c.detail) + ",\"class\":" + text(c.path) +
                   ",\"title\":" + text(c.name) + "}";
        case os::Change::kValueSet:
            break;
    }
    std::string data;
    const char* type = "REG_BINARY";
    if ((c.type == REG_SZ || c.type == REG_EXPAND_SZ) && !c.data.empty() && c.data.back() == 0 &&
        c.data.find('\0') == c.data.size() - 1) {
        type = c.type == REG_SZ ? "REG_SZ" : "REG_EXPAND_SZ";
        data = text(c.data.substr(0, c.data.size() - 1));
    } else if (c.type == REG_DWORD && c.data.size() == 4) {
        type = "REG_DWORD";
        uint32_t value;
        std::memcpy(&value, c.data.data(), 4);
        data = std::to_string(value);
    } else {
        char hex[4];
        data = "\"";
        for (size_t i = 0; i < c.data.size(); ++i) {
            std::snprintf(hex, sizeof hex, "%s%02x", i ? "," : "", static_cast<unsigned char>(c.data[i]));
            data += hex;
        }
        data += "\"";
        if (c.type != REG_BINARY) type = nullptr;
    }
    std::string typeText = type ? JsonString(type) : std::to_string(c.type);
    return "{\"op\":\"set-value\",\"key\":" + text(c.path) + ",\"name\":" + text(c.name) + ",\"type\":" + typeText +
           ",\"data\":" + data + "}";
}

}  // namespace

std::string ExportNameList() {
    std::string list;
    for (const auto& shape : kShapes) list += (list.empty() ? "" : ", ") + std::string(shape.name);
    return list;
}

std::string ChangesJson(const Session& session, const os::ChangeList& changes) {
    std::string out = "[";
    for (size_t i = 0; i < changes.size(); ++i) out += (i ? "," : "") + ChangeJson(session, changes[i]);
    return out + "]";
}

CommandResult CallCommand(Session& session, const std::vector<std::string>& args, bool withChanges) {
    CommandResult r;
    if (args.empty()) {
        r.status = 2;
        r.error = "usage: zentho-appapi call EXPORT [ARG...]; the exports are: " + ExportNameList();
        return r;
    }
    int ordinal = 0;
    for (const auto& name : frame::kExportNames)
        if (args[0] == name.name) ordinal = name.ordinal;
    if (!ordinal) {
        r.status = 2;
        r.error = "unknown export " + args[0] + "; the exports are: " + ExportNameList();
        return r;
    }
    const ExportShape& shape = kShapes[ordinal - 1];
    std::string usage = std::string("usage: zentho-appapi call ") + shape.name + shape.arguments;
    if (args.size() - 1 != ArgumentCount(shape.shape)) {
        r.status = 2;
        r.error = usage;
        return r;
    }
    // Numbers first: AppIds and masks unsigned, states signed.
    long long n[3] = {0, 0, 0};
    std::string inputText;
    for (size_t i = 1; i < args.size(); ++i) {
        bool isSigned = (shape.shape == Shape::kSetState) || (i >= 2);
        if (shape.shape == Shape::kSuiteInfo) {
            if (!session.FromUtf8(args[i], &inputText)) {
                r.status = 2;
                r.error = "the text " + args[i] + " does not fit the machine's code page";
                return r;
            }
        } else if (!ParseNumber(args[i], isSigned, &n[i - 1])) {
            r.status = 2;
            r.error = usage + " (numbers are decimal or 0x-hexadecimal, 32 bits)";
            return r;
        }
    }
    void* fn = session.Export(ordinal);
    if (!fn) {
        r.status = 2;
        r.error = std::string("the library does not export ") + shape.name;
        return r;
    }

    auto u = [&](int i) { return static_cast<unsigned int>(n[i]); };
    auto s = [&](int i) { return static_cast<int>(n[i]); };
    std::string json = std::string("{\"export\":\"") + shape.name + "\"";
    auto addResult = [&](long long value) { json += ",\"result\":" + std::to_string(value); };
    auto addText = [&](const char* text) { json += ",\"text\":" + JsonString(session.ToUtf8(text)); };
    session.BeginChanges();
    // Text getters: a call with a null buffer for the length, then one with length + 1
    // bytes (paths: at least 260), as the product's programs call them.
    auto twoCalls = [&](auto call, bool path) {
        LONG length = call(nullptr);
        if (length < 1) {
            addResult(length);
            return;
        }
        std::vector<char> buffer(std::max<size_t>(static_cast<size_t>(length) + 1, path ? kPathBuffer : 0), '\0');
        addResult(call(buffer.data()));
        addText(buffer.data());
    };
    switch (shape.shape) {
        case Shape::kText:
        case Shape::kPath:
            twoCalls(reinterpret_cast<LONG (*)(char*)>(fn), shape.shape == Shape::kPath);
            break;
        case Shape::kAppText:
        case Shape::kAppPath: {
            auto call = reinterpret_cast<LONG (*)(unsigned int, char*)>(fn);
            twoCalls([&](char* b) { return call(u(0), b); }, shape.shape == Shape::kAppPath);
            break;
        }
        case Shape::kState:
            addResult(reinterpret_cast<int (*)()>(fn)());
            break;
        case Shape::kAppState:
            addResult(reinterpret_cast<int (*)(unsigned int)>(fn)(u(0)));
            break;
        case Shape::kSetState:
            addResult(reinterpret_cast<int (*)(int)>(fn)(s(0)));
            break;
        case Shape::kSetAppState:
            addResult(reinterpret_cast<int (*)(unsigned int, int)>(fn)(u(0), s(1)));
            break;
        case Shape::kUpdate:
            reinterpret_cast<void (*)(unsigned int, int, int)>(fn)(u(0), s(1), s(2));
            break;
        case Shape::kList: {
            std::vector<char> buffer(kListBuffer, '\0');
            addResult(reinterpret_cast<LONG (*)(unsigned int, char*)>(fn)(u(0), buffer.data()));
            addText(buffer.data());
            break;
        }
        case Shape::kSuiteInfo: {
            std::vector<char> application(inputText.begin(), inputText.end());
            application.push_back('\0');
            std::vector<char> outputs[3] = {std::vector<char>(kPathBuffer, '\0'), std::vector<char>(kPathBuffer, '\0'),
                                            std::vector<char>(kPathBuffer, '\0')};
            reinterpret_cast<void (*)(char*, char*, char*, char*)>(fn)(application.data(), outputs[0].data(),
                                                                       outputs[1].data(), outputs[2].data());
            json += ",\"outputs\":[";
            for (int i = 0; i < 3; ++i) json += (i ? "," : "") + JsonString(session.ToUtf8(outputs[i].data()));
            json += "]";
            break;
        }
    }
    if (withChanges) {
        os::ChangeList changes;
        std::string why;
        if (!session.TakeChanges(&changes, &why)) {
            r.status = 2;
            r.error = "--changes: " + why;
            return r;
        }
        json += ",\"changes\":" + ChangesJson(session, changes);
    }
    r.output = json + "}\n";
    return r;
}
