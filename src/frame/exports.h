// The fifteen exported functions, with exactly the parameter and result types that
// their decorated names encode (long, int and unsigned int are 32-bit on Windows; the
// native build uses the port's 32-bit LONG for long).
//
// Text getters work in two calls: with a null buffer they return the length of the
// text (or a negative code) and write nothing; the caller then passes a buffer of
// length + 1 bytes (path getters: at least 260) and gets the text and its NUL.
// Codes: -1 the shell's open command cannot be read, -2 it names no supported
// program, -3 unknown AppId or nothing found, -4 the default mailer is the suite's
// groupware. State functions return 0 for off, unknown or not installed; setters
// return the state in effect before the call.
#pragma once

#include "port/os.h"

#if defined(_WIN32)
#define ZENTHO_EXPORT extern "C" __cdecl
#else
#define ZENTHO_EXPORT extern "C"
#endif

ZENTHO_EXPORT LONG GetDefaultBrowser(char* name);
ZENTHO_EXPORT LONG GetDefaultBrowserPath(char* path);
ZENTHO_EXPORT int GetDefaultBrowserState();
ZENTHO_EXPORT LONG GetDefaultMailer(char* name);
ZENTHO_EXPORT LONG GetDefaultMailerPath(char* path);
ZENTHO_EXPORT int GetDefaultMailerState();
ZENTHO_EXPORT LONG GetLatestApplicationName(unsigned int appId, char* name);
ZENTHO_EXPORT LONG GetLatestApplicationPath(unsigned int appId, char* path);
ZENTHO_EXPORT int GetLatestApplicationState(unsigned int appId);
ZENTHO_EXPORT void GetLatestSarvinTessalineAppInfo(char* application, char* displayName, char* exePath,
                                                   char* versionKey);
ZENTHO_EXPORT LONG GetSupportedApplications(unsigned int groupMask, char* list);
ZENTHO_EXPORT int SetDefaultBrowserState(int state);
ZENTHO_EXPORT int SetDefaultMailerState(int state);
ZENTHO_EXPORT int SetLatestApplicationState(unsigned int appId, int state);
ZENTHO_EXPORT void UpdateApplTransSettings(unsigned int appId, int on, int previousState);
