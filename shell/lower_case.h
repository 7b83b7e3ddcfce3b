// Lower-casing that is the same on every system and in every locale: the simple mappings of
// Unicode 15, with İ (U+0130) kept as it is.
#pragma once

#include <string>
#include <string_view>

namespace Brindle::Shell {

char32_t LowerCase(char32_t character) noexcept;
// Keeps the length in UTF-16 units: a surrogate pair maps as one character, an unpaired
// surrogate stays.
std::wstring LowerCase(std::wstring_view text);

} // namespace Brindle::Shell
