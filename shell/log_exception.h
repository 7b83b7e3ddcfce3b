// For the boundaries that no exception may cross: the window procedure and the COM callbacks.
#pragma once

#include <string_view>

namespace Brindle::Shell {

// Call only inside a catch block: logs prefix + the exception's full text; never raises.
void LogCurrentException(std::wstring_view prefix) noexcept;
// The same with the exception's message alone, for lines that continue a best-effort step.
void LogCurrentExceptionMessage(std::wstring_view prefix) noexcept;

} // namespace Brindle::Shell
