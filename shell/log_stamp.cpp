#include "shell/log_stamp.h"

#include "platform/text.h"

namespace Brindle::Shell::LogStamp {

namespace {

void AppendDigits(std::wstring& out, WORD value, int width) {
    std::wstring digits = Text::Decimal(static_cast<std::uint32_t>(value));
    if (static_cast<int>(digits.size()) < width) {
        out.append(static_cast<std::size_t>(width) - digits.size(), L'0');
    }
    out += digits;
}

} // namespace

std::wstring Format(const SYSTEMTIME& time) {
    std::wstring stamp;
    AppendDigits(stamp, time.wYear, 4);
    stamp += L'-';
    AppendDigits(stamp, time.wMonth, 2);
    stamp += L'-';
    AppendDigits(stamp, time.wDay, 2);
    stamp += L' ';
    AppendDigits(stamp, time.wHour, 2);
    stamp += L':';
    AppendDigits(stamp, time.wMinute, 2);
    stamp += L':';
    AppendDigits(stamp, time.wSecond, 2);
    stamp += L'.';
    AppendDigits(stamp, time.wMilliseconds, 3);
    return stamp;
}

std::wstring Now() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return Format(now);
}

} // namespace Brindle::Shell::LogStamp
