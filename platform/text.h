// Conversions and number formats for log lines and messages, independent of the user's locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Brindle::Shell::Text {

// Strict: an unpaired surrogate gives no result rather than a substitute character.
std::optional<std::string> Utf8(std::wstring_view text);
// For texts that only inform (exception messages): unpaired surrogates become U+FFFD.
std::string Utf8Lenient(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring WideFromUtf8(std::string_view text);

std::wstring Decimal(std::int64_t value);
std::wstring Decimal(std::uint64_t value);
inline std::wstring Decimal(std::int32_t value) {
    return Decimal(static_cast<std::int64_t>(value));
}
inline std::wstring Decimal(std::uint32_t value) {
    return Decimal(static_cast<std::uint64_t>(value));
}
inline std::wstring Decimal(long value) {
    return Decimal(static_cast<std::int64_t>(value));
}
inline std::wstring Decimal(unsigned long value) {
    return Decimal(static_cast<std::uint64_t>(value));
}

enum class Case { Lower, Upper };
// Hexadecimal digits without prefix; at least minDigits of them, with leading zeros.
std::wstring Hex(std::uint64_t value, Case letters, int minDigits = 1);

} // namespace Brindle::Shell::Text
