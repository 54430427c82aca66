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

#include <memory>
#include <string>
#include <vector>

#include "platform/os/sim/machine.h"
#include "platform/os/sim/regfile.h"

namespace sim {

std::unique_ptr<Machine> LoadMachineFolder(const std::string& folder, std::string* error);

// Writes the registry back as FOLDER/registry.reg and removes the folder's other .reg
// files, only once the new file is complete.
bool SaveMachineRegistry(Machine& machine, const std::string& folder, std::string* error);

// Writes the windows open once the programs have settled as FOLDER/running.ini
// ([window] sections, UTF-8); from then on the folder's open windows are those of
// running.ini, not the [window] sections of machine.ini.
bool SaveMachineDesktop(Machine& machine, const std::string& folder, std::string* error);

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

}  // namespace sim
