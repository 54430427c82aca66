// zentho-appapi: shows what ZenthoAppAPILib sees on a machine, switches translation
// integration, and calls the library's exports one at a time.
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "command_line.h"
#include "library.h"
#include "report.h"
#include "session.h"
#include "switch_command.h"

namespace {

constexpr const char kUsage[] = "usage: zentho-appapi [--machine DIR] [--dry-run] [--changes] COMMAND [ARG...]";

constexpr const char kHelp[] =
    "Shows what ZenthoAppAPILib sees on a machine and switches translation integration.\n"
    "\n"
    "commands:\n"
    "  report [--json]          every supported application and the default browser and mailer\n"
    "  on APP, off APP          switch integration for an application (e.g. word, or 0x401)\n"
    "  browser on|off           switch integration for the default browser\n"
    "  mailer on|off            switch integration for the default mail client\n"
    "  call EXPORT [ARG...]     call one export as the product's programs do; one JSON line\n"
    "  init DIR                 make a new machine folder from the bundled sample machine\n"
    "  help [COMMAND]           this text, or one command's\n"
    "\n"
    "options:\n"
    "  --machine DIR   the machine folder to work on (native build; default: the bundled sample\n"
    "                  machine, worked on as a copy so that it never changes)\n"
    "  --dry-run       work on a copy of the machine folder: show what would change, keep nothing\n"
    "  --changes       with call: add every change the call made to the JSON line\n";

const std::map<std::string, std::string> kCommandHelp = {
    {"report",
     "usage: zentho-appapi report [--json]\n"
     "Lists every application the library supports: AppId, group, the name and program of the\n"
     "newest installed version (or \"not installed\"), and whether integration is on; then the\n"
     "default browser and mail client. --json prints the same as one JSON document.\n"},
    {"on",
     "usage: zentho-appapi on APP\n"
     "Switches integration on for APP: a name (" +
         ApplicationNameList() +
         ") or an AppId such as 0x401.\n"
         "Prints the state before and after and every change made.\n"},
    {"off", "usage: zentho-appapi off APP\nSwitches integration off for APP (see: help on).\n"},
    {"browser",
     "usage: zentho-appapi browser on|off\n"
     "Switches integration for the browser the shell opens for web links.\n"},
    {"mailer",
     "usage: zentho-appapi mailer on|off\n"
     "Switches integration for the mail client the shell opens for mail links.\n"},
    {"call",
     "usage: zentho-appapi [--changes] call EXPORT [ARG...]\n"
     "Calls one export as the product's programs do and prints one JSON line, e.g.\n"
     "  {\"export\":\"GetLatestApplicationName\",\"result\":19,\"text\":\"Microsoft Word 2000\"}\n"
     "Numbers are decimal or 0x-hexadecimal, texts UTF-8. Text exports are called twice (the\n"
     "length first). The exports are: " +
         ExportNameList() + "\n"},
    {"init",
     "usage: zentho-appapi init DIR\n"
     "Makes DIR a new machine folder, a copy of the bundled sample machine (a Japanese Windows\n"
     "2000 desktop), to change with --machine DIR.\n"},
    {"help", "usage: zentho-appapi help [COMMAND]\n"},
};

int Fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 2;
}

bool WantsHelp(const std::vector<std::string>& args) {
    for (const auto& arg : args)
        if (arg == "--help" || arg == "-h") return true;
    return false;
}

int Init(const std::vector<std::string>& args) {
#if defined(_WIN32)
    (void)args;
    return Fail("init makes machine folders for the native build; the Windows build works on this machine itself");
#else
    namespace fs = std::filesystem;
    if (args.size() != 1) return Fail(kCommandHelp.at("init").substr(0, kCommandHelp.at("init").find('\n')));
    std::error_code ec;
    fs::path target(args[0]);
    if (fs::exists(target, ec) && !fs::is_empty(target, ec))
        return Fail(args[0] + " exists and is not empty; init makes a new machine folder");
    fs::create_directories(target, ec);
    fs::copy(ZENTHO_SAMPLE_MACHINE, target, fs::copy_options::recursive, ec);
    if (ec) return Fail("cannot make " + args[0] + ": " + ec.message());
    std::printf("%s: a new machine folder, a copy of the sample machine; use it with --machine %s\n", args[0].c_str(),
                args[0].c_str());
    return 0;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    SessionOptions options;
    bool withChanges = false;
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        std::string option = argv[i];
        if (option == "--machine" && i + 1 < argc) {
            options.machine = argv[++i];
        } else if (option == "--dry-run") {
            options.dryRun = true;
        } else if (option == "--changes") {
            withChanges = true;
        } else if (option == "--help" || option == "-h") {
            std::printf("%s\n\n%s", kUsage, kHelp);
            return 0;
        } else {
            return Fail("unknown option " + option + "; " + kUsage);
        }
    }
    if (i >= argc) return Fail(kUsage);
    const std::string command = argv[i++];
    const std::vector<std::string> args(argv + i, argv + argc);

    if (command == "help") {
        if (args.empty()) return std::printf("%s\n\n%s", kUsage, kHelp), 0;
        auto it = kCommandHelp.find(args[0]);
        if (it == kCommandHelp.end()) return Fail("unknown command " + args[0] + "; " + kUsage);
        return std::printf("%s", it->second.c_str()), 0;
    }
    auto help = kCommandHelp.find(command);
    if (help == kCommandHelp.end()) return Fail("unknown command " + command + "; " + kUsage);
    if (WantsHelp(args)) return std::printf("%s", help->second.c_str()), 0;
    const std::string usage = help->second.substr(0, help->second.find('\n'));
    if (command == "init") return Init(args);
    if (command == "report" && !(args.empty() || (args.size() == 1 && args[0] == "--json"))) return Fail(usage);
    if ((command == "on" || command == "off" || command == "browser" || command == "mailer") && args.size() != 1)
        return Fail(usage);

    std::string error;
    auto session = Session::Open(options, &error);
    if (!session) return Fail(error);
    Library library(*session);
    CommandResult r;
    if (command == "report")
        r.output = args.empty() ? ReportText(library) : ReportJson(library);
    else if (command == "on" || command == "off")
        r = SwitchApplication(library, args[0], command == "on");
    else if (command == "browser" || command == "mailer")
        r = SwitchDefault(library, command == "browser", args[0]);
    else
        r = CallCommand(*session, args, withChanges);
    if (r.status == 0 && command != "report" && command != "call") {
        if (options.dryRun)
            r.output += "dry run: the machine folder is as it was\n";
        else if (session->UsesBundledSample())
            r.output += "the bundled sample machine stays as it was (init DIR makes one to change)\n";
    }
    std::fputs(r.output.c_str(), stdout);
    if (r.status) std::fprintf(stderr, "%s\n", r.error.c_str());
    if (!session->Finish(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return r.status;
}
