#include "answer.h"

#include "record.h"

#include <cstdint>
#include <string_view>

namespace Brindle::Standin {

namespace {

constexpr const wchar_t* kDefaultVersion = L"120.0.2210.91";

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

std::optional<HRESULT> ParseCode(std::wstring_view text) {
    if (text.size() != 10 || text.substr(0, 2) != L"0x") {
        return std::nullopt;
    }
    std::uint32_t bits = 0;
    for (const wchar_t c : text.substr(2)) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        bits = (bits << 4) | static_cast<std::uint32_t>(digit);
    }
    return static_cast<HRESULT>(bits);
}

Answer Parse(const wchar_t* name, const std::wstring& value) {
    if (value.empty() || value == L"ok") {
        return {};
    }
    if (value == L"none") {
        return {S_OK, false};
    }
    if (const auto code = ParseCode(value)) {
        return {*code, SUCCEEDED(*code)};
    }
    Record(L"unexpected").Text(L"variable", name).Text(L"value", value).Write();
    return {E_UNEXPECTED, false};
}

} // namespace

std::wstring Variable(const wchar_t* name) {
    std::wstring value(64, L'\0');
    for (;;) {
        const DWORD length =
            GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.resize(length);
    }
}

Answer ReadAnswer(const wchar_t* name) {
    return Parse(name, Variable(name));
}

Answer ReadCreateAnswer(bool withOptions) {
    constexpr const wchar_t* kWithOptions = L"WEBVIEW2_STANDIN_CREATE_WITH_OPTIONS";
    if (withOptions && !Variable(kWithOptions).empty()) {
        return ReadAnswer(kWithOptions);
    }
    return ReadAnswer(L"WEBVIEW2_STANDIN_CREATE");
}

std::optional<bool> ReadHold(std::wstring_view completion) {
    constexpr const wchar_t* kName = L"WEBVIEW2_STANDIN_HOLD";
    const std::wstring value = Variable(kName);
    if (value.empty() || value == L"environment" || value == L"controller") {
        return value == completion;
    }
    Record(L"unexpected").Text(L"variable", kName).Text(L"value", value).Write();
    return std::nullopt;
}

VersionAnswer ReadVersionAnswer() {
    constexpr const wchar_t* kName = L"WEBVIEW2_STANDIN_VERSION";
    const std::wstring value = Variable(kName);
    if (value == L"empty") {
        return {S_OK, std::wstring()};
    }
    const Answer answer = Parse(kName, value);
    if (!answer.object) {
        return {answer.code, std::nullopt};
    }
    return {answer.code, kDefaultVersion};
}

} // namespace Brindle::Standin
