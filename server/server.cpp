#include "server/server.h"

#include "platform/failure.h"
#include "platform/text.h"
#include "server/process_exit.h"
#include "server/process_tree.h"
#include "shell/log.h"
#include "shell/log_exception.h"

namespace Brindle::Shell {

namespace {

constexpr DWORD StopWaitMilliseconds = 3000;

// A tool that ended by itself is left alone, and so is whatever it left behind.
void EndRunningTool(HANDLE tool, DWORD pid) {
    if (ProcessExit::CodeIfEnded(tool)) {
        return;
    }
    ProcessTree::Kill(tool, pid);
    // Descendants are not waited for, and a tool slow to go does not hold up the caller longer.
    if (WaitForSingleObject(tool, StopWaitMilliseconds) == WAIT_FAILED) {
        throw Failure::FromWin32(L"WaitForSingleObject", GetLastError());
    }
    Log::Write(L"kiv.exe gestopt");
}

} // namespace

std::wstring Server::UrlOf(std::int32_t toolPort) {
    return L"http://127.0.0.1:" + Text::Decimal(toolPort) + L"/";
}

void Server::Stop() noexcept {
    if (!process) {
        return;
    }
    try {
        EndRunningTool(process->handle.Get(), process->id);
    } catch (...) {
        LogCurrentExceptionMessage(L"kiv.exe stoppen mislukte: ");
    }
    process.reset();
    portClaim.Reset();
}

} // namespace Brindle::Shell
