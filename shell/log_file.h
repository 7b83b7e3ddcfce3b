// Appends one line to the log file: opened, written and closed again, retried on input/output
// errors.
#pragma once

#include <string>
#include <string_view>

namespace Brindle::Shell::LogFile {

struct Outcome {
    int attempts = 0;
    bool written = false;
};

inline constexpr int MaxAttempts = 5;
inline constexpr unsigned PauseMilliseconds = 20;

// An empty location or a line that is not valid UTF-16 is dropped without an attempt.
Outcome Append(const std::wstring& location, std::wstring_view line) noexcept;

} // namespace Brindle::Shell::LogFile
