// The tool's "report" (see report.h).
#include "report.h"

#include <cstdio>
#include <vector>

#include "catalogue/catalogue.h"
#include "json.h"

namespace {

struct Row {
    std::string appId, group, application, name, path, state;
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

// Columns on a terminal: Japanese characters take two cells.
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

std::string Pad(const std::string& text, size_t width) {
    size_t cells = Cells(text);
    return text + std::string(width > cells ? width - cells : 0, ' ');
}

std::vector<Row> Rows(const Library& library) {
    std::vector<Row> rows;
    for (const auto& app : catalogue::kApplications) {
        Row row{Hex(app.id), GroupOf(app.id), app.description, library.Name(app.id), library.Path(app.id), ""};
        if (row.name.empty()) {
            row.name = "not installed";
        } else {
            row.state = library.State(app.id) ? "on" : "off";
        }
        rows.push_back(row);
    }
    return rows;
}

std::string DefaultLine(const char* what, const std::string& name, const std::string& path, int state) {
    if (name.empty()) return std::string(what) + "not recognised\n";
    return std::string(what) + name + "  " + path + "  integration " + (state ? "on" : "off") + "\n";
}

}  // namespace

std::string ReportText(const Library& library) {
    std::vector<Row> rows = Rows(library);
    rows.insert(rows.begin(), Row{"AppId", "Group", "Application", "Installed as", "Program", "Integration"});
    size_t widths[5] = {};
    for (const auto& r : rows) {
        const std::string* cells[] = {&r.appId, &r.group, &r.application, &r.name, &r.path};
        for (int i = 0; i < 5; ++i) widths[i] = std::max(widths[i], Cells(*cells[i]));
    }
    std::string out;
    for (const auto& r : rows) {
        std::string line = Pad(r.appId, widths[0]) + "  " + Pad(r.group, widths[1]) + "  " +
                           Pad(r.application, widths[2]) + "  " + Pad(r.name, widths[3]) + "  " +
                           Pad(r.path, widths[4]) + "  " + r.state;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    out += "\n";
    out += DefaultLine("Default browser: ", library.DefaultBrowser(), library.DefaultBrowserPath(),
                       library.DefaultBrowserState());
    out += DefaultLine("Default mailer:  ", library.DefaultMailer(), library.DefaultMailerPath(),
                       library.DefaultMailerState());
    return out;
}

std::string ReportJson(const Library& library) {
    std::string out = "{\"applications\":[";
    bool first = true;
    for (const auto& app : catalogue::kApplications) {
        std::string name = library.Name(app.id);
        out += first ? "" : ",";
        first = false;
        out += "{\"appId\":" + JsonString(Hex(app.id)) + ",\"group\":" + JsonString(GroupOf(app.id)) +
               ",\"application\":" + JsonString(app.description) +
               ",\"installed\":" + (name.empty() ? "false" : "true");
        if (!name.empty())
            out += ",\"name\":" + JsonString(name) + ",\"path\":" + JsonString(library.Path(app.id)) +
                   ",\"state\":" + std::to_string(library.State(app.id));
        out += "}";
    }
    out += "]";
    auto defaultProgram = [&](const char* key, const std::string& name, const std::string& path, int state) {
        out += std::string(",\"") + key + "\":";
        if (name.empty()) {
            out += "null";
            return;
        }
        out += "{\"name\":" + JsonString(name) + ",\"path\":" + JsonString(path) +
               ",\"state\":" + std::to_string(state) + "}";
    };
    defaultProgram("defaultBrowser", library.DefaultBrowser(), library.DefaultBrowserPath(),
                   library.DefaultBrowserState());
    defaultProgram("defaultMailer", library.DefaultMailer(), library.DefaultMailerPath(), library.DefaultMailerState());
    return out + "}\n";
}
