#include "shell/lower_case.h"

#include <algorithm>
#include <iterator>

namespace Brindle::Shell {

namespace {

struct Mapping {
    char32_t from;
    char32_t to;
};

constexpr Mapping Table[] = {
#include "shell/lower_case_table.inc"
};

static_assert(std::is_sorted(std::begin(Table), std::end(Table),
                             [](const Mapping& a, const Mapping& b) { return a.from < b.from; }));

// Windows keeps the dotted capital I as it is; so does the key, so that keys stay stable.
constexpr char32_t DottedCapitalI = 0x0130;

bool IsHigh(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLow(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

char32_t LowerCase(char32_t character) noexcept {
    if (character == DottedCapitalI) {
        return character;
    }
    const auto* found = std::lower_bound(
        std::begin(Table), std::end(Table), character,
        [](const Mapping& mapping, char32_t value) { return mapping.from < value; });
    return found != std::end(Table) && found->from == character ? found->to : character;
}

std::wstring LowerCase(std::wstring_view text) {
    std::wstring lower;
    lower.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t unit = static_cast<char16_t>(text[i]);
        if (IsHigh(unit) && i + 1 < text.size() && IsLow(static_cast<char16_t>(text[i + 1]))) {
            char32_t low = static_cast<char16_t>(text[++i]);
            char32_t mapped = LowerCase(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
            // Supplementary characters map within their plane, so the pair stays a pair.
            lower.push_back(static_cast<wchar_t>(0xD800 + ((mapped - 0x10000) >> 10)));
            lower.push_back(static_cast<wchar_t>(0xDC00 + ((mapped - 0x10000) & 0x3FF)));
        } else if (IsHigh(unit) || IsLow(unit)) {
            lower.push_back(static_cast<wchar_t>(unit));
        } else {
            lower.push_back(static_cast<wchar_t>(LowerCase(unit)));
        }
    }
    return lower;
}

} // namespace Brindle::Shell
