// Finds a function of a system library that is already loaded, where the system has it.
#pragma once

#include "platform/prelude.h"

namespace Brindle::Shell {

template <typename Function>
Function SystemFunction(const wchar_t* module, const char* name) noexcept {
    HMODULE handle = GetModuleHandleW(module);
    if (handle == nullptr) {
        return nullptr;
    }
    // GetProcAddress hands out a generic function pointer; the caller names the real type.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

} // namespace Brindle::Shell
