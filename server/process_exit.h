// Whether a process has ended, and with which code.
#pragma once

#include "platform/prelude.h"

#include <optional>

namespace Brindle::Shell::ProcessExit {

// The exit code of a process that has ended, or none while it runs. The handle needs query
// and synchronize rights; a failure to tell throws.
std::optional<DWORD> CodeIfEnded(HANDLE process);

} // namespace Brindle::Shell::ProcessExit
