#include "platform/win32.h"

#include "platform/failure.h"
#include "platform/system_function.h"
#include "platform/text.h"
#include "platform/unique_handle.h"

#include <vector>

namespace Brindle::Shell {

std::wstring Win32::ExecutableFolder() {
    // Long paths are allowed, so grow the buffer until the whole name fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            throw Failure::FromWin32(L"GetModuleFileNameW", GetLastError());
        }
        if (length < buffer.size()) {
            std::wstring path(buffer.data(), length);
            return path.substr(0, path.find_last_of(L'\\') + 1);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring Win32::SystemMessage(DWORD code) {
    UniqueLocalText text;
    // With ALLOCATE_BUFFER the buffer argument is where the system puts its own buffer.
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(text.Put()), 0, nullptr);
    if (length == 0 || !text) {
        return L"Unknown error 0x" + Text::Hex(code, Text::Case::Upper, 8) + L".";
    }
    std::wstring message(text.Get(), length);
    while (!message.empty() &&
           (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' ')) {
        message.pop_back();
    }
    return message;
}

std::wstring Win32::KnownFolder(const KNOWNFOLDERID& id) {
    UniqueCoTaskMemText path;
    // The path is the caller's to free even when the call fails.
    HRESULT hr = SHGetKnownFolderPath(id, 0, nullptr, path.Put());
    return hr == S_OK && path ? std::wstring(path.Get()) : std::wstring();
}

std::wstring Win32::TempFolder() {
    using TempPathFunction = DWORD(WINAPI*)(DWORD, LPWSTR);
    auto tempPath2 = SystemFunction<TempPathFunction>(L"kernel32.dll", "GetTempPath2W");
    TempPathFunction tempPath = tempPath2 != nullptr ? tempPath2 : &GetTempPathW;
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD length = tempPath(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) {
        return L"";
    }
    return std::wstring(buffer, length);
}

std::wstring Win32::EnvironmentVariable(const wchar_t* name) {
    // The value may change between the two calls, so ask until it fits.
    std::wstring value;
    DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    while (needed > value.size()) {
        value.resize(needed);
        needed = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    }
    value.resize(needed);
    return value;
}

UINT Win32::GetDpiForSystem() {
    using DpiFunction = UINT(WINAPI*)();
    auto dpiForSystem = SystemFunction<DpiFunction>(L"user32.dll", "GetDpiForSystem");
    return dpiForSystem != nullptr ? dpiForSystem() : 0;
}

} // namespace Brindle::Shell
