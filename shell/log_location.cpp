#include "shell/log_location.h"

#include <filesystem>
#include <system_error>

namespace Brindle::Shell::LogLocation {

namespace {

bool CreateFolder(const std::wstring& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    // An existing file of that name is no folder, whatever create_directories made of it.
    return !error && std::filesystem::is_directory(folder, error) && !error;
}

} // namespace

std::wstring Join(const std::wstring& first, const std::wstring& second) {
    if (first.empty()) {
        return second;
    }
    if (first.back() == L'\\' || first.back() == L'/') {
        return first + second;
    }
    return first + L'\\' + second;
}

std::wstring Choose(const std::wstring& localAppData, TempFolderSource tempFolder) noexcept {
    try {
        std::wstring folder = Join(localAppData, L"Brindle");
        if (CreateFolder(folder)) {
            return Join(folder, L"app.log");
        }
    } catch (...) {
        // Any failure here leads to the temporary folder, like a folder that cannot be made.
    }
    return InTempFolder(tempFolder);
}

std::wstring InTempFolder(TempFolderSource tempFolder) noexcept {
    try {
        std::wstring temp = tempFolder();
        return temp.empty() ? std::wstring() : temp + L"brindle-app.log";
    } catch (...) {
        return std::wstring();
    }
}

} // namespace Brindle::Shell::LogLocation
