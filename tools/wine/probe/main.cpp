// zentho-wine-probe QUERY...: prints the settings of the Windows machine it runs on,
// one line per query, in the form zentho-machine-to-wine writes: version, acp,
// windir, env:NAME, folder:CSIDL, keyorder. Texts are the ANSI code page's bytes.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string query = argv[i];
        if (query == "version") {
            OSVERSIONINFOA v = {};
            v.dwOSVersionInfoSize = sizeof v;
            GetVersionExA(&v);
            std::printf("version=%lu %lu.%lu\n", v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion);
        } else if (query == "acp") {
            std::printf("acp=%u\n", GetACP());
        } else if (query == "windir") {
            char folder[MAX_PATH] = {};
            GetWindowsDirectoryA(folder, MAX_PATH);
            std::printf("windir=%s\n", folder);
        } else if (query.rfind("env:", 0) == 0) {
            char value[32768] = {};
            GetEnvironmentVariableA(query.c_str() + 4, value, sizeof value);
            std::printf("%s=%s\n", query.c_str(), value);
        } else if (query.rfind("folder:", 0) == 0) {
            char path[MAX_PATH] = {};
            SHGetFolderPathA(nullptr, std::atoi(query.c_str() + 7), nullptr, 0, path);
            std::printf("%s=%s\n", query.c_str(), path);
        } else if (query == "keyorder") {
            std::printf("keyorder=sorted\n");  // Wine lists subkeys sorted, never as created
        } else {
            std::fprintf(stderr, "unknown query %s\n", query.c_str());
            return 2;
        }
    }
    return 0;
}
