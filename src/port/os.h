// The operating-system port: every Windows function, type and constant that the
// library calls, and nothing else.
//
// The library is written once, in plain Win32 style, and calls these functions as
// os::Name(...). On Windows they are the real API (the using-declarations below).
// On Linux the simulated Windows machine (winsim/core) defines them with
// the same results, error codes, size rules and NUL rules, so that the native build
// runs the same library code against a machine held in memory and on host folders.
//
// Keeping the list short is the point: a function the library starts to use must be
// added here, which makes the native build fail until the simulation has it too.
#pragma once

#include <cstddef>

#if defined(_WIN32)

#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>
#include <io.h>
#include <mbstring.h>
#include <stdlib.h>

#else

#include "tools/winsim/core/windows_types.h"  // the Windows names, types and constants the simulation keeps

#endif  // _WIN32

namespace os {

#if defined(_WIN32)

// Registry (advapi32).
using ::RegCloseKey;
using ::RegCreateKeyExA;
using ::RegDeleteKeyA;
using ::RegDeleteValueA;
using ::RegEnumKeyExA;
using ::RegOpenKeyExA;
using ::RegQueryInfoKeyA;
using ::RegQueryValueExA;
using ::RegSetValueExA;
// Kernel services (kernel32).
using ::CloseHandle;
using ::CopyFileA;
using ::CreateDirectoryA;
using ::CreateFileA;
using ::DeleteFileA;
using ::ExpandEnvironmentStringsA;
using ::FindClose;
using ::FindFirstFileA;
using ::FindNextFileA;
using ::GetACP;
using ::GetFileAttributesA;
using ::GetFullPathNameA;
using ::GetPrivateProfileStringA;
using ::GetTickCount;
using ::GetVersionExA;
using ::GetWindowsDirectoryA;
using ::IsDBCSLeadByte;
using ::LocalAlloc;
using ::LocalFree;
using ::ReadFile;
// Version resources (version.dll).
using ::GetFileVersionInfoA;
using ::GetFileVersionInfoSizeA;
using ::VerQueryValueA;
// Shell (shell32).
using ::ShellExecuteA;
using ::SHGetMalloc;
using ::SHGetPathFromIDListA;
using ::SHGetSpecialFolderLocation;
// Window manager (user32).
using ::DispatchMessageA;
using ::EnumWindows;
using ::FindWindowA;
using ::GetClassNameA;
using ::GetWindowTextA;
using ::MsgWaitForMultipleObjects;
using ::PeekMessageA;
using ::SendMessageTimeoutA;
using ::TranslateMessage;
// C runtime: heap, files, and the multi-byte string functions of the ANSI code page.
using ::_access;
using ::_mbschr;
using ::_mbscmp;
using ::_mbslwr;
using ::_mbsnbcmp;
using ::_mbspbrk;
using ::_mbsrchr;
using ::_mbsspn;
using ::_mbsstr;
using ::_searchenv;
using ::free;
using ::malloc;

#else

// Registry (advapi32).
LONG RegCloseKey(HKEY key);
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                     LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
LONG RegDeleteKeyA(HKEY key, LPCSTR subKey);
LONG RegDeleteValueA(HKEY key, LPCSTR valueName);
LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR keyClass,
                   LPDWORD classSize, PFILETIME lastWrite);
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classSize, LPDWORD reserved, LPDWORD subKeys,
                      LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen,
                      LPDWORD maxValueLen, LPDWORD securityDescriptor, PFILETIME lastWrite);
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
// Kernel services (kernel32).
BOOL CloseHandle(HANDLE handle);
BOOL CopyFileA(LPCSTR existing, LPCSTR target, BOOL failIfExists);
BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security);
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
BOOL DeleteFileA(LPCSTR path);
DWORD ExpandEnvironmentStringsA(LPCSTR text, LPSTR out, DWORD outSize);
BOOL FindClose(HANDLE find);
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data);
UINT GetACP();
DWORD GetFileAttributesA(LPCSTR path);
DWORD GetFullPathNameA(LPCSTR path, DWORD outSize, LPSTR out, LPSTR* filePart);
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText, LPSTR out, DWORD outSize,
                               LPCSTR fileName);
DWORD GetTickCount();
BOOL GetVersionExA(LPOSVERSIONINFOA info);
UINT GetWindowsDirectoryA(LPSTR out, UINT outSize);
BOOL IsDBCSLeadByte(BYTE byte);
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL LocalFree(HLOCAL block);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped);
// Version resources (version.dll).
BOOL GetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID data);
DWORD GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle);
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* value, PUINT valueSize);
// Shell (shell32).
HRESULT SHGetMalloc(LPMALLOC* allocator);
BOOL SHGetPathFromIDListA(LPCITEMIDLIST items, LPSTR path);
HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* items);
HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show);
// Window manager (user32).
LRESULT DispatchMessageA(const MSG* msg);
BOOL EnumWindows(WNDENUMPROC callback, LPARAM param);
HWND FindWindowA(LPCSTR className, LPCSTR title);
int GetClassNameA(HWND window, LPSTR out, int outSize);
int GetWindowTextA(HWND window, LPSTR out, int outSize);
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, DWORD wakeMask);
BOOL PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT remove);
LRESULT SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout,
                            PDWORD_PTR result);
BOOL TranslateMessage(const MSG* msg);
// C runtime: heap, files, and the multi-byte string functions of the ANSI code page.
int _access(const char* path, int mode);
unsigned char* _mbschr(const unsigned char* text, unsigned int c);
int _mbscmp(const unsigned char* a, const unsigned char* b);
unsigned char* _mbslwr(unsigned char* text);
int _mbsnbcmp(const unsigned char* a, const unsigned char* b, size_t count);
unsigned char* _mbspbrk(const unsigned char* text, const unsigned char* set);
unsigned char* _mbsrchr(const unsigned char* text, unsigned int c);
size_t _mbsspn(const unsigned char* text, const unsigned char* set);
unsigned char* _mbsstr(const unsigned char* text, const unsigned char* find);
void _searchenv(const char* fileName, const char* variable, char* out);
void free(void* block);
void* malloc(size_t bytes);

#endif

}  // namespace os
