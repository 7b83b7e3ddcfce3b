// The part of the shared log file that a test appended.
#pragma once

#include <string>

namespace Brindle::Tests {

// The log's size now, to read from later.
unsigned long long LogSize();
// What was appended to the log since it had that size.
std::string LogAppendedSince(unsigned long long size);

} // namespace Brindle::Tests
