// IUnknown for the shell's own COM objects, as free helpers: each object derives only from the one
// interface it hands out, so that its layout is exactly that interface's.
#pragma once

#include "platform/prelude.h"

#include <unknwn.h>

#include <atomic>
#include <string_view>

namespace Brindle::Shell {

// For an object that hands out IUnknown and `own` only, both as `self`.
HRESULT QueryOwnInterface(IUnknown* self, REFIID own, REFIID asked, void** out) noexcept;

// Both answer the count that is left; the object deletes itself when Release reaches zero.
ULONG AddReference(std::atomic<ULONG>& references) noexcept;
ULONG DropReference(std::atomic<ULONG>& references) noexcept;

// A new CoTaskMem copy of the text with its terminating null, for the receiver to free.
HRESULT CopyToTaskMemory(std::wstring_view text, LPWSTR* out) noexcept;

} // namespace Brindle::Shell
