#include "support/scratch_folder.h"

#include "platform/prelude.h"
#include "platform/text.h"
#include "platform/win32.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace Brindle::Tests {

namespace {

constexpr unsigned MaxNamesTried = 100000;
// Processes that a test ended may still hold their working folder or a file for a moment.
constexpr ULONGLONG RemovalMilliseconds = 10000;
constexpr DWORD RemovalPauseMilliseconds = 50;

// Process ids come back soon, so a name of this process may be one that an earlier run left:
// only a folder that this call made itself is handed out.
std::wstring NewRoot() {
    static std::atomic<unsigned> counter{0};
    const std::wstring stem =
        Shell::Win32::TempFolder() + L"brindle-test-" +
        Shell::Text::Decimal(static_cast<std::uint32_t>(GetCurrentProcessId())) + L"-";
    for (unsigned tried = 0; tried < MaxNamesTried; ++tried) {
        std::wstring root = stem + Shell::Text::Decimal(static_cast<std::uint32_t>(++counter));
        if (CreateDirectoryW(root.c_str(), nullptr)) {
            return root + L"\\";
        }
        if (const DWORD error = GetLastError(); error != ERROR_ALREADY_EXISTS) {
            throw std::runtime_error("cannot create a scratch folder: error " +
                                     std::to_string(error));
        }
    }
    throw std::runtime_error("no free name for a scratch folder");
}

bool TryRemove(const std::wstring& root, std::error_code& error) {
    // Read-only files left by a test would stop the removal. Entries may go or be held meanwhile,
    // so the walk never throws.
    namespace fs = std::filesystem;
    std::error_code walking;
    for (fs::recursive_directory_iterator entry(root, fs::directory_options::skip_permission_denied,
                                                walking);
         !walking && entry != fs::recursive_directory_iterator(); entry.increment(walking)) {
        SetFileAttributesW(entry->path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(root, error);
    return !error && GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES;
}

} // namespace

ScratchFolder::ScratchFolder(std::wstring_view name)
    : root_(NewRoot()), path_(root_ + std::wstring(name) + L"\\") {
    std::error_code error;
    std::filesystem::create_directories(path_, error);
    if (error) {
        std::filesystem::remove_all(root_, error);
        throw std::runtime_error("cannot create a scratch folder");
    }
}

ScratchFolder::~ScratchFolder() {
    const ULONGLONG end = GetTickCount64() + RemovalMilliseconds;
    std::error_code error;
    while (!TryRemove(root_, error)) {
        if (GetTickCount64() >= end) {
            // Said aloud: the test bed counts what is left once the suite is over.
            std::fprintf(stderr, "scratch folder %s was not removed: %s\n",
                         Shell::Text::Utf8Lenient(root_).c_str(), error.message().c_str());
            return;
        }
        Sleep(RemovalPauseMilliseconds);
    }
}

} // namespace Brindle::Tests
