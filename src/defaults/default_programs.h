// The default browser and mail client: the programs the shell opens for "http" and
// "mailto" links, named, located and switched (the exports' bodies; see frame/exports.h).
#pragma once

#include "port/os.h"

namespace defaults {

LONG BrowserName(char* name);
LONG BrowserPath(char* path);
int BrowserState();
int SetBrowserState(int state);

LONG MailerName(char* name);
LONG MailerPath(char* path);
int MailerState();
int SetMailerState(int state);

}  // namespace defaults
