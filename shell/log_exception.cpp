#include "shell/log_exception.h"

#include "platform/failure.h"
#include "shell/log.h"

namespace Brindle::Shell {

namespace {

template <typename Pick>
void LogWithPrefix(std::wstring_view prefix, Pick pick) noexcept {
    try {
        std::wstring line(prefix);
        line += pick(DescribeCurrentException());
        Log::Write(line);
    } catch (...) {
        // Not even the line could be made: drop it, like any line that cannot be written.
    }
}

} // namespace

void LogCurrentException(std::wstring_view prefix) noexcept {
    LogWithPrefix(prefix, [](const CaughtTexts& caught) { return caught.fullText; });
}

void LogCurrentExceptionMessage(std::wstring_view prefix) noexcept {
    LogWithPrefix(prefix, [](const CaughtTexts& caught) { return caught.message; });
}

} // namespace Brindle::Shell
