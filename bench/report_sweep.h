// The "report" sweep as a settings program makes it: for every AppId of the catalogue
// its name, path and state, then the default browser's and mailer's name, path and
// state; texts by the two-call protocol. The native benchmark and the Windows one run
// this same code, over linked exports and over the DLL's bound ones.
#pragma once

#include <algorithm>
#include <vector>

#include "catalogue/catalogue.h"
#include "port/os.h"

namespace bench {

struct Exports {
    LONG (*name)(unsigned int, char*);
    LONG (*path)(unsigned int, char*);
    int (*state)(unsigned int);
    LONG (*browser)(char*);
    LONG (*browserPath)(char*);
    int (*browserState)();
    LONG (*mailer)(char*);
    LONG (*mailerPath)(char*);
    int (*mailerState)();
};

struct SweepResult {
    long textBytes = 0;  // the lengths the getters announced, summed: the same on every sweep
    int installed = 0;   // AppIds with a name
    int on = 0;          // states that answered on
};

namespace detail {
// Path getters may write up to 260 bytes whatever length they announced.
template <typename Call>
LONG TwoCalls(Call call, std::vector<char>& buffer) {
    LONG length = call(nullptr);
    if (length < 1) return length;
    buffer.resize(std::max<size_t>(static_cast<size_t>(length) + 1, 261));
    call(buffer.data());
    return length;
}
}  // namespace detail

// `buffer` is the caller's, so that a loop of sweeps allocates nothing of its own.
inline SweepResult ReportSweep(const Exports& e, std::vector<char>& buffer) {
    SweepResult r;
    auto add = [&](LONG length) {
        if (length > 0) r.textBytes += length;
        return length;
    };
    for (const auto& app : catalogue::kApplications) {
        unsigned int id = app.id;
        if (add(detail::TwoCalls([&](char* b) { return e.name(id, b); }, buffer)) > 0) ++r.installed;
        add(detail::TwoCalls([&](char* b) { return e.path(id, b); }, buffer));
        r.on += e.state(id) != 0;
    }
    add(detail::TwoCalls(e.browser, buffer));
    add(detail::TwoCalls(e.browserPath, buffer));
    r.on += e.browserState() != 0;
    add(detail::TwoCalls(e.mailer, buffer));
    add(detail::TwoCalls(e.mailerPath, buffer));
    r.on += e.mailerState() != 0;
    return r;
}

}  // namespace bench
