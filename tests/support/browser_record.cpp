#include "support/browser_record.h"

#include "support/files.h"

#include "platform/text.h"
#include "platform/win32.h"

#include <algorithm>

namespace Brindle::Tests {

BrowserRecord::BrowserRecord() : start_(FileSize(Path())) {}

std::wstring BrowserRecord::Path() {
    return Shell::Win32::EnvironmentVariable(L"BRINDLE_BROWSER_RECORD");
}

bool BrowserRecord::HttpOpens() {
    HKEY http = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"http", 0, KEY_READ, &http) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(http);
    return true;
}

std::vector<std::wstring> BrowserRecord::Addresses() const {
    std::string appended = ReadBytes(Path());
    appended.erase(0, std::min<std::size_t>(appended.size(), static_cast<std::size_t>(start_)));
    std::vector<std::wstring> addresses;
    std::size_t begin = 0;
    for (std::size_t end = appended.find('\n'); end != std::string::npos;
         begin = end + 1, end = appended.find('\n', begin)) {
        addresses.push_back(Shell::Text::WideFromUtf8(appended.substr(begin, end - begin)));
    }
    return addresses;
}

std::vector<std::wstring> BrowserRecord::WaitForAddresses(std::size_t count,
                                                          DWORD milliseconds) const {
    // The recorder runs after the opening call has returned, in a process of its own.
    ULONGLONG end = GetTickCount64() + milliseconds;
    std::vector<std::wstring> addresses = Addresses();
    while (addresses.size() < count && GetTickCount64() < end) {
        Sleep(20);
        addresses = Addresses();
    }
    return addresses;
}

} // namespace Brindle::Tests
