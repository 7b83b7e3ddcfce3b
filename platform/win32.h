// The few system services that several parts of the shell ask for, each wrapped once.
#pragma once

#include "platform/prelude.h"

#include <shlobj.h>

#include <string>

namespace Brindle::Shell {

class Win32 {
public:
    Win32() = delete;

    // The folder that holds the running executable, as the system reports it, ending in a
    // backslash.
    static std::wstring ExecutableFolder();
    // The system's message text for a Windows error code, without the trailing line break.
    static std::wstring SystemMessage(DWORD code);
    // A known folder's path, or the empty text when the system reports none.
    static std::wstring KnownFolder(const KNOWNFOLDERID& id);
    // The user's temporary folder, ending in a backslash, or the empty text when there is none.
    static std::wstring TempFolder();
    // An environment variable's value exactly as set; the empty text when it is not set.
    static std::wstring EnvironmentVariable(const wchar_t* name);
    // The system DPI, or 0 where the system lacks the call (before Windows 10).
    static UINT GetDpiForSystem();
};

} // namespace Brindle::Shell
