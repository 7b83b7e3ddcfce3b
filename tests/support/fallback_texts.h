// The texts of the two browser fallbacks' boxes, as the user must see them.
#pragma once

#include <string>

namespace Brindle::Tests {

std::wstring FirstFallbackText(const std::wstring& address);
// Names the log file of this process's Wine prefix, which is the shell's too.
std::wstring SecondFallbackText(const std::wstring& address);

} // namespace Brindle::Tests
