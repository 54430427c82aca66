// Offline Windows images: a mounted Windows system volume as a simulated machine, its
// registry read from the hive files through hivex.
//
//   DIR/<windir>/system32/config/SOFTWARE   HKEY_LOCAL_MACHINE\SOFTWARE
//   DIR/<windir>/system32/config/SYSTEM     HKEY_LOCAL_MACHINE\SYSTEM, with CurrentControlSet
//                                           the control set that Select\Current names
//   PROFILE/NTUSER.DAT                           HKEY_CURRENT_USER, and its Software\Classes:
//       PROFILE/Local Settings/Application Data/Microsoft/Windows/UsrClass.dat  (Windows 2000, XP)
//       PROFILE/AppData/Local/Microsoft/Windows/UsrClass.dat                     (Vista and later)
//
// PROFILE is the folder that SOFTWARE's Microsoft\Windows NT\CurrentVersion\ProfileList\<SID>
// names in ProfileImagePath (C:\Documents and Settings\USER, C:\Users\USER, ...), as Windows
// maps its users, and <SID> is the key of HKEY_USERS that is HKEY_CURRENT_USER.
//
// The machine's settings come from where Windows keeps them: the code page from the SYSTEM
// hive's Control\Nls\CodePage (ACP), the version from Microsoft\Windows NT\CurrentVersion,
// the environment from Session Manager\Environment and the user's Environment with the
// variables Windows derives (SystemRoot, ProgramFiles, USERPROFILE, APPDATA, ...), the
// shell folders from the user's Shell Folders and User Shell Folders. DIR is drive C:.
//
// An image is read-only: keys are read from the hives when the library first opens them,
// and changes stay in memory (the machine's change list has them; WriteChangesReg in
// regfile.h writes their registry part); the port refuses to copy, delete or make files on
// the drive. A hive that hivex refuses is an error naming the file; a hive that is damaged
// inside reads as far as hivex can read it, the rest as missing.
#pragma once

#include <memory>
#include <string>

#include "tools/winsim/core/machine.h"

namespace sim {

// `user` picks the profile (its folder name or its SID, without regard to case); empty takes
// the only one. Null with *error set when DIR is no Windows volume, a hive cannot be read, the
// code page is not one the simulation has, or the profile is missing or not unique (the
// message then lists the profiles).
std::unique_ptr<Machine> LoadImage(const std::string& dir, const std::string& user, std::string* error);

// The machine.ini of a machine folder with the machine's Windows settings, environment and
// shell folders (not its programs or windows), and its drive C: as a link to `drive`: an
// image's settings, for a folder that holds its registry as .reg files.
bool WriteSettingsFolder(const Machine& machine, const std::string& drive, const std::string& folder,
                         std::string* error);

// A hive file with nothing but its root key, for hivex's writing functions to fill: hivex
// opens hives but makes none, and the tests and the benchmark make their own.
bool WriteEmptyHive(const std::string& path, std::string* error);

}  // namespace sim
