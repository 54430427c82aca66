// The header of report and check (see machine_header.h). The machine's own facts are read
// through the port, from the simulated machine natively and from Windows itself in the
// Windows build, as the library reads them.
#include "machine_header.h"

#include <vector>

#include "catalogue/product.h"
#include "port/os.h"
#include "text_layout.h"
#include "tools/winsim/changes/change_text.h"

namespace {

// "Windows 2000 (NT 5.0 build 2195)": the name Windows is known by, and its numbers.
std::string WindowsName(const OSVERSIONINFOA& v) {
    struct Name {
        DWORD platform, major, minor;
        const char* name;
    } const names[] = {{1, 4, 0, "Windows 95"},     {1, 4, 10, "Windows 98"},   {1, 4, 90, "Windows Me"},
                       {2, 4, 0, "Windows NT 4.0"}, {2, 5, 0, "Windows 2000"},  {2, 5, 1, "Windows XP"},
                       {2, 5, 2, "Windows XP x64 or Server 2003"},              {2, 6, 0, "Windows Vista"},
                       {2, 6, 1, "Windows 7"},      {2, 6, 2, "Windows 8"},     {2, 6, 3, "Windows 8.1"},
                       {2, 10, 0, v.dwBuildNumber >= 22000 ? "Windows 11" : "Windows 10"}};
    std::string name = "Windows";
    for (const auto& n : names)
        if (n.platform == v.dwPlatformId && n.major == v.dwMajorVersion && n.minor == v.dwMinorVersion) name = n.name;
    const bool nt = v.dwPlatformId == VER_PLATFORM_WIN32_NT;
    return name + " (" + (nt ? "NT " : "") + std::to_string(v.dwMajorVersion) + "." + std::to_string(v.dwMinorVersion) +
           " build " + std::to_string(nt ? v.dwBuildNumber : v.dwBuildNumber & 0xFFFF) + ")";
}

// What a product setting holds, or "" when there is none.
std::string ProductSetting(const char* valueName) {
    HKEY key;
    if (os::RegOpenKeyExA(HKEY_LOCAL_MACHINE, product::kProductKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    char text[1024] = {};
    DWORD type = 0, size = sizeof text - 1;
    const bool read = os::RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) ==
                          ERROR_SUCCESS &&
                      (type == REG_SZ || type == REG_EXPAND_SZ);
    os::RegCloseKey(key);
    return read ? std::string(text) : "";  // up to its NUL, which the zeroed buffer has
}

}  // namespace

std::string MachineHeader(const Library& library, size_t width) {
    Session& session = library.session();
    const auto text = [&](const std::string& ansi) { return os::Visible(session.ToUtf8(ansi)); };
    // A line of its parts, each going on a line of its own below when the line would not fit.
    const auto line = [&](const char* name, const std::vector<std::string>& parts) {
        std::string out = name, last = name;
        for (size_t i = 0; i < parts.size(); ++i) {
            const bool fits = i == 0 || width == 0 || Cells(last + " " + parts[i]) <= width;
            last = fits ? last + (i ? " " : "") + parts[i] : std::string(Cells(name), ' ') + parts[i];
            out += (fits ? (i ? " " : "") : "\n" + std::string(Cells(name), ' ')) + parts[i];
        }
        return out + "\n";
    };
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    const std::string windows = os::GetVersionExA(&version) ? WindowsName(version) : "Windows (its version unknown)";
    char profile[1024] = {};
    const DWORD length = os::ExpandEnvironmentStringsA("%USERPROFILE%", profile, sizeof profile);
    const std::string home = length > 0 && length <= sizeof profile && profile[0] != '%' ? profile : "";
    // The product's setting, else the default the library takes.
    const std::string installed = ProductSetting(product::kInstallLocationValue);
    return line("machine  ", {os::Visible(session.Describe()) + ":",
                              windows + ", code page " + std::to_string(os::GetACP())}) +
           line("profile  ", {home.empty() ? "none" : text(home), "(" + os::Visible(session.UserSid()) + ")"}) +
           line("product  ", installed.empty() ? std::vector<std::string>{product::kDefaultInstallLocation,
                                                                          std::string("(no ") +
                                                                              product::kInstallLocationValue +
                                                                              " set: the default)"}
                                               : std::vector<std::string>{text(installed)}) +
           "\n";
}
