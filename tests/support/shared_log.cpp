#include "support/shared_log.h"

#include "support/files.h"

#include "shell/log.h"

namespace Brindle::Tests {

unsigned long long LogSize() {
    return FileSize(Shell::Log::Location());
}

std::string LogAppendedSince(unsigned long long size) {
    return ReadBytes(Shell::Log::Location()).substr(static_cast<std::size_t>(size));
}

} // namespace Brindle::Tests
