#include "support/scratch_folder.h"

#include "platform/prelude.h"
#include "platform/text.h"
#include "platform/win32.h"

#include <atomic>
#include <filesystem>
#include <stdexcept>

namespace Brindle::Tests {

namespace {

std::wstring UniqueRoot() {
    static std::atomic<unsigned> counter{0};
    return Shell::Win32::TempFolder() + L"brindle-test-" +
           Shell::Text::Decimal(static_cast<std::uint32_t>(GetCurrentProcessId())) + L"-" +
           Shell::Text::Decimal(static_cast<std::uint32_t>(++counter)) + L"\\";
}

} // namespace

ScratchFolder::ScratchFolder(std::wstring_view name)
    : root_(UniqueRoot()), path_(root_ + std::wstring(name) + L"\\") {
    std::error_code error;
    std::filesystem::create_directories(path_, error);
    if (error) {
        throw std::runtime_error("cannot create a scratch folder");
    }
}

ScratchFolder::~ScratchFolder() {
    std::error_code error;
    // Read-only files left by a test would stop the removal.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_, error)) {
        SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::filesystem::remove_all(root_, error);
}

} // namespace Brindle::Tests
