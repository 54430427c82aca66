// MakeDirectoryTree on any path, on a machine whose only drive, C:, is a new host
// folder made once for the process. The first byte of the input chooses whether the
// rest is taken as it is or after "C:\"; the text stops at the first NUL.
//
// Whatever the path, every folder made must lie inside the drive's host folder and
// nothing may appear beside it; a refused path (260 bytes or more, or a character
// Windows forbids after the root) must touch nothing; and 1 means the folder exists.
#include <algorithm>
#include <string_view>

#include "fuzz_support.h"
#include "platform/paths.h"

namespace fs = std::filesystem;

namespace {

std::unique_ptr<fuzz::ScratchFolder> g_scratch;  // released at exit, which removes the host folder
fs::path g_drive;

bool Inside(const fs::path& folder, const fs::path& path) {
    std::error_code ec;
    const fs::path real = fs::weakly_canonical(path, ec);
    auto mismatch = std::mismatch(folder.begin(), folder.end(), real.begin(), real.end());
    return !ec && mismatch.first == folder.end() && mismatch.second != real.end();
}

// A character that Windows forbids in a folder name, after the three bytes of the root;
// a lead byte takes the byte after it, whatever that byte is.
bool ForbiddenAfterRoot(const std::string& path, const sim::CodePage& cp) {
    for (size_t i = 3; i < path.size(); i += cp.IsLeadByte(static_cast<unsigned char>(path[i])) ? 2 : 1)
        if (std::string_view("/:*?\"<>|").find(path[i]) != std::string_view::npos) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_scratch = std::make_unique<fuzz::ScratchFolder>("zentho-fuzz-tree");
    g_drive = g_scratch->path() / "C";
    fs::create_directory(g_drive);
    fuzz::CurrentMachine().files().MapDrive('C', g_drive.string());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    sim::Machine& machine = fuzz::CurrentMachine();
    std::string path = (data[0] & 1) ? "C:\\" : "";
    auto copy = fuzz::ExactCopy(path.append(reinterpret_cast<const char*>(data + 1), size - 1));
    path = copy.get();  // the function sees the text up to the first NUL

    machine.changes().clear();
    const int made = platform::MakeDirectoryTree(copy.get());
    fuzz::Check(made == 0 || made == 1, "a result other than 0 or 1");
    if (path.size() >= MAX_PATH || ForbiddenAfterRoot(path, machine.codePage()))
        fuzz::Check(made == 0 && machine.changes().empty(), "a refused path touched the disk");
    for (const auto& change : machine.changes()) {
        fuzz::Check(change.kind == os::Change::kFolderCreated, "MakeDirectoryTree changed more than folders");
        const std::string host = machine.files().HostPath(change.path);
        fuzz::Check(!host.empty(), "a folder reported as made is not there", change.path);
        fuzz::Check(Inside(g_drive, host), "a folder made outside drive C:'s host folder", change.path + " at " + host);
    }
    const DWORD attributes = made ? os::GetFileAttributesA(copy.get()) : FILE_ATTRIBUTE_DIRECTORY;
    fuzz::Check(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY),
                "1 for a path that is no folder");
    fuzz::CheckNothingHeld(machine);

    // Nothing may appear beside the drive; then the drive is emptied for the next input.
    for (const auto& entry : fs::directory_iterator(g_scratch->path()))
        fuzz::Check(entry.path().filename() == "C", "something made beside drive C:'s host folder", entry.path());
    if (!machine.changes().empty())
        for (const auto& entry : fs::directory_iterator(g_drive)) fs::remove_all(entry.path());
    return 0;
}
