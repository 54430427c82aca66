// The tool's command line (see options.h).
#include "options.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

size_t Distance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// Options that take a value, and where it goes.
struct ValueOption {
    const char* longName;
    const char* shortName;
    const char* value;  // what the value is, for messages: as the help writes it, and in words
    const char* noun;
    std::string Options::*target;
};
const ValueOption kValueOptions[] = {
    {"--machine", "-m", "DIR", "folder", &Options::machine},
    {"--sample", nullptr, "DIR", "folder", &Options::sample},
    {"--image", nullptr, "DIR", "folder", &Options::image},
    {"--user", nullptr, "NAME", "user name", &Options::user},
    {"--changes-reg", nullptr, "FILE", "file name", &Options::changesReg},
};
struct Flag {
    const char* name;
    bool Options::*target;
};
const Flag kFlags[] = {{"--dry-run", &Options::dryRun}, {"--changes", &Options::changes},
                       {"--json", &Options::json},      {"--help", &Options::help},
                       {"-h", &Options::help},          {"--version", &Options::version},
                       {"--yes", &Options::yes}};

}  // namespace

std::string UnknownName(const char* kind, const std::string& text, const std::vector<std::string>& candidates,
                        size_t nearest) {
    // An option's value is no part of its name: "--machin=D" is near "--machine".
    const std::string name = Lower(text.substr(0, text.find('=')));
    std::vector<std::pair<size_t, std::string>> ranked;
    for (const auto& candidate : candidates) ranked.emplace_back(Distance(name, Lower(candidate)), candidate);
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string out = std::string("unknown ") + kind + " " + text;
    // A near miss is one or two edits away, and fewer than the text has characters ("-1" is
    // no near miss of "ie").
    if (!ranked.empty() && ranked[0].first < 3 && ranked[0].first < name.size())
        return out + "; did you mean " + ranked[0].second + "?";
    for (size_t i = 0; i < std::min(nearest, ranked.size()); ++i)
        out += (i ? ", " : "; the nearest are ") + ranked[i].second;
    return out;
}

bool ParseCommandLine(const std::vector<std::string>& argv, Options* o, std::string* error) {
    std::vector<std::string> positional;
    bool optionsEnd = false;
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& arg = argv[i];
        // A negative number is an argument (a state), not an option.
        if (optionsEnd || arg.size() < 2 || arg[0] != '-' || std::isdigit(static_cast<unsigned char>(arg[1]))) {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
            continue;
        }
        bool known = false;
        for (const auto& option : kValueOptions) {
            const std::string longName = option.longName;
            std::string value;
            if (arg == longName || (option.shortName && arg == option.shortName)) {
                if (i + 1 >= argv.size()) {
                    *error = arg + " needs a value: " + longName + " " + option.value;
                    return false;
                }
                value = argv[++i];
            } else if (arg.rfind(longName + "=", 0) == 0) {
                value = arg.substr(longName.size() + 1);
            } else {
                continue;
            }
            if (!(o->*option.target).empty()) {
                *error = longName + " is given twice; give it once";
                return false;
            }
            if (value.empty()) {
                *error = longName + " needs a " + option.noun + ", not an empty text";
                return false;
            }
            o->*option.target = value;
            known = true;
            break;
        }
        for (const auto& flag : kFlags) {
            if (known || arg != flag.name) continue;
            if (o->*flag.target && flag.target != &Options::help) {
                *error = arg + " is given twice; give it once";
                return false;
            }
            o->*flag.target = true;
            known = true;
        }
        if (!known) {
            std::vector<std::string> names;
            for (const auto& option : kValueOptions) names.push_back(option.longName);
            for (const auto& flag : kFlags) names.push_back(flag.name);
            *error = UnknownName("option", arg, names);
            return false;
        }
    }
    if (!positional.empty()) {
        o->command = positional[0];
        o->args.assign(positional.begin() + 1, positional.end());
    }
    o->machineGiven = !o->machine.empty();
    return true;
}

bool ParseNumber(const std::string& text, bool isSigned, long long* value, std::string* error) {
    const std::string what = "\"" + text + "\" is no number: 0x and hex digits, or decimal digits";
    std::string digits = text;
    const bool negative = !digits.empty() && digits[0] == '-';
    if (negative) digits.erase(0, 1);
    const bool hex = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
    if (negative && (!isSigned || hex))
        return *error = what + (isSigned ? " (hexadecimal has no sign)" : " without a sign"), false;
    const std::string body = hex ? digits.substr(2) : digits;
    if (body.empty()) return *error = what, false;
    for (char c : body)
        if (!(hex ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c))))
            return *error = what, false;
    if (!hex && body.size() > 1 && body[0] == '0') {
        *error = "\"" + text + "\" begins with 0: not octal; hex is 0x" + body.substr(1) + ", decimal " +
                 body.substr(body.find_first_not_of('0') == std::string::npos ? body.size() - 1
                                                                                : body.find_first_not_of('0'));
        return false;
    }
    // Digits of any number are read, held below 2^40, so that a long number is told it is too
    // large, as a shorter one is.
    unsigned long long n = 0;
    for (char c : body) {
        const unsigned digit = std::isdigit(static_cast<unsigned char>(c))
                                   ? static_cast<unsigned>(c - '0')
                                   : static_cast<unsigned>(std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
        n = std::min(n * (hex ? 16 : 10) + digit, 1ULL << 40);
    }
    // Hexadecimal is any 32-bit pattern; a signed decimal stays within int.
    const unsigned long long limit =
        !isSigned || hex ? 0xFFFFFFFFULL : negative ? 2147483648ULL : static_cast<unsigned long long>(INT_MAX);
    if (n > limit) return *error = "\"" + text + "\" does not fit 32 bits", false;
    *value = negative ? -static_cast<long long>(n) : static_cast<long long>(n);
    return true;
}

const catalogue::Application* FindApplication(const std::string& text, std::string* error) {
    std::vector<std::string> names;
    for (const auto& app : catalogue::kApplications) {
        if (Lower(text) == app.shortName) return &app;
        names.push_back(app.shortName);
    }
    if (text.empty()) {
        *error = "an application is named by a name such as word, or an AppId such as 0x401, not an empty text";
        return nullptr;
    }
    // Digits, or a sign before them, are an AppId.
    if (std::isdigit(static_cast<unsigned char>(text[0])) ||
        (text[0] == '-' && text.size() > 1 && std::isdigit(static_cast<unsigned char>(text[1])))) {
        long long id = 0;
        if (!ParseNumber(text, false, &id, error)) return nullptr;
        if (const catalogue::Application* app = catalogue::FindApplication(static_cast<unsigned int>(id))) return app;
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned int>(id));
        *error = std::string("no application has the AppId ") + hex;
        return nullptr;
    }
    *error = UnknownName("application", text, names, 3);
    if (error->find("; the nearest") != std::string::npos) *error += " (see help on)";
    return nullptr;
}
