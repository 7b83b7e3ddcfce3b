#include "platform/text.h"

namespace Brindle::Shell::Text {

namespace {

constexpr char32_t Replacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUtf8(std::string& out, char32_t code) {
    auto byte = [&out](char32_t value) {
        out.push_back(static_cast<char>(value));
    };
    if (code < 0x80) {
        byte(code);
    } else if (code < 0x800) {
        byte(0xC0 | (code >> 6));
        byte(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        byte(0xE0 | (code >> 12));
        byte(0x80 | ((code >> 6) & 0x3F));
        byte(0x80 | (code & 0x3F));
    } else {
        byte(0xF0 | (code >> 18));
        byte(0x80 | ((code >> 12) & 0x3F));
        byte(0x80 | ((code >> 6) & 0x3F));
        byte(0x80 | (code & 0x3F));
    }
}

// Walks the UTF-16 text; onUnpaired decides what an unpaired surrogate becomes (false: stop).
template <typename OnUnpaired>
bool EncodeUtf8(std::wstring_view text, std::string& out, OnUnpaired onUnpaired) {
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t unit = static_cast<char16_t>(text[i]);
        if (IsHighSurrogate(unit) && i + 1 < text.size() &&
            IsLowSurrogate(static_cast<char16_t>(text[i + 1]))) {
            char32_t low = static_cast<char16_t>(text[++i]);
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            if (!onUnpaired(out)) {
                return false;
            }
        } else {
            AppendUtf8(out, unit);
        }
    }
    return true;
}

void AppendUtf16(std::wstring& out, char32_t code) {
    if (code < 0x10000) {
        out.push_back(static_cast<wchar_t>(code));
    } else {
        code -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
    }
}

// Length of the sequence that starts with lead, or 0 for a byte that cannot start one.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

} // namespace

std::optional<std::string> Utf8(std::wstring_view text) {
    std::string out;
    if (!EncodeUtf8(text, out, [](std::string&) { return false; })) {
        return std::nullopt;
    }
    return out;
}

std::string Utf8Lenient(std::wstring_view text) {
    std::string out;
    EncodeUtf8(text, out, [](std::string& sink) {
        AppendUtf8(sink, Replacement);
        return true;
    });
    return out;
}

std::wstring WideFromUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto lead = static_cast<unsigned char>(text[i]);
        int length = SequenceLength(lead);
        if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
            AppendUtf16(out, Replacement);
            ++i;
            continue;
        }
        char32_t code = length == 1 ? lead : (lead & (0x7F >> length));
        bool valid = true;
        for (int k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            valid = valid && (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3Fu);
        }
        bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
        if (!valid || overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            AppendUtf16(out, Replacement);
            ++i;
            continue;
        }
        AppendUtf16(out, code);
        i += static_cast<std::size_t>(length);
    }
    return out;
}

std::wstring Decimal(std::int64_t value) {
    // The magnitude as unsigned, so that the most negative value needs no special case.
    std::uint64_t magnitude =
        value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
    std::wstring digits = Decimal(magnitude);
    return value < 0 ? L"-" + digits : digits;
}

std::wstring Decimal(std::uint64_t value) {
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

std::wstring Hex(std::uint64_t value, Case letters, int minDigits) {
    const wchar_t* alphabet = letters == Case::Lower ? L"0123456789abcdef" : L"0123456789ABCDEF";
    std::wstring digits;
    do {
        digits.insert(digits.begin(), alphabet[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (static_cast<int>(digits.size()) < minDigits) {
        digits.insert(0, static_cast<std::size_t>(minDigits) - digits.size(), L'0');
    }
    return digits;
}

} // namespace Brindle::Shell::Text
