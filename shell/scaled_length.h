// Lengths at 96 DPI turned into pixels at another DPI.
#pragma once

#include <cstdint>

namespace Brindle::Shell {

// Exact 64-bit product, divided in floating point, truncated toward zero and saturated.
std::int32_t ScaledLength(std::uint32_t dpi, std::int32_t value) noexcept;

} // namespace Brindle::Shell
