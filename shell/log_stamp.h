// The time stamp of a log line, "yyyy-MM-dd HH:mm:ss.fff", the same under every regional setting.
#pragma once

#include "platform/prelude.h"

#include <string>

namespace Brindle::Shell::LogStamp {

std::wstring Format(const SYSTEMTIME& time);
// Stamps the local time: the log is read beside the user's own clock.
std::wstring Now();

} // namespace Brindle::Shell::LogStamp
