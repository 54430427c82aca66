// zentho-appapi: shows what ZenthoAppAPILib sees on a machine, switches translation
// integration, and calls the library's exports one at a time.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "call.h"
#include "check.h"
#include "library.h"
#include "machine_header.h"
#if !defined(_WIN32)
#include "machine_guide.h"
#endif
#include "options.h"
#include "tools/winsim/changes/change_text.h"
#include "report.h"
#include "session.h"
#include "switch_command.h"
#include "text_layout.h"

namespace {

constexpr const char kUsage[] = "usage: zentho-appapi [OPTION...] COMMAND [ARG...]   (zentho-appapi help)";

const std::string kHelp = std::string(
                              "Shows what ZenthoAppAPILib sees on a machine and switches translation integration.\n"
                              "\n"
                              "commands:\n"
                              "  report [--json]          every supported application and the default browser and "
                              "mailer\n"
                              "  on APP, off APP          switch integration for an application (word, or 0x401)\n"
                              "  browser on|off           switch integration for the default browser\n"
                              "  mailer on|off            switch integration for the default mail client\n"
                              "  check [APP...]           what is placed against what the stored state promises\n"
                              "  repair [APP...]          place or remove what the stored state asks for\n"
                              "  call EXPORT [ARG...]     call one export as the product's programs do; one JSON "
                              "line\n"
                              "  init DIR                 make a new machine folder from the bundled sample machine\n"
                              "  help [COMMAND]           this text, or one command's; help machine-folder: how to\n"
                              "                           make a machine folder, and what detection reads\n"
                              "\n"
                              "options (anywhere on the line):\n"
                              "  -m DIR, --machine DIR    the machine folder to work on (default: the bundled sample\n"
                              "                           machine, which never changes)\n"
                              "  --sample DIR             where the bundled sample machine is, if not beside the "
                              "tool\n"
                              "  --image DIR              a mounted Windows volume instead (its hive files; read only:\n"
                              "                           on and off print the plan)\n"
                              "  --user NAME              with --image: the profile, by its folder's name or its SID\n"
                              "                           (default: the only one)\n"
                              "  --changes-reg FILE       write the plan: its registry changes as FILE for reg import,\n"
                              "                           its file steps as the .cmd beside it\n"
                              "  --dry-run                show what would change, keep nothing\n"
                              "  --changes                with call: add every change the call made\n"
                              "  --json                   with report and check: one JSON document\n"
                              "  --yes                    with repair on Windows: change this machine\n"
                              "  --version, --help\n"
                              "\n"
                              "exit status: 0 done; 1 a change could not be kept (the machine folder is as it was);\n"
                              "2 a usage error, or a machine folder that cannot be loaded; 3 nothing to do (the\n"
                              "application is not installed, or the default program not recognised).\n");

const std::map<std::string, std::string> kCommandHelp = {
    {"report",
     "usage: zentho-appapi report [--json]\n"
     "Lists every application the library supports: AppId, group, the name and program of the\n"
     "newest installed version (or why there is none, with the library's code), and whether\n"
     "integration is on; then the default browser and mail client. --json prints the same facts.\n"},
    {"on",
     "usage: zentho-appapi on APP\n"
     "Switches integration on for APP: a name in any case (" +
         ApplicationNameList() +
         ") or an AppId: 0x and hexadecimal digits (0x401), or decimal without a leading zero.\n"
         "Prints the state before and after and every change made.\n"},
    {"off", "usage: zentho-appapi off APP\nSwitches integration off for APP (see: help on).\n"},
    {"browser",
     "usage: zentho-appapi browser on|off\n"
     "Switches integration for the browser the shell opens for web links.\n"},
    {"mailer",
     "usage: zentho-appapi mailer on|off\n"
     "Switches integration for the mail client the shell opens for mail links.\n"},
    {"check",
     "usage: zentho-appapi check [APP...] [--json]\n"
     "For each application (all when none is named): whether it is installed, the integration\n"
     "state stored for it, and whether what the installer places is there as it places it\n"
     "(what switching off removes, when the state is off); consistent, or drift with its causes.\n"
     "One application named: every step judged. Exit status 0 consistent, 1 drift.\n"},
    {"repair",
     "usage: zentho-appapi repair [APP...] [--yes]\n"
     "For each application with drift (all when none is named), places or removes what the\n"
     "stored state asks for, as switching on or off does, then checks again and names what\n"
     "remains (a product file that is missing). On Windows it changes the machine only with --yes.\n"},
    {"call",
     "usage: zentho-appapi call EXPORT [ARG...] [--changes]\n"
     "Calls one export as the product's programs do and prints one JSON line, e.g.\n"
     "  {\"export\":\"GetLatestApplicationName\",\"result\":19,\"text\":\"Microsoft Word 2000\"}\n"
     "Numbers are 0x-hexadecimal or decimal without a leading zero, texts UTF-8. Text exports are\n"
     "called twice (the length first). The exports are: " +
         ExportNameList() + "\n"},
    {"init",
     "usage: zentho-appapi init DIR\n"
     "Makes DIR (and the folders above it) a new machine folder, a copy of the bundled sample\n"
     "machine (a Japanese Windows 2000 desktop), to change with --machine DIR.\n"},
    {"help", "usage: zentho-appapi help [COMMAND]\n"},
};

// Messages may name what someone else's registry holds: shown with its control characters visible.
int Fail(int status, const std::string& message) {
    std::fprintf(stderr, "%s\n", os::Visible(message).c_str());
    return status;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

int Init(const Options& o) {
#if defined(_WIN32)
    (void)o;
    return Fail(kExitUsage, "init makes machine folders for the native build; the Windows build works on this machine");
#else
    namespace fs = std::filesystem;
    if (o.args.size() != 1) return Fail(kExitUsage, FirstLine(kCommandHelp.at("init")));
    if (o.args[0].empty()) return Fail(kExitUsage, "init needs a folder, not an empty text");
    if (o.machineGiven || !o.image.empty())
        return Fail(kExitUsage, "init takes no --machine or --image: it makes the folder it is given");
    std::string error;
    const std::string sample = FindSample(o.sample, &error);
    if (sample.empty()) return Fail(kExitUsage, error);
    std::error_code ec;
    const fs::path target(o.args[0]);
    if (fs::exists(target, ec) && !(fs::is_directory(target, ec) && fs::is_empty(target, ec)))
        return Fail(kExitUsage, o.args[0] + " exists and is not an empty folder; init makes a new machine folder");
    if (o.dryRun) {
        std::printf("%s: would become a copy of the sample machine %s\ndry run: nothing was made\n",
                    o.args[0].c_str(), sample.c_str());
        return kExitDone;
    }
    // What init makes, it takes away again when it cannot finish.
    fs::path made = target;
    while (!made.parent_path().empty() && made.parent_path() != made && !fs::exists(made.parent_path(), ec))
        made = made.parent_path();
    const bool existed = fs::exists(target, ec);
    fs::create_directories(target, ec);
    if (!ec) fs::copy(sample, target, fs::copy_options::recursive, ec);
    if (ec) {
        const std::string why = ec.message();
        if (!existed) fs::remove_all(made, ec);
        else
            for (const auto& entry : fs::directory_iterator(target, ec)) fs::remove_all(entry.path(), ec);
        return Fail(kExitNotApplied, "cannot make " + o.args[0] + ": " + why);
    }
    std::printf("%s: a new machine folder, a copy of the sample machine; use it with --machine %s\n",
                o.args[0].c_str(), o.args[0].c_str());
    return kExitDone;
#endif
}

// The option that goes with one command only, given with another.
std::string MisplacedOption(const Options& o) {
    if (o.json && o.command != "report" && o.command != "check") return "--json goes with report and check";
    if (o.yes && o.command != "repair") return "--yes goes with repair";
    if (o.changes && o.command != "call") return "--changes goes with call (on and off list their changes always)";
    const bool plans = o.command == "on" || o.command == "off" || o.command == "browser" || o.command == "mailer" ||
                       o.command == "call" || o.command == "repair";
    if (!o.changesReg.empty() && !plans)
        return "--changes-reg goes with on, off, browser, mailer, call and repair: " + o.command + " changes nothing to plan";
    return "";
}

// Each line of a help text within the width of the tool's messages.
int Help(const std::string& text) { return std::printf("%s", Wrap(text).c_str()), kExitDone; }

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::string error;
    if (!ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), &o, &error))
        return Fail(kExitUsage, error + " (zentho-appapi help lists the options)");
    if (o.version) return std::printf("zentho-appapi %s\n", ZENTHO_VERSION), kExitDone;
    if (o.command.empty() || o.command == "help") {
        const std::string topic = o.args.empty() ? "" : o.args[0];
        if (topic.empty() || o.command.empty()) {
            if (!o.help && o.command.empty()) return Fail(kExitUsage, kUsage);
            return Help(std::string(kUsage) + "\n\n" + kHelp);
        }
#if !defined(_WIN32)
        if (topic == "machine-folder") return std::printf("%s", MachineFolderGuide().c_str()), kExitDone;
#endif
        auto it = kCommandHelp.find(topic);
        if (it == kCommandHelp.end())
            return Fail(kExitUsage, "unknown command " + topic + " (zentho-appapi help lists the commands)");
        return Help(it->second);
    }
    auto help = kCommandHelp.find(o.command);
    if (help == kCommandHelp.end()) {
        std::vector<std::string> commands;
        for (const auto& entry : kCommandHelp) commands.push_back(entry.first);
        return Fail(kExitUsage, UnknownName("command", o.command, commands) + " (zentho-appapi help lists the commands)");
    }
    if (o.help) return Help(help->second);
    const std::string misplaced = MisplacedOption(o);
    if (!misplaced.empty()) return Fail(kExitUsage, misplaced);
    if (o.command == "init") return Init(o);
    const bool oneArgument = o.command == "on" || o.command == "off" || o.command == "browser" || o.command == "mailer";
    if ((o.command == "report" && !o.args.empty()) || (oneArgument && o.args.size() != 1))
        return Fail(kExitUsage, FirstLine(help->second));
#if defined(_WIN32)
    if (o.command == "repair" && !o.yes)
        return Fail(kExitUsage, "repair changes this machine: give --yes to go ahead (check shows what it would mend)");
#endif

    SessionOptions options{o.machine, o.machineGiven, o.sample, o.dryRun, o.image, o.user, o.changesReg};
    options.readOnly = o.command == "report" || o.command == "check";
    auto session = Session::Open(options, &error);
    if (!session) return Fail(kExitUsage, error);
    Library library(*session);
    CommandResult r;
    if (o.command == "report")
        r.output = o.json ? ReportJson(library)
                          : MachineHeader(library, TerminalColumns()) + ReportText(library, TerminalColumns());
    else if (o.command == "on" || o.command == "off")
        r = SwitchApplication(library, o.args[0], o.command == "on");
    else if (o.command == "browser" || o.command == "mailer")
        r = SwitchDefault(library, o.command == "browser", o.args[0]);
    else if (o.command == "check") {
        r = CheckCommand(library, o.args, o.json);
        if (!o.json) r.output = MachineHeader(library, TerminalColumns()) + r.output;
    } else if (o.command == "repair")
        r = RepairCommand(library, o.args);
    else
        r = CallCommand(*session, o.args, o.changes);
    if ((r.status == kExitDone || o.command == "repair") && o.command != "report" && o.command != "call" &&
        o.command != "check" && !session->KeepsNothing().empty())
        r.output += session->KeepsNothing() + "\n";
    // Kept before it is told: changes that could not be kept are shown as the plan they were.
    std::string note;
    const bool kept = session->Finish(&error, &note);
    if (const size_t at = r.output.find(kChangesHeading); !kept && at != std::string::npos)
        r.output.replace(at, std::strlen(kChangesHeading), kNotKeptHeading);
    std::fputs(r.output.c_str(), stdout);
    if (!note.empty()) std::printf("%s\n", os::Visible(note).c_str());
    if (r.status != kExitDone && !r.error.empty()) std::fprintf(stderr, "%s\n", os::Visible(r.error).c_str());
    if (!kept) return Fail(kExitNotApplied, "nothing was kept: " + error);
    return r.status;
}
