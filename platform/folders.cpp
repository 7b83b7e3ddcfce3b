#include "platform/folders.h"

namespace Brindle::Shell {

namespace {

bool IsSeparator(wchar_t letter) {
    return letter == L'\\' || letter == L'/';
}

bool IsFolder(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The path without its last part, or the empty text when it has no parent to make.
std::wstring ParentOf(const std::wstring& path) {
    std::size_t end = path.size();
    while (end > 0 && IsSeparator(path[end - 1])) {
        --end;
    }
    while (end > 0 && !IsSeparator(path[end - 1])) {
        --end;
    }
    while (end > 0 && IsSeparator(path[end - 1])) {
        --end;
    }
    return path.substr(0, end);
}

DWORD CreateOne(const std::wstring& path) {
    if (CreateDirectoryW(path.c_str(), nullptr)) {
        return ERROR_SUCCESS;
    }
    DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS && IsFolder(path)) {
        return ERROR_SUCCESS;
    }
    // A drive root answers access denied rather than that it exists.
    if (error == ERROR_ACCESS_DENIED && IsFolder(path)) {
        return ERROR_SUCCESS;
    }
    return error;
}

} // namespace

std::wstring JoinPath(const std::wstring& first, const std::wstring& second) {
    if (first.empty()) {
        return second;
    }
    if (IsSeparator(first.back())) {
        return first + second;
    }
    return first + L'\\' + second;
}

DWORD CreateFolderWithParents(const std::wstring& path) {
    DWORD error = CreateOne(path);
    if (error != ERROR_PATH_NOT_FOUND) {
        return error;
    }
    std::wstring parent = ParentOf(path);
    if (parent.empty()) {
        return error;
    }
    // Each step is one part shorter, so this ends at the first part that exists or fails.
    if (DWORD parentError = CreateFolderWithParents(parent); parentError != ERROR_SUCCESS) {
        return parentError;
    }
    return CreateOne(path);
}

} // namespace Brindle::Shell
