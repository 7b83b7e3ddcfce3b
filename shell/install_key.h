// The installation key: a short, stable name for the folder that the shell runs from.
#pragma once

#include <string>
#include <string_view>

namespace Brindle::Shell {

// 64-bit FNV-1a over the UTF-16 units of the lower-cased folder without trailing backslashes,
// as 16 lowercase hexadecimal digits.
std::wstring InstallKeyOf(std::wstring_view folder);

} // namespace Brindle::Shell
