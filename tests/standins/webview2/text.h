// Texts between the wide strings of the interfaces and the UTF-8 of the record file.
#pragma once

#include "platform/prelude.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace Brindle::Standin {

// Unpaired surrogates and invalid sequences become U+FFFD.
std::string Utf8(std::wstring_view text);
std::wstring WideFromUtf8(std::string_view text);

// Uppercase, without prefix, at least minDigits digits.
std::wstring Hex(std::uint64_t value, int minDigits = 1);
// An HRESULT as the record writes it: 8 uppercase digits.
std::wstring HexCode(HRESULT code);

// A CoTaskMem copy for the receiver to free; null when there is no memory.
wchar_t* TaskMemoryCopy(std::wstring_view text) noexcept;

} // namespace Brindle::Standin
