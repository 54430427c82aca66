// The report sweep of the Windows DLL, timed in one process: ZenthoAppAPILib.dll is
// loaded from this program's folder and its exports bound by their decorated names, as
// the product's programs bind them; then the sweep runs untimed a few times and timed
// many times. Prints key=value lines for scripts/bench.sh.
//   zentho_report_bench.exe [SWEEPS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frame/export_names.h"
#include "report_sweep.h"

namespace {

FARPROC Bind(HMODULE library, const char* name) {
    for (const auto& e : frame::kExportNames)
        if (std::strcmp(e.name, name) == 0) return GetProcAddress(library, e.decorated);
    return nullptr;
}

template <typename T>
bool Bind(HMODULE library, const char* name, T* out) {
    *out = reinterpret_cast<T>(reinterpret_cast<void*>(Bind(library, name)));
    return *out != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    int sweeps = argc > 1 ? std::atoi(argv[1]) : 500;
    const int warmup = 20;
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder = folder.substr(0, folder.find_last_of("\\/") + 1);
    HMODULE library = LoadLibraryA((folder + "ZenthoAppAPILib.dll").c_str());
    if (!library) {
        std::fprintf(stderr, "cannot load ZenthoAppAPILib.dll (error %lu)\n", GetLastError());
        return 1;
    }
    bench::Exports e;
    bool bound =
        Bind(library, "GetLatestApplicationName", &e.name) && Bind(library, "GetLatestApplicationPath", &e.path) &&
        Bind(library, "GetLatestApplicationState", &e.state) && Bind(library, "GetDefaultBrowser", &e.browser) &&
        Bind(library, "GetDefaultBrowserPath", &e.browserPath) &&
        Bind(library, "GetDefaultBrowserState", &e.browserState) && Bind(library, "GetDefaultMailer", &e.mailer) &&
        Bind(library, "GetDefaultMailerPath", &e.mailerPath) && Bind(library, "GetDefaultMailerState", &e.mailerState);
    if (!bound) {
        std::fprintf(stderr, "ZenthoAppAPILib.dll lacks an export of the sweep\n");
        return 1;
    }
    std::vector<char> buffer(1024);
    bench::SweepResult result;
    for (int i = 0; i < warmup; ++i) result = bench::ReportSweep(e, buffer);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> us;
    for (int i = 0; i < sweeps; ++i) {
        QueryPerformanceCounter(&start);
        result = bench::ReportSweep(e, buffer);
        QueryPerformanceCounter(&end);
        us.push_back(static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 /
                     static_cast<double>(frequency.QuadPart));
    }
    std::sort(us.begin(), us.end());
    std::printf("wine_warmup=%d\nwine_sweeps=%d\nwine_sweep_median_us=%.1f\nwine_sweep_p95_us=%.1f\n", warmup, sweeps,
                us[us.size() / 2], us[static_cast<size_t>(0.95 * (us.size() - 1))]);
    std::printf("wine_installed=%d\nwine_text_bytes=%ld\n", result.installed, result.textBytes);
    FreeLibrary(library);
    return 0;
}
