#include "shell/program.h"

#include "platform/win32.h"
#include "shell/install_key.h"
#include "shell/log.h"
#include "shell/program_state.h"

namespace Brindle::Shell {

int Program::Execute() {
    StartLineStage();
    // Held until the road ends, on every way out: only the name's existence matters.
    UniqueHandle mutex;
    if (auto end = GuardStage(mutex)) {
        return *end;
    }
    if (auto end = WindowClassStage()) {
        return *end;
    }
    if (auto end = MainWindowStage()) {
        return *end;
    }
    return MessageLoopStage();
}

std::wstring Program::InstallKey() {
    return InstallKeyOf(Win32::ExecutableFolder());
}

Program::Statics& Program::State() {
    static Statics statics;
    return statics;
}

const std::wstring& Program::WindowClass() {
    return State().windowClass;
}
const std::wstring& Program::MutexName() {
    return State().mutexName;
}

void Program::StartLineStage() {
    Log::Write(L"start " + Win32::ExecutableFolder() + L" sleutel=" + InstallKey());
}

} // namespace Brindle::Shell
