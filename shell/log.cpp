#include "shell/log.h"

#include "platform/win32.h"
#include "shell/log_file.h"
#include "shell/log_location.h"
#include "shell/log_stamp.h"

namespace Brindle::Shell {

void Log::Write(std::wstring_view message) noexcept {
    try {
        // The stamp is the time of the call, however many attempts the line needs.
        std::wstring line = LogStamp::Now() + L"  ";
        line.append(message);
        line.append(L"\r\n");
        LogFile::Append(Location(), line);
    } catch (...) {
        // No memory for the line: it is dropped like any other line that cannot be written.
    }
}

const std::wstring& Log::Location() noexcept {
    static const std::wstring location = Create();
    return location;
}

std::wstring Log::Create() noexcept {
    std::wstring localAppData;
    try {
        localAppData = Win32::KnownFolder(FOLDERID_LocalAppData);
    } catch (...) {
        // Without memory for the folder's name the log folder cannot be made either.
        return LogLocation::InTempFolder(&Win32::TempFolder);
    }
    return LogLocation::Choose(localAppData, &Win32::TempFolder);
}

} // namespace Brindle::Shell
