#include "shell/scaled_length.h"

#include <limits>

namespace Brindle::Shell {

std::int32_t ScaledLength(std::uint32_t dpi, std::int32_t value) noexcept {
    std::int64_t product = static_cast<std::int64_t>(dpi) * static_cast<std::int64_t>(value);
    double quotient = static_cast<double>(product) / 96.0;
    constexpr auto Lowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto Highest = std::numeric_limits<std::int32_t>::max();
    if (quotient <= static_cast<double>(Lowest)) {
        return Lowest;
    }
    if (quotient >= static_cast<double>(Highest)) {
        return Highest;
    }
    return static_cast<std::int32_t>(quotient);
}

} // namespace Brindle::Shell
