// The tool's session on Windows: the real machine, with ZenthoAppAPILib.dll loaded
// from the tool's folder and its exports bound by their decorated names, as the
// product's own programs bind them.
#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>

#include <string>
#include <vector>

#include "frame/export_names.h"
#include "tools/zentho-appapi/change_observer.h"
#include "check.h"
#include "session.h"

struct Session::State {
    HMODULE library = nullptr;
    FARPROC exports[15] = {};
};

Session::Session(std::unique_ptr<State> state) : state_(std::move(state)) {}

Session::~Session() {
    if (state_->library) FreeLibrary(state_->library);
}

std::unique_ptr<Session> Session::Open(const SessionOptions& options, std::string* error) {
    if (options.machineGiven || options.dryRun || !options.sample.empty() || !options.image.empty() ||
        !options.user.empty() || !options.changesReg.empty()) {
        *error = "--machine, --sample, --dry-run, --image, --user and --changes-reg are the native build's: the "
                 "Windows build works on this machine itself";
        return nullptr;
    }
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder = folder.substr(0, folder.find_last_of("\\/") + 1);
    auto state = std::make_unique<State>();
    state->library = LoadLibraryA((folder + "ZenthoAppAPILib.dll").c_str());
    if (!state->library) {
        *error = "cannot load " + folder + "ZenthoAppAPILib.dll (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    if (!observe::Attach(state->library, error)) return nullptr;
    observe::LogFailures(true);
    for (const auto& e : frame::kExportNames) {
        state->exports[e.ordinal - 1] = GetProcAddress(state->library, e.decorated);
        if (!state->exports[e.ordinal - 1]) {
            *error = std::string("ZenthoAppAPILib.dll does not export ") + e.decorated;
            return nullptr;
        }
    }
    return std::unique_ptr<Session>(new Session(std::move(state)));
}

void* Session::Export(int ordinal) const {
    return ordinal >= 1 && ordinal <= 15 ? reinterpret_cast<void*>(state_->exports[ordinal - 1]) : nullptr;
}

std::string Session::ToUtf8(const std::string& ansi) const {
    if (ansi.empty()) return "";
    int wide = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), w.data(), wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, out.data(), bytes, nullptr, nullptr);
    return out;
}

bool Session::FromUtf8(const std::string& utf8, std::string* ansi) const {
    ansi->clear();
    if (utf8.empty()) return true;
    int wide =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (wide <= 0) return false;
    std::wstring w(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), wide);
    BOOL lossy = FALSE;
    int bytes = WideCharToMultiByte(CP_ACP, 0, w.data(), wide, nullptr, 0, nullptr, &lossy);
    if (lossy || bytes <= 0) return false;
    ansi->assign(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), wide, ansi->data(), bytes, nullptr, nullptr);
    return true;
}

std::string Session::KeepsNothing() const { return ""; }

std::string FindSample(const std::string&, std::string* error) {
    *error = "the Windows build has no machine folders: it works on this machine itself";
    return "";
}

void Session::BeginChanges() { observe::Changes().clear(); }

std::string DetectionGuide(const catalogue::Application&) { return ""; }

void Session::SetPlanning(bool planning) { observe::SetPlanning(planning); }

bool Session::TakeChanges(os::ChangeList* changes, std::string*) {
    changes->swap(observe::Changes());
    observe::Changes().clear();
    return true;
}

bool Session::Finish(std::string*, std::string* note) {
    if (note) note->clear();
    return true;
}

std::string Session::Describe() const { return "this machine"; }

namespace {

// A handle of the kernel's, closed with the object.
struct KernelHandle {
    HANDLE handle = nullptr;
    ~KernelHandle() {
        if (handle) CloseHandle(handle);
    }
};

}  // namespace

std::string Session::UserSid() const {
    KernelHandle token;
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token.handle)) return "";
    GetTokenInformation(token.handle, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    char* text = nullptr;
    if (!size || !GetTokenInformation(token.handle, TokenUser, user.data(), size, &size) ||
        !ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text))
        return "";
    std::string sid = ToUtf8(text);
    LocalFree(text);
    return sid;
}
