#include "shell/log_exception.h"

#include "platform/failure.h"
#include "shell/log.h"

namespace Brindle::Shell {

void LogCurrentException(std::wstring_view prefix) noexcept {
    try {
        std::wstring line(prefix);
        line += DescribeCurrentException().fullText;
        Log::Write(line);
    } catch (...) {
        // Not even the line could be made: drop it, like any line that cannot be written.
    }
}

} // namespace Brindle::Shell
