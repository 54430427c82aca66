// The tool's "report" (see report.h): the text and the JSON are made from the same
// facts, row by row.
#include "report.h"

#include <cstdio>
#include <vector>

#include "catalogue/catalogue.h"
#include "tools/winsim/changes/change_text.h"

namespace {

using os::JsonString;
using os::Visible;

// What the library says of one application, or of the default browser or mailer.
struct Facts {
    std::string appId, group, application;
    Answer name, path;
    int state = 0;
};

const char* GroupOf(unsigned int appId) {
    for (const auto& group : catalogue::kGroups)
        if (appId & group.bit) return group.description;
    return "";
}

std::string Hex(unsigned int appId) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x", appId);
    return text;
}

std::vector<Facts> Applications(const Library& library) {
    std::vector<Facts> rows;
    for (const auto& app : catalogue::kApplications) {
        Facts f{Hex(app.id), GroupOf(app.id), app.description, library.Name(app.id), library.Path(app.id), 0};
        if (f.name.found()) f.state = library.State(app.id);
        rows.push_back(f);
    }
    return rows;
}

Facts Default(const Library& library, bool browser) {
    Facts f;
    f.name = library.DefaultName(browser);
    f.path = library.DefaultPath(browser);
    if (f.name.found()) f.state = library.DefaultState(browser);
    return f;
}

// "not installed (-3)": a text the library did not give, with its code.
std::string Missing(const Answer& a) { return std::string(Reason(a.result)) + " (" + std::to_string(a.result) + ")"; }


std::string DefaultLine(const char* what, const Facts& f) {
    if (!f.name.found()) return std::string(what) + "not recognised: " + Missing(f.name) + "\n";
    return std::string(what) + Visible(f.name.text) + "  " + (f.path.found() ? Visible(f.path.text) : Missing(f.path)) +
           "  integration " + (f.state ? "on" : "off") + "\n";
}

// The JSON members of a text the library gave or did not give.
std::string Members(const char* key, const Answer& a) {
    return std::string(",\"") + key + "Result\":" + std::to_string(a.result) +
           (a.found() ? std::string(",\"") + key + "\":" + JsonString(a.text) : "");
}

std::string DefaultJson(const char* key, const Facts& f) {
    return std::string(",\"") + key + "\":{" + Members("name", f.name).substr(1) + Members("path", f.path) +
           (f.name.found() ? ",\"state\":" + std::to_string(f.state) : "") + "}";
}

}  // namespace

size_t Cells(const std::string& utf8) {
    size_t cells = 0;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char b = static_cast<unsigned char>(utf8[i]);
        size_t length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        cells += length == 3 ? 2 : 1;  // the CJK of the product's texts are three-byte sequences
        i += length;
    }
    return cells;
}

std::string ReportText(const Library& library) {
    std::vector<std::vector<std::string>> rows = {
        {"AppId", "Group", "Application", "Installed as", "Program", "Integration"}};
    for (const auto& f : Applications(library))
        rows.push_back({f.appId, f.group, f.application, f.name.found() ? Visible(f.name.text) : Missing(f.name),
                        Visible(f.path.text), f.name.found() ? (f.state ? "on" : "off") : ""});
    size_t widths[6] = {};
    for (const auto& row : rows)
        for (size_t i = 0; i < 6; ++i) widths[i] = std::max(widths[i], Cells(row[i]));
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < 6; ++i) {
            line += row[i];
            if (i < 5) line += std::string(widths[i] - Cells(row[i]) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    return out + "\n" + DefaultLine("Default browser: ", Default(library, true)) +
           DefaultLine("Default mailer:  ", Default(library, false));
}

std::string ReportJson(const Library& library) {
    std::string out = "{\"applications\":[";
    bool first = true;
    for (const auto& f : Applications(library)) {
        out += std::string(first ? "" : ",") + "{\"appId\":" + JsonString(f.appId) + ",\"group\":" +
               JsonString(f.group) + ",\"application\":" + JsonString(f.application) +
               ",\"installed\":" + (f.name.found() ? "true" : "false") + Members("name", f.name) +
               Members("path", f.path) + (f.name.found() ? ",\"state\":" + std::to_string(f.state) : "") + "}";
        first = false;
    }
    return out + "]" + DefaultJson("defaultBrowser", Default(library, true)) +
           DefaultJson("defaultMailer", Default(library, false)) + "}\n";
}
