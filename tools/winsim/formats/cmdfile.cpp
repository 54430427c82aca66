// The file steps of a change list as a batch file (see cmdfile.h).
//
// cmd.exe reads a batch file a line at a time in the console's code page, expands %NAME% and
// %% on every line, and outside double quotes takes & | < > ( ) ^ as its own; inside quotes
// only % is special, and delayed expansion (!NAME!) is switched off here. So every path goes in
// quotes with its % doubled, and parameters keep their quotes, with ^ before cmd's characters
// outside them.
#include "tools/winsim/formats/cmdfile.h"

#include <algorithm>
#include <cstring>

namespace sim {
namespace {

constexpr char kCommandCharacters[] = "&|<>()^";

bool WholeCharacters(const CodePage& cp, const std::string& text) {
    std::string back;
    return cp.FromUtf16(cp.ToUtf16(text), &back) && back == text;
}

// Why a text cannot go into the file exactly, or "".
std::string TextFault(const CodePage& cp, const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F) return "a control character";
    if (!WholeCharacters(cp, text)) return "text that is not whole characters of code page " + std::to_string(cp.id());
    return "";
}

// Why a path cannot be named in the file exactly, or "": besides TextFault, a quote would end
// its quoting, a wildcard would make copy and del name other files, and a path that is not
// absolute would depend on where the file is run.
std::string PathFault(const CodePage& cp, const std::string& path) {
    std::string why = TextFault(cp, path);
    if (!why.empty()) return why;
    for (size_t i = 0; i < path.size(); ++i) {
        if (cp.IsLeadByte(static_cast<unsigned char>(path[i]))) {
            ++i;  // its second byte may be any byte; the character is whole (TextFault)
            continue;
        }
        if (path[i] == '"') return "a double quote";
        if (path[i] == '*' || path[i] == '?') return "a wildcard";
        if (path[i] == '<' || path[i] == '>' || path[i] == '|') return "a character no Windows name holds";
    }
    const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                       path[2] == '\\';
    if (!drive && path.compare(0, 2, "\\\\") != 0) return "a path that is not absolute";
    return "";
}

std::string Percent(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '%' ? "%%" : std::string(1, c);
    return out;
}

std::string Quoted(const std::string& path) { return "\"" + Percent(path) + "\""; }

// A program's parameters as the program is to receive them: their quotes kept, cmd's own
// characters outside quotes escaped. Unbalanced quotes are refused.
bool Parameters(const CodePage& cp, const std::string& text, std::string* out, std::string* why) {
    if ((*why = TextFault(cp, text)) != "") return false;
    bool quoted = false;
    out->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (cp.IsLeadByte(static_cast<unsigned char>(c))) {
            *out += text.substr(i++, 2);
            continue;
        }
        if (c == '"') quoted = !quoted;
        if (!quoted && c != '"' && std::strchr(kCommandCharacters, c)) *out += '^';
        *out += c == '%' ? "%%" : std::string(1, c);
    }
    if (quoted) *why = "an unbalanced double quote";
    return !quoted;
}

}  // namespace

std::optional<std::string> WriteChangesCmd(const os::ChangeList& changes, const CodePage& cp, std::string* error) {
    std::vector<std::string> lines = {
        "@echo off",
        "rem The file steps of a plan of zentho-appapi, in its order: run this after reg import of its .reg.",
        "setlocal EnableExtensions DisableDelayedExpansion",
        "chcp " + std::to_string(cp.id()) + " >nul"};
    // Each step, and the line after it that stops the file when it did not happen: the
    // command's own failure (its errorlevel: Wine's cmd runs what follows || after a copy
    // that succeeded), or a look whether it did.
    size_t steps = 0;
    auto step = [&](const std::string& command, const std::string& unless) {
        ++steps;
        const std::string stop =
            "(echo zentho-appapi plan: the step on line " + std::to_string(lines.size() + 1) + " failed& exit /b 1)";
        lines.push_back(command);
        lines.push_back((unless.empty() ? "if errorlevel 1" : unless) + " " + stop);
    };
    for (const os::Change& change : changes) {
        std::string why, parameters;
        const bool file = change.kind == os::Change::kFileCopied || change.kind == os::Change::kFileDeleted ||
                          change.kind == os::Change::kFolderCreated || change.kind == os::Change::kProgramStarted;
        if (!file || !change.failed.empty()) continue;  // an attempt that failed is no step
        for (const std::string* path : {&change.path, change.kind == os::Change::kFileCopied ? &change.detail : nullptr})
            if (path && why.empty() && !(why = PathFault(cp, *path)).empty()) why = cp.ToUtf8(*path) + ": " + why;
        if (why.empty() && change.kind == os::Change::kProgramStarted && !Parameters(cp, change.detail, &parameters, &why))
            why = "the parameters of " + cp.ToUtf8(change.path) + ": " + why;
        if (!why.empty()) {
            if (error) *error = why + ", which a .cmd file cannot carry exactly";
            return std::nullopt;
        }
        const std::string target = Quoted(change.path), folder = Quoted(change.path + "\\");
        if (change.kind == os::Change::kFileCopied)
            step("copy /Y " + Quoted(change.detail) + " " + target + " >nul", "");
        else if (change.kind == os::Change::kFileDeleted)
            step("if exist " + target + " del /F /Q " + target, "if exist " + target);
        else if (change.kind == os::Change::kFolderCreated)
            step("if not exist " + folder + " mkdir " + target, "if not exist " + folder);
        else
            step("start \"\" " + target + (parameters.empty() ? "" : " " + parameters), "");
    }
    lines.push_back("echo zentho-appapi plan: done, " + std::to_string(steps) + (steps == 1 ? " file step" : " file steps"));
    lines.push_back("exit /b 0");
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

}  // namespace sim
