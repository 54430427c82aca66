// The operating-system port: every Windows function, type and constant that the
// library calls, and nothing else.
//
// The library is written once, in plain Win32 style, and calls these functions as
// os::Name(...). On Windows they are the real API (the using-declarations below).
// On Linux the simulated Windows machine (src/platform/os/sim) defines them with
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

#else  // the simulated machine: the Windows names, types and constants it keeps

#include <cstdint>

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef int INT;
typedef unsigned int UINT;
typedef char CHAR;
typedef int64_t LONGLONG;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef ULONG_PTR DWORD_PTR;
typedef ULONG_PTR SIZE_T;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef LONG HRESULT;
typedef LONG LSTATUS;
typedef DWORD REGSAM;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;
typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;
typedef DWORD_PTR* PDWORD_PTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef UINT* PUINT;
typedef void* HANDLE;
typedef void* HLOCAL;

struct HKEY__;
typedef HKEY__* HKEY;
typedef HKEY* PHKEY;
struct HWND__;
typedef HWND__* HWND;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;

#define WINAPI
#define CALLBACK
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_BAD_PATHNAME 161L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define DELETE 0x00010000L
#define READ_CONTROL 0x00020000L
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F
#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

#define GENERIC_READ 0x80000000L
#define FILE_SHARE_READ 0x00000001
#define OPEN_EXISTING 3
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

#define CSIDL_PERSONAL 0x0005
#define CSIDL_APPDATA 0x001a
#define CSIDL_PROGRAM_FILES 0x0026
#define S_OK ((HRESULT)0L)
#define S_FALSE ((HRESULT)1L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_INVALIDARG ((HRESULT)0x80070057L)

#define SW_SHOWNORMAL 1
#define WM_NULL 0x0000
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_USER 0x0400
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define SMTO_NORMAL 0x0000
#define SMTO_BLOCK 0x0001
#define SMTO_ABORTIFHUNG 0x0002
#define QS_ALLINPUT 0x04FF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_TIMEOUT 258L
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)
#define INFINITE 0xFFFFFFFF
#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
typedef FILETIME* PFILETIME;

struct SECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
struct OVERLAPPED;
typedef OVERLAPPED* LPOVERLAPPED;

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
typedef OSVERSIONINFOA* LPOSVERSIONINFOA;

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};
typedef WIN32_FIND_DATAA* LPWIN32_FIND_DATAA;

struct VS_FIXEDFILEINFO {
    DWORD dwSignature;
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};

struct POINT {
    LONG x;
    LONG y;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
typedef MSG* LPMSG;

typedef BOOL(CALLBACK* WNDENUMPROC)(HWND, LPARAM);

#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))

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
using ::SHGetFolderPathA;
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
HRESULT SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path);
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
