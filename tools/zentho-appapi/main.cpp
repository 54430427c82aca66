// zentho-appapi: shows what ZenthoAppAPILib sees on a machine and calls its exports.
//
//   zentho-appapi [--machine DIR] [--dry-run] [--changes] COMMAND ...
//     report                every supported application and the default programs
//     call EXPORT [ARG...]  one export call, printed as one JSON line
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "command_line.h"
#include "frame/export_names.h"
#include "session.h"

namespace {

constexpr const char kUsage[] =
    "usage: zentho-appapi [--machine DIR] [--dry-run] [--changes] (report | call EXPORT [ARG...])";

int Usage(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 2;
}

int Ordinal(const char* name) {
    for (const auto& e : frame::kExportNames)
        if (std::strcmp(e.name, name) == 0) return e.ordinal;
    return 0;
}

// One text of a getter, by the two-call protocol; "" when it reports nothing.
std::string TwoCallText(Session& session, const char* exportName, bool withAppId, unsigned int appId) {
    void* fn = session.Export(Ordinal(exportName));
    if (!fn) return "";
    auto call = [&](char* buffer) {
        return withAppId ? reinterpret_cast<LONG (*)(unsigned int, char*)>(fn)(appId, buffer)
                         : reinterpret_cast<LONG (*)(char*)>(fn)(buffer);
    };
    LONG length = call(nullptr);
    if (length < 1) return "";
    std::vector<char> buffer(std::max<size_t>(static_cast<size_t>(length) + 1, 261), '\0');
    if (call(buffer.data()) < 1) return "";
    return session.ToUtf8(buffer.data());
}

int StateOf(Session& session, const char* exportName, bool withAppId, unsigned int appId) {
    void* fn = session.Export(Ordinal(exportName));
    if (!fn) return 0;
    return withAppId ? reinterpret_cast<int (*)(unsigned int)>(fn)(appId) : reinterpret_cast<int (*)()>(fn)();
}

std::string Report(Session& session) {
    std::string out;
    char line[64];
    for (const auto& app : catalogue::kApplications) {
        std::string name = TwoCallText(session, "GetLatestApplicationName", true, app.id);
        std::string path = TwoCallText(session, "GetLatestApplicationPath", true, app.id);
        int state = StateOf(session, "GetLatestApplicationState", true, app.id);
        std::snprintf(line, sizeof line, "0x%04x  %-26s ", app.id, app.description);
        out += line;
        out += name.empty() ? "not installed" : name + "  " + path + "  " + (state ? "on" : "off");
        out += "\n";
    }
    auto defaultLine = [&](const char* what, const char* nameExport, const char* pathExport, const char* stateExport) {
        std::string name = TwoCallText(session, nameExport, false, 0);
        std::string path = TwoCallText(session, pathExport, false, 0);
        out += std::string(what) +
               (name.empty() ? "not recognised"
                             : name + "  " + path + "  " + (StateOf(session, stateExport, false, 0) ? "on" : "off"));
        out += "\n";
    };
    defaultLine("default browser: ", "GetDefaultBrowser", "GetDefaultBrowserPath", "GetDefaultBrowserState");
    defaultLine("default mailer:  ", "GetDefaultMailer", "GetDefaultMailerPath", "GetDefaultMailerState");
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    SessionOptions options;
    bool withChanges = false;
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        std::string option = argv[i];
        if (option == "--machine" && i + 1 < argc)
            options.machine = argv[++i];
        else if (option == "--dry-run")
            options.dryRun = true;
        else if (option == "--changes")
            withChanges = true;
        else if (option == "--help" || option == "-h")
            return std::printf("%s\n", kUsage), 0;
        else
            return Usage(std::string("unknown option ") + option + "; " + kUsage);
    }
    if (i >= argc) return Usage(kUsage);
    std::string command = argv[i++];
    std::vector<std::string> args(argv + i, argv + argc);
    if (command != "report" && command != "call") return Usage("unknown command " + command + "; " + kUsage);
    if (command == "report" && !args.empty()) return Usage("usage: zentho-appapi report");

    std::string error;
    auto session = Session::Open(options, &error);
    if (!session) return Usage(error);
    int status = 0;
    if (command == "report") {
        std::fputs(Report(*session).c_str(), stdout);
    } else {
        CommandResult r = CallCommand(*session, args, withChanges);
        std::fputs(r.output.c_str(), stdout);
        if (r.status) {
            std::fprintf(stderr, "%s\n", r.error.c_str());
            status = r.status;
        }
    }
    if (!session->Finish(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return status;
}
