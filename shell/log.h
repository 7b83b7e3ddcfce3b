// The diagnostic log: one shared text file that every run appends stamped lines to.
#pragma once

#include <string>
#include <string_view>

namespace Brindle::Shell {

class Log {
public:
    Log() = delete;

    // Best effort: never fails and never raises; a line that cannot be written is lost.
    static void Write(std::wstring_view message) noexcept;
    // The log file's path, fixed by the first use of the log in this process.
    static const std::wstring& Location() noexcept;

private:
    static std::wstring Create() noexcept;
};

} // namespace Brindle::Shell
