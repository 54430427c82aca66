// The product's folders, shell folders, paths, folder creation, program start and
// logon entries.
//
// Every function that returns a path returns a heap string (heap_string.h) that the
// caller releases, or null on failure; the others answer 1 or 0.
#pragma once

#include <string>

#include "port/os.h"

namespace platform {

// The path of a shell folder (CSIDL), e.g. 26 for the user's application data.
char* GetSpecialFolderPath(int csidl);
char* GetAppDataFolder();

// A string value of the product's key under HKEY_LOCAL_MACHINE, as stored (an
// expandable value is not expanded); null when the key or value is missing or not text.
char* ReadProductSetting(const char* valueName);
// The product's folders, or their built-in defaults; null only when memory runs out.
char* GetInstallLocation();
char* GetProgramLocation();
char* MakeProgramPath(const char* name);
char* GetDataFolder();
// data folder \ first [\ second]
char* MakeDataPath(const char* first, const char* second);

// head + one backslash + tail: one backslash at the seam whatever either side brings
// (at most one on each side is dropped); a trailing backslash of the tail goes too.
char* JoinPath(const char* head, const char* tail);
// 1 when the last character (not a second byte of a double-byte one) is a backslash.
int EndsWithBackslash(const char* text);
int FileExists(const char* path);
// 1 for a path that names its drive and starts at its root ("C:\...") or a network
// share ("\\server\share..."): nothing about it depends on the current folder.
int IsAbsolutePath(const char* path);
// 1 when both files could be read whole and hold the same bytes.
int SameFileBytes(const char* a, const char* b);
// 1 with *fingerprint set to the file's size and a 64-bit hash of its bytes (FNV-1a), as
// text ("SIZE:HASH"), when the file could be read whole.
int FileFingerprint(const char* path, std::string* fingerprint);
// 1 when the folder exists or one create-folder call made it.
int EnsureDirectory(const char* path);
// Creates every missing folder of an absolute path; 1 when all exist at the end.
// Refuses, without touching the disk, a path whose root does not exist or which holds
// / : * ? " < > | after its root, and paths of 260 bytes or more.
int MakeDirectoryTree(const char* path);

// The shell's "open" verb, shown normally; 1 when the shell started it.
int ShellOpen(const char* file, const char* parameters, const char* folder);
int RunFromProgramFolder(const char* file, const char* parameters);

// A value under the Run key of root (HKEY_LOCAL_MACHINE on Windows 95, whatever root
// is given, as Windows 95 has no per-user logon programs).
int SetRunEntry(HKEY root, const char* valueName, const char* command);
int RemoveRunEntry(HKEY root, const char* valueName);

// 1 Win32s, 2 Windows 95, 4 Windows 98/Me, 16 NT 3, 32 NT 4, 64 Windows 2000/XP, 0 other.
enum WindowsPlatform {
    kWin32s = 1,
    kWindows95 = 2,
    kWindows98 = 4,
    kWindowsNT3 = 16,
    kWindowsNT4 = 32,
    kWindows2000 = 64,
};
int GetWindowsPlatform();

}  // namespace platform
