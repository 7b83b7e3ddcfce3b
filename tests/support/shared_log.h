// The part of the shared log file that a test appended.
#pragma once

#include <string>
#include <string_view>

namespace Brindle::Tests {

// Whether the text has the form of a log line's stamp, "yyyy-MM-dd HH:mm:ss.fff".
bool IsStamp(std::wstring_view text);

// The log's size now, to read from later.
unsigned long long LogSize();
// What was appended to the log since it had that size.
std::string LogAppendedSince(unsigned long long size);

} // namespace Brindle::Tests
