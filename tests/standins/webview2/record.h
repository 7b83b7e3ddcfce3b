// The record file that tells a test what the shell asked of the runtime.
#pragma once

#include "platform/prelude.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace Brindle::Standin {

// One line: the event, its fields and the time it began, appended to WEBVIEW2_STANDIN_RECORD.
class Record {
public:
    explicit Record(std::wstring_view event);

    Record& Text(std::wstring_view key, std::wstring_view value);
    // The text, or (null).
    Record& TextOrNull(std::wstring_view key, const wchar_t* value);
    Record& Code(std::wstring_view key, HRESULT code);
    Record& Number(std::wstring_view key, std::int64_t value);
    Record& YesNo(std::wstring_view key, bool value);
    // apartment=<the calling thread's COM apartment>: sta, mainsta, mta, neutral or none.
    Record& Apartment();

    // Nothing happens when the variable is unset; a failure to write is ignored.
    void Write() noexcept;

private:
    std::wstring line_;
    std::uint64_t time_;
};

// Records a call that the shell is not expected to make and answers it as not implemented.
HRESULT Unexpected(const wchar_t* method) noexcept;

} // namespace Brindle::Standin
