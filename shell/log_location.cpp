#include "shell/log_location.h"

#include "platform/folders.h"

namespace Brindle::Shell::LogLocation {

std::wstring Choose(const std::wstring& localAppData, TempFolderSource tempFolder) noexcept {
    try {
        std::wstring folder = JoinPath(localAppData, L"Brindle");
        if (CreateFolderWithParents(folder) == ERROR_SUCCESS) {
            return JoinPath(folder, L"app.log");
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
