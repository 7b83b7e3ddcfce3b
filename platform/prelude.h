// Included first by every source that touches Windows, so that all of them see one set of headers.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
// GetDpiForSystem and GetTempPath2W's era; older systems are handled at run time.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#endif
#ifndef WINVER
#define WINVER 0x0A00
#endif

// winsock2.h must come before windows.h, or the older winsock.h wins.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
