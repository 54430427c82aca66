// The library's exports as the tool uses them (see library.h).
#include "library.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "frame/export_names.h"
#include "port/os.h"

const char* Reason(long result) {
    switch (result) {
        case -1:
            return "no program is registered for the links";
        case -2:
            return "the registered program is none the library supports";
        case -3:
            return "not installed";
        case -4:
            return "the suite's groupware";
        default:
            return "nothing found";
    }
}

void* Library::Export(const char* name) const {
    for (const auto& e : frame::kExportNames)
        if (std::strcmp(e.name, name) == 0) return session_.Export(e.ordinal);
    return nullptr;
}

Answer Library::Text(const char* exportName, bool withAppId, unsigned int appId) const {
    void* fn = Export(exportName);
    Answer answer;
    if (!fn) return answer;
    auto call = [&](char* buffer) {
        return withAppId ? reinterpret_cast<LONG (*)(unsigned int, char*)>(fn)(appId, buffer)
                         : reinterpret_cast<LONG (*)(char*)>(fn)(buffer);
    };
    answer.result = call(nullptr);
    if (answer.result < 1) return answer;
    // Paths may be written longer than counted (expanded): 261 bytes at least.
    std::vector<char> buffer(std::max<size_t>(static_cast<size_t>(answer.result) + 1, 261), '\0');
    answer.result = call(buffer.data());
    if (answer.found()) answer.text = session_.ToUtf8(buffer.data());
    return answer;
}

Answer Library::Name(unsigned int appId) const { return Text("GetLatestApplicationName", true, appId); }
Answer Library::Path(unsigned int appId) const { return Text("GetLatestApplicationPath", true, appId); }
int Library::State(unsigned int appId) const {
    return reinterpret_cast<int (*)(unsigned int)>(Export("GetLatestApplicationState"))(appId);
}
int Library::SetState(unsigned int appId, int state) const {
    return reinterpret_cast<int (*)(unsigned int, int)>(Export("SetLatestApplicationState"))(appId, state);
}
void Library::Update(unsigned int appId, int on, int previousState) const {
    reinterpret_cast<void (*)(unsigned int, int, int)>(Export("UpdateApplTransSettings"))(appId, on, previousState);
}
Answer Library::DefaultName(bool browser) const {
    return Text(browser ? "GetDefaultBrowser" : "GetDefaultMailer", false, 0);
}
Answer Library::DefaultPath(bool browser) const {
    return Text(browser ? "GetDefaultBrowserPath" : "GetDefaultMailerPath", false, 0);
}
int Library::DefaultState(bool browser) const {
    return reinterpret_cast<int (*)()>(Export(browser ? "GetDefaultBrowserState" : "GetDefaultMailerState"))();
}
int Library::SetDefaultState(bool browser, int state) const {
    return reinterpret_cast<int (*)(int)>(Export(browser ? "SetDefaultBrowserState" : "SetDefaultMailerState"))(state);
}
