// The simulated machine's drives: drive letters on host folders, with Windows path
// rules on top of a case-sensitive host.
//
// A Windows path (C:\Program Files\..., forward slashes too, . and .. parts, trailing
// dots and blanks dropped from each part, double-byte characters whose second byte
// is 0x5C kept whole) is resolved part by part, matching host names without regard
// to case in the machine's code page, or by the short (8.3) name Windows gives each
// name that is none itself: its first six letters, a tilde and a number that counts
// the names of the folder giving the same stem, in the folder's order, and up to three
// letters of its extension. Host names are UTF-8. Results are Win32 error
// codes: ERROR_FILE_NOT_FOUND for a missing item, ERROR_PATH_NOT_FOUND for a missing
// folder on the way, ERROR_INVALID_NAME for characters Windows does not allow.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tools/winsim/changes/changes.h"
#include "port/os.h"
#include "tools/winsim/core/codepage.h"
#include "tools/winsim/core/host_file.h"

namespace sim {

constexpr DWORD kErrorInvalidName = 123;      // ERROR_INVALID_NAME
constexpr DWORD kErrorSharingViolation = 32;  // ERROR_SHARING_VIOLATION

// A Windows path taken apart by the Win32 rules, before it meets any disk.
struct WinPath {
    char drive = 0;                  // upper-case letter
    std::vector<std::string> parts;  // below the drive's root, . and .. applied
    bool trailingSeparator = false;  // the text ended in \ or /
    bool wildcard = false;           // a part holds * or ?
    std::string Text() const;        // C:\part\part
};
// Returns 0, or ERROR_PATH_NOT_FOUND / ERROR_INVALID_NAME for text that is no path.
DWORD ParseWinPath(std::string_view text, const CodePage& cp, std::string_view currentDirectory, WinPath* out);

// What a look at a host item inside a drive found: kSpecial is neither a folder nor a regular
// file (a FIFO or a device, which is never read); a link that leads out of the drive, or
// nowhere, is kOutside and refused.
enum class HostItem { kMissing, kFound, kSpecial, kOutside };

struct FindEntry {
    std::string name;  // in the code page
    DWORD attributes = 0;
    uint64_t size = 0;
};

class FileSystem {
public:
    explicit FileSystem(const CodePage* cp);

    void MapDrive(char letter, std::string hostFolder);
    const std::map<char, std::string>& drives() const { return drives_; }
    const std::string& currentDirectory() const { return cwd_; }
    void SetCurrentDirectory(std::string path) { cwd_ = std::move(path); }
    void SetChangeLog(os::ChangeList* log) { log_ = log; }

    // Win32 behaviour; the results are error codes (0 for success).
    DWORD GetAttributes(std::string_view path, DWORD* attributes) const;
    DWORD Copy(std::string_view from, std::string_view to, bool failIfExists);
    DWORD Delete(std::string_view path);
    DWORD CreateFolder(std::string_view path);
    // An exact path finds the item itself; a last part with * or ? lists matches.
    DWORD Find(std::string_view pattern, std::vector<FindEntry>* entries) const;

    // A file to read by offset (a staged one from memory), or null when there is none or it is
    // no regular file.
    std::unique_ptr<RandomAccess> OpenFile(std::string_view path) const;

    // Building and inspecting a machine (no change log).
    bool ReadFile(std::string_view path, std::string* bytes) const;
    DWORD WriteFile(std::string_view path, std::string_view bytes);  // creates missing folders
    DWORD MakeFolders(std::string_view path);
    // The host path of an existing item, or "".
    std::string HostPath(std::string_view path) const;
    // The full Windows form of a path (C:\...), or "" when it is no valid path.
    std::string FullPath(std::string_view path) const;
    // The short (8.3) form of an existing path, as GetShortPathName gives it, or "".
    std::string ShortPath(std::string_view path) const;

    // Staging: copies, deletes and new folders are kept in memory and every look at
    // the drives sees them, but the host folders stay as they are until the owner
    // commits the staged changes (the tool, which changes a machine folder wholly or
    // not at all, and not at all on a dry run).
    void StageChanges(bool on) { staging_ = on; }
    bool Staging() const { return staging_; }
    struct StagedChange {
        enum Kind { kMakeFolder, kWrite, kDelete };
        Kind kind;
        std::string host;   // the host path to change
        std::string bytes;  // kWrite: the file's new content
    };
    // The net changes, each host path once: folders first, parents before children.
    std::vector<StagedChange> StagedChanges() const;

private:
    struct Staged {
        enum State { kFile, kFolder, kDeleted };
        State state = kFile;
        std::string hostName;  // as it will be named on the host
        std::string bytes;
    };
    struct Located {
        std::string host;        // host path of the item (or of where it would be)
        std::string parentHost;  // host path of its folder
        bool exists = false;
        bool isFolder = false;
        bool isFile = false;  // a regular file, or a staged one
        const Staged* staged = nullptr;  // the staged state of the item, when it has one
        WinPath path;
    };
    // The staged state of a folder's child, or null.
    const Staged* StagedChild(const std::string& parentHost, const std::string& name) const;
    void Stage(const Located& at, Staged::State state, std::string bytes = {});
    bool ReadLocated(const Located& at, std::string* bytes) const;
    std::unique_ptr<RandomAccess> OpenLocated(const Located& at) const;
    // Resolves every folder on the way; the item itself may be missing.
    DWORD Locate(std::string_view path, Located* out, bool allowWildcard = false) const;
    // The host name of a folder's child, matched without regard to case, and what stands there
    // (*isFolder from the one look at the host item that the match took), inside the drive `root`.
    HostItem MatchChild(const std::string& root, const std::string& hostFolder, const std::string& name,
                        std::string* hostName, bool* isFolder) const;
    bool HostName(const std::string& name, std::string* utf8) const;
    // Each child of a host folder: its host name and the short name Windows gives it.
    std::vector<std::pair<std::string, std::string>> ShortNames(const std::string& hostFolder) const;
    void Record(os::Change::Kind kind, std::string_view path, std::string_view detail = {});

    const CodePage* cp_;
    std::map<char, std::string> drives_;
    std::string cwd_ = "C:\\";
    os::ChangeList* log_ = nullptr;
    bool staging_ = false;
    // By the host path of the folder, then by the child's folded name.
    std::map<std::string, std::map<std::u16string, Staged>> staged_;
};

// Windows wildcard match (* and ?) without regard to case.
bool WildcardMatch(std::string_view pattern, std::string_view name, const CodePage& cp);

}  // namespace sim
