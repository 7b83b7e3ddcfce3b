#include "platform/failure.h"

#include "platform/text.h"
#include "platform/win32.h"

#include <string_view>

namespace Brindle::Shell {

namespace {

std::wstring FileName(std::string_view path) {
    auto slash = path.find_last_of("/\\");
    return Text::WideFromUtf8(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

} // namespace

Failure::Failure(std::wstring kind, std::wstring message, std::source_location where)
    : kind_(std::move(kind)), message_(std::move(message)), where_(where),
      narrow_(Text::Utf8Lenient(message_)) {}

Failure Failure::FromWin32(const std::wstring& what, unsigned long code,
                           std::source_location where) {
    return Failure(L"Win32Error",
                   what + L": " + Win32::SystemMessage(code) + L" (error " + Text::Decimal(code) +
                       L")",
                   where);
}

std::wstring Failure::FullText() const {
    return kind_ + L": " + message_ + L"\r\n   at " + Text::WideFromUtf8(where_.function_name()) +
           L" in " + FileName(where_.file_name()) + L":" + Text::Decimal(where_.line());
}

CaughtTexts DescribeCurrentException() {
    try {
        throw;
    } catch (const Failure& failure) {
        return {failure.Message(), failure.FullText()};
    } catch (const std::bad_alloc&) {
        std::wstring message = L"out of memory";
        return {message, L"std::bad_alloc: " + message};
    } catch (const std::exception& exception) {
        std::wstring message = Text::WideFromUtf8(exception.what());
        return {message, L"std::exception: " + message};
    } catch (...) {
        std::wstring message = L"an exception of unknown type";
        return {message, L"unknown: " + message};
    }
}

} // namespace Brindle::Shell
