// The steps the installer's branches are built from: the detected program path, the
// folder of a program path, the folder test, per-user folders, the product's source
// files, and the file, folder, program and registry operations. None reports
// failure to the branch beyond what it returns; the installer never checks a copy,
// delete, folder creation or program start.
#pragma once

#include <string>

namespace install {

// folder, a backslash, name: the way every path of the installer is built.
std::string In(const std::string& folder, const char* name);

// The full path of the application's executable as detection finds it now, or "" when
// it is not installed.
std::string DetectedProgramPath(unsigned int appId);
// A program path less as many characters as the literal has (e.g. "\WinWord.exe");
// "" when the path is shorter.
std::string FolderOf(const std::string& programPath, const char* literal);
// True only for an existing folder (not a file, not an empty path).
bool IsExistingFolder(const std::string& path);
// The user's application-data folder followed by relative, or "" when there is none.
std::string UserFolder(const char* relative);
// InstallLocation\Data<subfolder>, or "" when it cannot be built.
std::string DataFolder(const char* subfolder);
// ProgramLocation\<file>, or "" when it cannot be built.
std::string ProgramFile(const char* file);

// The installer changes only absolute paths (see platform::IsAbsolutePath), never
// anything inside the product's own folders, where its sources lie, however a path
// names them: Windows compares paths without regard to case, after resolving "." and
// ".." parts, and knows a folder by its short name too. A path that fails either test,
// or whose place cannot be told, is left alone, as if the step had failed.
bool IsSafeTarget(const std::string& path);

bool CopyOver(const std::string& from, const std::string& to);  // an existing target is overwritten; true when copied
bool CopyNew(const std::string& from, const std::string& to);   // never over an existing target; true when copied
void Remove(const std::string& path);
void MakeFolders(const std::string& path);
void Start(const std::string& program, const char* parameters);

}  // namespace install
