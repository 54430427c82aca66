/*
 * ZenthoAppAPILib.h: the interface of ZenthoAppAPILib.dll, the library through which
 * Zentho V4 integrates its translation with other Windows programs.
 *
 * The fifteen functions are C++ functions with the __cdecl convention; the DLL exports
 * them under their decorated names at ordinals 1-15. Link with ZenthoAppAPILib.lib
 * (Microsoft's linker) or libZenthoAppAPILib.dll.a (MinGW).
 *
 * Texts are NUL-terminated in the system's ANSI code page (Shift-JIS on Japanese
 * systems). The text getters take no buffer size: call them with a null buffer for
 * the length, then with a buffer of length + 1 bytes, and with at least 260 bytes for
 * the path getters, which expand %NAME% references into the buffer after counting.
 * Negative results: -1 the shell's open command cannot be read, -2 it names no
 * supported program, -3 unknown AppId or nothing found, -4 the default mail client is
 * the Sarvin groupware. State functions answer 0 for off, unknown or not installed;
 * setters answer the state in effect before the call.
 */
#ifndef ZENTHOAPPAPILIB_H
#define ZENTHOAPPAPILIB_H

#if defined(_WIN32)
#define ZENTHOAPPAPI_CALL __cdecl
#if defined(ZENTHOAPPAPILIB_BUILDING)
#define ZENTHOAPPAPI_IMPORT __declspec(dllexport)
#else
#define ZENTHOAPPAPI_IMPORT __declspec(dllimport)
#endif
#else
#define ZENTHOAPPAPI_CALL
#define ZENTHOAPPAPI_IMPORT
#endif

/* Applications (AppId): a group bit (0x100-0x2000) and a member bit (0x01-0x10). */
enum ZenthoAppId : unsigned int {
    ZENTHO_APP_INTERNET_EXPLORER = 0x101,
    ZENTHO_APP_NETSCAPE_NAVIGATOR = 0x102,
    ZENTHO_APP_OUTLOOK_EXPRESS = 0x201,
    ZENTHO_APP_OUTLOOK_MAIL = 0x202, /* shares its state with ZENTHO_APP_OUTLOOK */
    ZENTHO_APP_NETSCAPE_MESSENGER = 0x204,
    ZENTHO_APP_EUDORA_PRO = 0x208,
    ZENTHO_APP_QUILLON = 0x210,
    ZENTHO_APP_WORD = 0x401,
    ZENTHO_APP_OUTLOOK = 0x402,
    ZENTHO_APP_EXCEL = 0x404,
    ZENTHO_APP_POWERPOINT = 0x408,
    ZENTHO_APP_CORVANE = 0x801,
    ZENTHO_APP_SCRIVALE = 0x802,
    ZENTHO_APP_CALVORA = 0x804,
    ZENTHO_APP_PICTORA = 0x808,
    ZENTHO_APP_ACROBAT = 0x1001,
    ZENTHO_APP_ACROBAT_READER = 0x1002,
    ZENTHO_APP_ICHITARO = 0x2001
};

/* Group masks for GetSupportedApplications (group bit | 0xFF); combine them with |. */
enum ZenthoGroupMask : unsigned int {
    ZENTHO_GROUP_BROWSERS = 0x1FF,
    ZENTHO_GROUP_MAILERS = 0x2FF,
    ZENTHO_GROUP_OFFICE = 0x4FF,
    ZENTHO_GROUP_SUITE = 0x8FF,
    ZENTHO_GROUP_ACROBAT = 0x10FF,
    ZENTHO_GROUP_ICHITARO = 0x20FF,
    ZENTHO_GROUP_ALL = 0x3FFF
};

/* The library's own sources take the names above and nothing else. */
#if !defined(ZENTHOAPPAPILIB_NAMES_ONLY)

/* The default browser (Internet Explorer or Netscape Navigator): its display name
 * (the Netscape name's count includes its NUL), its program path, -1 or -2. */
ZENTHOAPPAPI_IMPORT long ZENTHOAPPAPI_CALL GetDefaultBrowser(char* name);
ZENTHOAPPAPI_IMPORT long ZENTHOAPPAPI_CALL GetDefaultBrowserPath(char* path);
/* Integration state of the default browser, and switching it. */
ZENTHOAPPAPI_IMPORT int ZENTHOAPPAPI_CALL GetDefaultBrowserState();
ZENTHOAPPAPI_IMPORT int ZENTHOAPPAPI_CALL SetDefaultBrowserState(int state);

/* The default mail client: display name, path; -1, -2, or -4 (name only) for the
 * Sarvin groupware. */
ZENTHOAPPAPI_IMPORT long ZENTHOAPPAPI_CALL GetDefaultMailer(char* name);
ZENTHOAPPAPI_IMPORT long ZENTHOAPPAPI_CALL GetDefaultMailerPath(char* path);
ZENTHOAPPAPI_IMPORT int ZENTHOAPPAPI_CALL GetDefaultMailerState();
ZENTHOAPPAPI_IMPORT int ZENTHOAPPAPI_CALL SetDefaultMailerState(int state);

/* The newest installed version of an application: display name (e.g. "Microsoft Word
 * 2000") and executable path; -3 when unknown or not installed. */
ZENTHOAPPAPI_IMPORT long ZENTHOAPPAPI_CALL GetLatestApplicationName(unsigned int appId, char* name);
ZENTHOAPPAPI_IMPORT long ZENTHOAPPAPI_CALL GetLatestApplicationPath(unsigned int appId, char* path);

/* Integration state for the current user and the installed version; setting it places
 * or removes the integration and answers the state before. */
ZENTHOAPPAPI_IMPORT int ZENTHOAPPAPI_CALL GetLatestApplicationState(unsigned int appId);
ZENTHOAPPAPI_IMPORT int ZENTHOAPPAPI_CALL SetLatestApplicationState(unsigned int appId, int state);

/* A Sarvin Tessaline application ("Corvane", "Scrivale", "Calvora", "Pictora"):
 * display name, executable path and version key, each output of 261 bytes or null. */
ZENTHOAPPAPI_IMPORT void ZENTHOAPPAPI_CALL GetLatestSarvinTessalineAppInfo(char* application, char* displayName,
                                                                          char* exePath, char* versionKey);

/* The names of the supported applications of the groups in the mask, each in double
 * quotes, separated by comma, CR, LF; always 0. The buffer must hold the whole list. */
ZENTHOAPPAPI_IMPORT long ZENTHOAPPAPI_CALL GetSupportedApplications(unsigned int groupMask, char* list);

/* Places (on != 0) or removes the integration itself, as SetLatestApplicationState
 * does after recording the state; previousState is the state recorded before. */
ZENTHOAPPAPI_IMPORT void ZENTHOAPPAPI_CALL UpdateApplTransSettings(unsigned int appId, int on, int previousState);

#endif /* !ZENTHOAPPAPILIB_NAMES_ONLY */

#endif /* ZENTHOAPPAPILIB_H */
