// The tool's "report" (see report.h): the text and the JSON are made from the same
// facts, row by row.
#include "report.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "catalogue/catalogue.h"
#include "text_layout.h"
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

std::string DefaultLine(const char* what, const Facts& f, bool twoLines) {
    if (!f.name.found()) return std::string(what) + "not recognised: " + Missing(f.name) + "\n";
    const std::string program = f.path.found() ? Visible(f.path.text) : Missing(f.path);
    const std::string state = std::string("integration ") + (f.state ? "on" : "off");
    if (twoLines)
        return std::string(what) + Visible(f.name.text) + "  " + state + "\n" + std::string(Cells(what), ' ') + program +
               "\n";
    return std::string(what) + Visible(f.name.text) + "  " + program + "  " + state + "\n";
}

// Rows of columns, each as wide as its widest cell, two blanks apart, no blanks at the end; a
// row of one cell is a heading, outside the columns; `under` a line below a row, indented past
// its first column.
std::string Table(const std::vector<std::vector<std::string>>& rows, const std::vector<std::string>& under) {
    std::vector<size_t> widths(rows.empty() ? 0 : rows[0].size());
    for (const auto& row : rows)
        for (size_t i = 0; row.size() > 1 && i < row.size(); ++i) widths[i] = std::max(widths[i], Cells(row[i]));
    std::string out;
    for (size_t r = 0; r < rows.size(); ++r) {
        std::string line;
        for (size_t i = 0; i < rows[r].size(); ++i)
            line += rows[r][i] + (i + 1 < rows[r].size() ? std::string(widths[i] - Cells(rows[r][i]) + 2, ' ') : "");
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
        if (r < under.size() && !under[r].empty()) out += std::string(widths[0] + 2, ' ') + under[r] + "\n";
    }
    return out;
}

size_t Widest(const std::string& text) {
    size_t widest = 0;
    for (size_t from = 0, end; from < text.size(); from = end + 1) {
        end = std::min(text.find('\n', from), text.size());
        widest = std::max(widest, Cells(text.substr(from, end - from)));
    }
    return widest;
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

std::string ReportText(const Library& library, size_t width) {
    const std::vector<Facts> facts = Applications(library);
    const Facts browser = Default(library, true), mailer = Default(library, false);
    // The widest layout that fits: every fact on the application's line; the program on a line
    // of its own below it; and the group as a heading over its applications. A pipe or a file
    // (width 0) gets the first.
    std::string out;
    for (int layout = 0; layout < 3; ++layout) {
        std::vector<std::vector<std::string>> rows;
        std::vector<std::string> under;
        rows.push_back({"AppId", "Group", "Application", "Installed as", "Program", "Integration"});
        under.push_back("");
        std::string group;
        for (const auto& f : facts) {
            if (layout == 2 && f.group != group) {
                rows.push_back({f.group + ":"});
                under.push_back("");
                group = f.group;
            }
            rows.push_back({f.appId, f.group, f.application, f.name.found() ? Visible(f.name.text) : Missing(f.name),
                            Visible(f.path.text), f.name.found() ? (f.state ? "on" : "off") : ""});
            under.push_back(layout ? rows.back()[4] : "");
        }
        for (auto& row : rows) {
            if (layout && row.size() == 6) row.erase(row.begin() + 4);
            if (layout == 2 && row.size() == 5) row.erase(row.begin() + 1);
        }
        out = Table(rows, under) + "\n" + DefaultLine("Default browser: ", browser, layout) +
              DefaultLine("Default mailer:  ", mailer, layout);
        if (width == 0 || Widest(out) <= width) break;
    }
    return out;
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
