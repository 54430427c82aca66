// MakeDirectoryTree on any path, on a machine whose only drive, C:, is a new host
// folder made once for the process. The first byte of the input chooses whether the
// rest is taken as it is or after "C:\"; the text stops at the first NUL.
//
// Whatever the path, every folder made must lie inside the drive's host folder and
// nothing may appear beside it; a refused path (260 bytes or more, or a character
// Windows forbids after the root) must touch nothing; and 1 means the folder exists.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/os/sim/machine.h"
#include "platform/paths.h"

namespace fs = std::filesystem;

namespace {

struct World {
    fuzz::ScratchFolder scratch{"zentho-fuzz-tree"};
    fs::path drive;
    sim::Machine machine;
};
std::unique_ptr<World> g_world;  // released at exit, which removes the host folder

bool Inside(const fs::path& folder, const fs::path& path) {
    std::error_code ec;
    fs::path real = fs::weakly_canonical(path, ec);
    if (ec) return false;
    auto mismatch = std::mismatch(folder.begin(), folder.end(), real.begin(), real.end());
    return mismatch.first == folder.end() && mismatch.second != real.end();
}

// A character that Windows forbids in a folder name, after the three bytes of the root;
// a lead byte takes the byte after it, whatever that byte is.
bool ForbiddenAfterRoot(const std::string& path, const sim::CodePage& cp) {
    for (size_t i = 3; i < path.size(); ++i) {
        if (cp.IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size())
            ++i;
        else if (std::string_view("/:*?\"<>|").find(path[i]) != std::string_view::npos)
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_world = std::make_unique<World>();
    g_world->drive = g_world->scratch.path() / "C";
    fs::create_directory(g_world->drive);
    g_world->machine.files().MapDrive('C', g_world->drive.string());
    sim::Machine::Use(&g_world->machine);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    World& w = *g_world;
    std::string path = (data[0] & 1) ? "C:\\" : "";
    path.append(reinterpret_cast<const char*>(data + 1), size - 1);
    auto copy = fuzz::ExactCopy(path);
    path = copy.get();  // the function sees the text up to the first NUL

    w.machine.changes().clear();
    int made = platform::MakeDirectoryTree(copy.get());
    fuzz::Check(made == 0 || made == 1, "a result other than 0 or 1");

    bool forbidden = path.size() >= MAX_PATH || ForbiddenAfterRoot(path, w.machine.codePage());
    if (forbidden) fuzz::Check(made == 0 && w.machine.changes().empty(), "a refused path touched the disk");
    for (const auto& change : w.machine.changes()) {
        fuzz::Check(change.kind == os::Change::kFolderCreated, "MakeDirectoryTree changed more than folders");
        std::string host = w.machine.files().HostPath(change.path);
        fuzz::Check(!host.empty(), "a folder reported as made is not there");
        if (!Inside(w.drive, host)) {
            std::fprintf(stderr, "folder %s made at %s\n", change.path.c_str(), host.c_str());
            fuzz::Finding("a folder made outside drive C:'s host folder");
        }
    }
    if (made) {
        DWORD attributes = os::GetFileAttributesA(copy.get());
        fuzz::Check(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY),
                    "1 for a path that is no folder");
    }
    fuzz::Check(w.machine.OpenHandleCount() == 0 && w.machine.LiveBlocks() == 0, "handles or heap blocks left");

    // Nothing may appear beside the drive; then the drive is emptied for the next input.
    for (const auto& entry : fs::directory_iterator(w.scratch.path())) {
        if (entry.path().filename() != "C") {
            std::fprintf(stderr, "unexpected %s\n", entry.path().c_str());
            fuzz::Finding("something made beside drive C:'s host folder");
        }
    }
    if (!w.machine.changes().empty())
        for (const auto& entry : fs::directory_iterator(w.drive)) fs::remove_all(entry.path());
    return 0;
}
