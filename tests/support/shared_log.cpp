#include "support/shared_log.h"

#include "support/files.h"

#include "shell/log.h"

namespace Brindle::Tests {

bool IsStamp(std::wstring_view text) {
    constexpr std::wstring_view pattern = L"dddd-dd-dd dd:dd:dd.ddd";
    if (text.size() != pattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool digit = text[i] >= L'0' && text[i] <= L'9';
        if (pattern[i] == L'd' ? !digit : text[i] != pattern[i]) {
            return false;
        }
    }
    return true;
}

unsigned long long LogSize() {
    return FileSize(Shell::Log::Location());
}

std::string LogAppendedSince(unsigned long long size) {
    return ReadBytes(Shell::Log::Location()).substr(static_cast<std::size_t>(size));
}

} // namespace Brindle::Tests
