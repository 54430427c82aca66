// How a change reads (see change_text.h).
#include "tools/winsim/changes/change_text.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace os {
namespace {

// A change taken apart: its operation, its members in order (for JSON), and its words.
struct Field {
    const char* name;
    std::string value;
    bool raw = false;  // a number or a list written as it is, not as a string
};
struct View {
    const char* op;
    std::vector<Field> fields;
    std::string words;
};

// A value's type and data, as JSON members and as words.
void DescribeValue(const Change& c, const TextConverter& text, View* view) {
    const bool terminatedText = (c.type == REG_SZ || c.type == REG_EXPAND_SZ) && !c.data.empty() &&
                                c.data.back() == 0 && c.data.find('\0') == c.data.size() - 1;
    if (terminatedText) {
        std::string value = text(c.data.substr(0, c.data.size() - 1));
        view->fields.push_back({"type", c.type == REG_SZ ? "REG_SZ" : "REG_EXPAND_SZ"});
        view->fields.push_back({"data", value});
        view->words += QuotedText(value) + (c.type == REG_SZ ? "" : " (REG_EXPAND_SZ)");
        return;
    }
    if (c.type == REG_DWORD && c.data.size() == 4) {
        uint32_t number;
        std::memcpy(&number, c.data.data(), 4);
        view->fields.push_back({"type", "REG_DWORD"});
        view->fields.push_back({"data", std::to_string(number), true});
        view->words += std::to_string(number) + " (REG_DWORD)";
        return;
    }
    std::string hex;
    for (size_t i = 0; i < c.data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%s%02x", i ? "," : "", static_cast<unsigned char>(c.data[i]));
        hex += byte;
    }
    if (c.type == REG_BINARY)
        view->fields.push_back({"type", "REG_BINARY"});
    else
        view->fields.push_back({"type", std::to_string(c.type), true});
    view->fields.push_back({"data", hex});
    view->words += "hex(" + std::to_string(c.type) + "):" + hex;
}

View DescribeDone(const Change& c, const TextConverter& convert);

// An attempt that failed reads as what was not done, and why: "not copied A to B: source
// missing"; in JSON the operation with "failed" and the reason.
View Describe(const Change& c, const TextConverter& convert) {
    View view = DescribeDone(c, convert);
    if (c.failed.empty()) return view;
    const size_t verb = view.words.find(' ');
    std::string done = view.words.substr(0, verb), rest = view.words.substr(verb);
    if (done == "deleted" && rest.rfind(" file ", 0) == 0) rest.erase(0, 5);  // "not deleted X"
    view.words = "not " + done + rest + ": " + c.failed;
    view.fields.push_back({"failed", c.failed});
    return view;
}

View DescribeDone(const Change& c, const TextConverter& convert) {
    const TextConverter text = convert ? convert : [](const std::string& s) { return s; };
    const std::string path = text(c.path), name = text(c.name), detail = text(c.detail);
    const std::string valueName = c.name.empty() ? std::string("(default)") : QuotedText(name);
    switch (c.kind) {
        case Change::kKeyCreated:
            return {"create-key", {{"key", path}}, "created key " + path};
        case Change::kKeyDeleted:
            return {"delete-key", {{"key", path}}, "deleted key " + path};
        case Change::kValueDeleted:
            return {"delete-value", {{"key", path}, {"name", name}}, "deleted value " + path + " " + valueName};
        case Change::kFileCopied:
            return {"copy-file", {{"from", detail}, {"to", path}}, "copied " + detail + " to " + path};
        case Change::kFileDeleted:
            return {"delete-file", {{"path", path}}, "deleted file " + path};
        case Change::kFolderCreated:
            return {"create-folder", {{"path", path}}, "created folder " + path};
        case Change::kProgramStarted:
            return {"start-program",
                    {{"path", path}, {"parameters", detail}},
                    "started " + path + (detail.empty() ? "" : " " + detail)};
        case Change::kMessageSent:
            return {"send-message",
                    {{"message", c.detail}, {"class", path}, {"title", name}},
                    "sent " + c.detail + " to the window " + QuotedText(name) + " (" + path + ")"};
        case Change::kValueSet:
            break;
    }
    View view{"set-value", {{"key", path}, {"name", name}}, "set " + path + " " + valueName + " = "};
    DescribeValue(c, text, &view);
    return view;
}

}  // namespace

std::string ChangeWords(const Change& change, const TextConverter& text) { return Describe(change, text).words; }

std::string ChangeJson(const Change& change, const TextConverter& text) {
    const View view = Describe(change, text);
    std::string json = std::string("{\"op\":\"") + view.op + "\"";
    for (const auto& field : view.fields)
        json += std::string(",\"") + field.name + "\":" + (field.raw ? field.value : JsonString(field.value));
    return json + "}";
}

std::string Visible(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        // C1 controls are U+0080 to U+009F, in UTF-8 0xC2 and a byte 0x80 to 0x9F.
        const bool c1 = c == 0xC2 && i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xE0) == 0x80;
        if (c >= 0x20 && c != 0x7F && !c1) {
            out += static_cast<char>(c);
            continue;
        }
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\x%02x", c1 ? static_cast<unsigned char>(utf8[++i]) : c);
        out += escape;
    }
    return out;
}

std::string QuotedText(const std::string& text) {
    std::string out = "\"";
    for (char c : text) out += c == '\\' || c == '"' ? std::string{'\\', c} : std::string(1, c);
    return out + "\"";
}

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", c);
                    out += escape;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

}  // namespace os
