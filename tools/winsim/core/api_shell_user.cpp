// The port's shell (shell32) and window-manager (user32) functions over the current
// simulated machine: shell folders, the "open" verb, top-level windows and messages.
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "port/os.h"
#include "tools/winsim/core/last_error.h"
#include "tools/winsim/core/machine.h"

namespace os {
namespace {

sim::Machine* M() { return sim::Machine::Current(); }

int CopyText(const std::string& text, LPSTR out, int outSize) {
    if (!out || outSize <= 0) return 0;
    int n = std::min(static_cast<int>(text.size()), outSize - 1);
    std::memcpy(out, text.data(), static_cast<size_t>(n));
    out[n] = 0;
    return n;
}

HINSTANCE ShellResult(uintptr_t code) { return reinterpret_cast<HINSTANCE>(code); }

// The shell's one allocator. Its blocks are the machine's, counted like the other
// heaps; an item list freed elsewhere, or a block of another heap freed here, stops the run.
class ShellAllocator final : public IMalloc {
public:
    ULONG Release() override {
        sim::PortCall port;
        if (!M() || !M()->ReleaseShellAllocator()) sim::HeapMisuse("IMalloc::Release of a reference never taken");
        return 1;  // the shell keeps its allocator
    }
    void Free(void* block) override {
        sim::PortCall port;
        if (block && (!M() || !M()->Release(block, sim::HeapFamily::kShell)))
            sim::HeapMisuse("IMalloc::Free of a block that the shell did not give");
    }
};

ShellAllocator g_shellAllocator;

// The simulation's item list of a folder: one item holding the path and its NUL.
constexpr size_t kItemHeader = sizeof(WORD);

}  // namespace

HRESULT SHGetMalloc(LPMALLOC* allocator) {
    sim::PortCall port;
    if (!allocator) return E_INVALIDARG;
    *allocator = nullptr;
    if (!M()) return E_FAIL;
    M()->TakeShellAllocator();
    *allocator = &g_shellAllocator;
    return S_OK;
}

HRESULT SHGetSpecialFolderLocation(HWND, int folder, LPITEMIDLIST* items) {
    sim::PortCall port;
    if (!items) return E_INVALIDARG;
    *items = nullptr;
    if (!M()) return E_FAIL;
    const auto& folders = M()->settings().folders;
    auto it = folders.find(folder);
    if (it == folders.end() || it->second.empty()) return E_INVALIDARG;
    const std::string& path = it->second;
    // The shell names a folder of the disk by an item list only while the folder is there.
    DWORD attributes;
    if (M()->LookupFault() || M()->files().GetAttributes(path, &attributes) || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return E_FAIL;
    const size_t itemSize = kItemHeader + path.size() + 1;
    if (itemSize > 0xFFFF) return E_INVALIDARG;
    auto* block = static_cast<BYTE*>(M()->Allocate(itemSize + kItemHeader, sim::HeapFamily::kShell));
    if (!block) return E_OUTOFMEMORY;
    const WORD size = static_cast<WORD>(itemSize), end = 0;
    std::memcpy(block, &size, kItemHeader);
    std::memcpy(block + kItemHeader, path.c_str(), path.size() + 1);
    std::memcpy(block + itemSize, &end, kItemHeader);
    *items = reinterpret_cast<LPITEMIDLIST>(block);
    return S_OK;
}

BOOL SHGetPathFromIDListA(LPCITEMIDLIST items, LPSTR path) {
    sim::PortCall port;
    if (!items || !path) return FALSE;
    path[0] = 0;
    WORD size;
    std::memcpy(&size, items, kItemHeader);
    if (size <= kItemHeader) return FALSE;  // the empty list names no folder of the disk
    const char* text = reinterpret_cast<const char*>(items) + kItemHeader;
    const size_t length = size - kItemHeader - 1;
    if (length >= MAX_PATH) return FALSE;
    std::memcpy(path, text, length + 1);
    return TRUE;
}

HINSTANCE ShellExecuteA(HWND, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT) {
    sim::PortCall port;
    if (!M() || !file || !*file) return ShellResult(ERROR_FILE_NOT_FOUND);
    if (verb && strcasecmp(verb, "open") != 0) return ShellResult(31);  // SE_ERR_NOASSOC
    sim::FileSystem& files = M()->files();
    std::string full = files.FullPath(file);
    if (directory && *directory && file[0] != '\\' && !(file[0] && file[1] == ':'))
        full = files.FullPath(std::string(directory) + "\\" + file);
    DWORD attributes;
    os::Change start;
    start.kind = os::Change::kProgramStarted;
    start.path = file;
    start.detail = parameters ? parameters : "";
    DWORD error = full.empty() ? ERROR_FILE_NOT_FOUND : files.GetAttributes(full, &attributes);
    if (!error && (attributes & FILE_ATTRIBUTE_DIRECTORY)) error = ERROR_ACCESS_DENIED;
    if (error) {
        M()->NoteFailure(std::move(start), "no such program");
        return ShellResult(error);
    }
    if (M()->planning()) {  // started by no one: nothing may wait for its windows
        M()->NoteChange(std::move(start));
        return ShellResult(ERROR_FILE_NOT_FOUND);
    }
    M()->desktop().Start(file, full, parameters ? parameters : "", directory ? directory : "");
    return ShellResult(42);
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (M() && msg) M()->desktop().CountDispatch();
    return 0;
}

BOOL EnumWindows(WNDENUMPROC callback, LPARAM param) {
    sim::PortCall port;
    if (!M() || !callback) return FALSE;
    // A snapshot: windows that close during the enumeration are skipped.
    for (HWND window : M()->desktop().TopLevelWindows()) {
        if (!M()->desktop().Find(window)) continue;
        if (!callback(window, param)) break;
    }
    return TRUE;
}

HWND FindWindowA(LPCSTR className, LPCSTR title) {
    sim::PortCall port;
    if (!M()) return nullptr;
    sim::Desktop& desktop = M()->desktop();
    for (HWND window : desktop.TopLevelWindows()) {
        const sim::SimWindow* w = desktop.Find(window);
        if (className && strcasecmp(w->className.c_str(), className) != 0) continue;
        if (title && strcasecmp(w->title.c_str(), title) != 0) continue;
        return window;
    }
    return nullptr;
}

int GetClassNameA(HWND window, LPSTR out, int outSize) {
    sim::PortCall port;
    const sim::SimWindow* w = M() ? M()->desktop().Find(window) : nullptr;
    if (!w) return sim::SetLastError(1400), 0;  // ERROR_INVALID_WINDOW_HANDLE
    return CopyText(w->className, out, outSize);
}

int GetWindowTextA(HWND window, LPSTR out, int outSize) {
    sim::PortCall port;
    const sim::SimWindow* w = M() ? M()->desktop().Find(window) : nullptr;
    if (!w) {
        if (out && outSize > 0) out[0] = 0;
        return 0;
    }
    return CopyText(w->title, out, outSize);
}

BOOL PeekMessageA(LPMSG msg, HWND, UINT, UINT, UINT remove) {
    sim::PortCall port;
    if (!M() || !msg) return FALSE;
    return M()->desktop().Peek(msg, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

LRESULT SendMessageTimeoutA(HWND window, UINT message, WPARAM, LPARAM, UINT, UINT timeout, PDWORD_PTR result) {
    sim::PortCall port;
    if (!M()) return 0;
    sim::Desktop& desktop = M()->desktop();
    const sim::SimWindow* w = desktop.Find(window);
    if (!w) return sim::SetLastError(1400), 0;  // ERROR_INVALID_WINDOW_HANDLE
    if (result) *result = 0;
    if (message == WM_CLOSE && M()->planning()) {  // the window stays open
        os::Change close;
        close.kind = os::Change::kMessageSent;
        close.path = w->className;
        close.name = w->title;
        close.detail = "WM_CLOSE";
        M()->NoteChange(std::move(close));
        return 1;
    }
    if (message == WM_CLOSE) return desktop.SendClose(window, timeout) ? 1 : (sim::SetLastError(1460), 0);
    if (w->hung) {
        desktop.Wait(timeout);
        return sim::SetLastError(1460), 0;  // ERROR_TIMEOUT
    }
    return 1;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

}  // namespace os
