#include "text.h"

#include "platform/unique_handle.h"

#include <algorithm>
#include <climits>

namespace Brindle::Standin {

namespace {

int ClampedLength(std::size_t size) {
    return static_cast<int>(std::min<std::size_t>(size, INT_MAX));
}

} // namespace

std::string Utf8(std::wstring_view text) {
    const int length = ClampedLength(text.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), needed, nullptr, nullptr);
    return out;
}

std::wstring WideFromUtf8(std::string_view text) {
    const int length = ClampedLength(text.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) {
        return {};
    }
    std::wstring out(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, out.data(), needed);
    return out;
}

std::wstring Hex(std::uint64_t value, int minDigits) {
    std::wstring digits;
    do {
        digits.insert(digits.begin(), L"0123456789ABCDEF"[value % 16]);
        value /= 16;
    } while (value != 0);
    if (static_cast<int>(digits.size()) < minDigits) {
        digits.insert(0, static_cast<std::size_t>(minDigits) - digits.size(), L'0');
    }
    return digits;
}

std::wstring HexCode(HRESULT code) {
    return Hex(static_cast<std::uint32_t>(code), 8);
}

wchar_t* TaskMemoryCopy(std::wstring_view text) noexcept {
    Shell::UniqueCoTaskMemText copy(
        static_cast<wchar_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t))));
    if (copy) {
        std::copy(text.begin(), text.end(), copy.Get());
        copy.Get()[text.size()] = L'\0';
    }
    return copy.Release();
}

} // namespace Brindle::Standin
