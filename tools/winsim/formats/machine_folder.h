// Machine folders: a simulated machine kept on disk, for the command-line tool and
// for tests.
//
//   MACHINE/
//     machine.ini   the machine's settings (optional; UTF-8)
//     *.reg         registry contents, imported in file-name order
//     drives/C/...  the C: drive; other letters likewise
//
// machine.ini sections: [windows] (platform, major, minor, build, codepage, keyorder,
// windir, user, cwd), [environment] (NAME=value), [folders] (CSIDL number=path), and
// any number of [program] sections (path, window=CLASS | TITLE, show-after,
// close-after, hung) and [window] sections (class, title, owner, hung) for the
// desktop (replaced by those of running.ini once the tool has written one). A ';'
// after a blank starts a comment. Anything the loader cannot read is
// refused with the file and line named.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tools/winsim/core/machine.h"
#include "tools/winsim/formats/regfile.h"

namespace sim {

std::unique_ptr<Machine> LoadMachineFolder(const std::string& folder, std::string* error);

// The files and folder of a machine folder, named once for the loader, the tool and
// the writers of folders.
inline constexpr char kMachineIni[] = "machine.ini";
inline constexpr char kRunningIni[] = "running.ini";
inline constexpr char kDrivesFolder[] = "drives";

// The file in which the tool keeps the registry changes it made, apart from the
// folder's own .reg files, which it never rewrites; imported after them.
inline constexpr char kToolChangesFile[] = "zentho-appapi-changes.reg";

// The folder's .reg files in the order they are imported (the tool's own last, when
// asked for); every one read through once, so that a folder with a malformed file is
// refused whole, the S-1-5-21 users they name noted; then applied to a registry. With
// unicode (an NT machine), text the code page cannot hold is kept as it was written.
std::vector<std::filesystem::path> RegistryFiles(const std::filesystem::path& folder, bool withToolChanges);
bool CheckRegistryFiles(const std::vector<std::filesystem::path>& files, const CodePage& cp, bool unicode,
                        std::set<std::string>* sids, std::string* error);
bool ApplyRegistryFiles(const std::vector<std::filesystem::path>& files, const CodePage& cp, bool unicode,
                        Registry& registry, std::string* error);

// The whole registry as one REGEDIT4 file (an export), written a key at a time.
bool ExportMachineRegistry(Machine& machine, const std::string& file, std::string* error);

// The windows open once the programs have settled, as FOLDER/running.ini holds them
// ([window] sections, UTF-8); once written, the folder's open windows are those of
// running.ini, not the [window] sections of machine.ini.
std::string DesktopText(Machine& machine);

// Applies the steps of a parsed .reg file to a registry (keys below
// HKEY_USERS\<user>_Classes land in the user's Software\Classes, as Windows links them).
void ApplyRegFile(Registry& registry, const std::vector<RegFileOp>& ops);

// The same a step at a time, as ReadRegFile hands them on. A key's values follow its
// step, so the key is found once for them all, as regedit opens it once.
class RegFileApplier {
public:
    explicit RegFileApplier(Registry& registry);
    void Apply(const RegFileOp& op);

private:
    std::string Target(const std::string& key) const;
    RegKey* Ensure(const std::string& target);
    void ApplyWide(const RegFileOp& op);

    Registry& registry_;
    std::string linked_;    // HKEY_USERS\<user>_Classes
    std::string lastPath_;  // the path of the last key found, as the file names it
    RegKey* lastKey_ = nullptr;
    // The keys on the way to the last key made or found, and where each one's path ends in
    // trailPath_: a file lists parents before children, so a new key's parent is usually
    // here, and finding it costs one lookup instead of one per level.
    std::string trailPath_;
    std::vector<std::pair<size_t, RegKey*>> trail_;
};

// Every key of the registry, in enumeration order, ready to be written as a .reg file.
std::vector<RegFileKey> ExportRegistry(Registry& registry);

// Every key but the hives, depth first in enumeration order, with its path as a .reg file
// names it: in the code page, or in UTF-8 (`wide`) from the first name the code page cannot
// hold; SubkeyPath is the path of a subkey so named.
void WalkKeys(Registry& registry, const std::function<void(RegKey* key, const std::string& path, bool wide)>& visit);
void SubkeyPath(const CodePage& cp, const std::string& path, bool wide, const std::string& name, bool nameWide,
                std::string* out, bool* outWide);

}  // namespace sim
