// The library's exports as the tool uses them (see library.h).
#include "library.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "frame/export_names.h"
#include "platform/os/os.h"

void* Library::Export(const char* name) const {
    for (const auto& e : frame::kExportNames)
        if (std::strcmp(e.name, name) == 0) return session_.Export(e.ordinal);
    return nullptr;
}

std::string Library::Text(const char* exportName, bool withAppId, unsigned int appId) const {
    void* fn = Export(exportName);
    if (!fn) return "";
    auto call = [&](char* buffer) {
        return withAppId ? reinterpret_cast<LONG (*)(unsigned int, char*)>(fn)(appId, buffer)
                         : reinterpret_cast<LONG (*)(char*)>(fn)(buffer);
    };
    LONG length = call(nullptr);
    if (length < 1) return "";
    // Paths may be written longer than counted (expanded): 261 bytes at least.
    std::vector<char> buffer(std::max<size_t>(static_cast<size_t>(length) + 1, 261), '\0');
    if (call(buffer.data()) < 1) return "";
    return session_.ToUtf8(buffer.data());
}

std::string Library::Name(unsigned int appId) const { return Text("GetLatestApplicationName", true, appId); }
std::string Library::Path(unsigned int appId) const { return Text("GetLatestApplicationPath", true, appId); }
int Library::State(unsigned int appId) const {
    return reinterpret_cast<int (*)(unsigned int)>(Export("GetLatestApplicationState"))(appId);
}
int Library::SetState(unsigned int appId, int state) const {
    return reinterpret_cast<int (*)(unsigned int, int)>(Export("SetLatestApplicationState"))(appId, state);
}
std::string Library::DefaultBrowser() const { return Text("GetDefaultBrowser", false, 0); }
std::string Library::DefaultBrowserPath() const { return Text("GetDefaultBrowserPath", false, 0); }
int Library::DefaultBrowserState() const { return reinterpret_cast<int (*)()>(Export("GetDefaultBrowserState"))(); }
int Library::SetDefaultBrowserState(int state) const {
    return reinterpret_cast<int (*)(int)>(Export("SetDefaultBrowserState"))(state);
}
std::string Library::DefaultMailer() const { return Text("GetDefaultMailer", false, 0); }
std::string Library::DefaultMailerPath() const { return Text("GetDefaultMailerPath", false, 0); }
int Library::DefaultMailerState() const { return reinterpret_cast<int (*)()>(Export("GetDefaultMailerState"))(); }
int Library::SetDefaultMailerState(int state) const {
    return reinterpret_cast<int (*)(int)>(Export("SetDefaultMailerState"))(state);
}
