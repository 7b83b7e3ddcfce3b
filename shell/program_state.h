// Program's static state, made once, when the road first touches it.
#pragma once

#include "server/server.h"
#include "shell/program.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Brindle::Shell {

struct Program::Statics {
    // In this order: the class name first, the mutex name second, then the DPI.
    std::wstring windowClass = L"BrindleShellWindow-" + Program::InstallKey();
    std::wstring mutexName = L"Local\\BrindleShell-" + Program::InstallKey();
    std::uint32_t dpi = 96;
    HWND hwnd = nullptr;
    // Set once, by the server stage, and kept until the process ends.
    std::unique_ptr<Server> server;
};

} // namespace Brindle::Shell
