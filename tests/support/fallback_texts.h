// The texts of the two browser fallbacks' boxes, as the user must see them.
#pragma once

#include <string>

namespace Brindle::Tests {

// Whether the browser took the address changes only each box's opening sentences.
std::wstring FirstFallbackText(const std::wstring& address, bool browserOpened = true);
// Names the log file of this process's Wine prefix, which is the shell's too.
std::wstring SecondFallbackText(const std::wstring& address, bool browserOpened = true);

} // namespace Brindle::Tests
