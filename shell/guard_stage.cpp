#include "shell/program.h"

#include "platform/failure.h"
#include "platform/text.h"
#include "shell/log.h"
#include "shell/program_state.h"

namespace Brindle::Shell {

Program::StageResult Program::GuardStage(UniqueHandle& mutex) {
    const Statics& state = State();
    SetLastError(0);
    HANDLE created = CreateMutexExW(nullptr, state.mutexName.c_str(), CREATE_MUTEX_INITIAL_OWNER,
                                    MAXIMUM_ALLOWED | SYNCHRONIZE | MUTEX_MODIFY_STATE);
    DWORD error = GetLastError();
    if (created == nullptr) {
        throw Failure::FromWin32(L"CreateMutexExW failed for " + state.mutexName, error);
    }
    mutex.Reset(created);
    if (error != ERROR_ALREADY_EXISTS) {
        return std::nullopt;
    }
    HWND running = FindWindowW(state.windowClass.c_str(), nullptr);
    if (running == nullptr) {
        // The other run has no window (yet): it cannot be brought forward, so start as a first.
        Log::Write(L"mutex bezet maar geen venster gevonden; toch doorstarten");
        return std::nullopt;
    }
    ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
    DWORD pid = 0;
    GetWindowThreadProcessId(running, &pid);
    std::wstring window = Text::Hex(reinterpret_cast<std::uintptr_t>(running), Text::Case::Lower);
    if (pid == 0 || !IsWindow(running)) {
        // The other run was closing its window: ending here would leave the user with nothing.
        Log::Write(L"al open, venster " + window + L" verdween; toch doorstarten");
        return std::nullopt;
    }
    Log::Write(L"al open, venster " + window + L" van pid " +
               Text::Decimal(static_cast<std::uint32_t>(pid)) + L" naar voren (klasse " +
               state.windowClass + L")");
    return 0;
}

} // namespace Brindle::Shell
