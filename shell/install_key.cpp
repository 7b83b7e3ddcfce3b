#include "shell/install_key.h"

#include "platform/text.h"
#include "shell/lower_case.h"

#include <cstdint>

namespace Brindle::Shell {

std::wstring InstallKeyOf(std::wstring_view folder) {
    while (!folder.empty() && folder.back() == L'\\') {
        folder.remove_suffix(1);
    }
    constexpr std::uint64_t OffsetBasis = 0xcbf29ce484222325;
    constexpr std::uint64_t Prime = 0x100000001b3;
    std::uint64_t hash = OffsetBasis;
    // One step per 16-bit unit, not per byte: the key has always been computed this way.
    for (wchar_t unit : LowerCase(folder)) {
        hash ^= static_cast<std::uint16_t>(unit);
        hash *= Prime;
    }
    return Text::Hex(hash, Text::Case::Lower, 16);
}

} // namespace Brindle::Shell
