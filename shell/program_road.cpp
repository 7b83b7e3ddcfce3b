#include "shell/program.h"

#include "platform/win32.h"
#include "shell/install_key.h"
#include "shell/log.h"

namespace Brindle::Shell {

int Program::Execute() {
    StartLineStage();
    return 0;
}

std::wstring Program::InstallKey() {
    return InstallKeyOf(Win32::ExecutableFolder());
}

void Program::StartLineStage() {
    Log::Write(L"start " + Win32::ExecutableFolder() + L" sleutel=" + InstallKey());
}

} // namespace Brindle::Shell
