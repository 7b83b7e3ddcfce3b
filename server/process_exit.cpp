#include "server/process_exit.h"

#include "platform/failure.h"

namespace Brindle::Shell::ProcessExit {

std::optional<DWORD> CodeIfEnded(HANDLE process) {
    DWORD code = 0;
    if (GetExitCodeProcess(process, &code) && code != STILL_ACTIVE) {
        return code;
    }
    // A process may end with the very code that means "still active"; only its handle knows.
    DWORD waited = WaitForSingleObject(process, 0);
    if (waited == WAIT_TIMEOUT) {
        return std::nullopt;
    }
    if (waited != WAIT_OBJECT_0) {
        throw Failure::FromWin32(L"WaitForSingleObject", GetLastError());
    }
    if (!GetExitCodeProcess(process, &code)) {
        throw Failure::FromWin32(L"GetExitCodeProcess", GetLastError());
    }
    return code;
}

} // namespace Brindle::Shell::ProcessExit
