#include "shell/log_file.h"

#include "platform/prelude.h"
#include "platform/text.h"
#include "platform/unique_handle.h"

namespace Brindle::Shell::LogFile {

namespace {

// Access denied and an aborted operation will not go away by waiting; neither will no memory.
bool WorthRetrying(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_OPERATION_ABORTED:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return false;
    default:
        return true;
    }
}

// The all-ones offset writes at the end as one step: other runs append to the same file, and a
// seek followed by a write could put two lines in the same place.
DWORD WriteAtEnd(HANDLE file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        OVERLAPPED atEnd{};
        atEnd.Offset = 0xFFFFFFFF;
        atEnd.OffsetHigh = 0xFFFFFFFF;
        DWORD written = 0;
        auto chunk = static_cast<DWORD>(bytes.size() - done);
        if (!WriteFile(file, bytes.data() + done, chunk, &written, &atEnd)) {
            return GetLastError();
        }
        if (written == 0) {
            return ERROR_WRITE_FAULT;
        }
        done += written;
    }
    return ERROR_SUCCESS;
}

DWORD TryAppend(const std::wstring& location, const std::string& bytes) {
    UniqueHandle file(CreateFileW(location.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return GetLastError();
    }
    DWORD error = WriteAtEnd(file.Get(), bytes);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    // Closing can fail too, and then counts like a failed write.
    if (!CloseHandle(file.Release())) {
        return GetLastError();
    }
    return ERROR_SUCCESS;
}

} // namespace

Outcome Append(const std::wstring& location, std::wstring_view line) noexcept {
    try {
        auto bytes = Text::Utf8(line);
        if (!bytes || location.empty()) {
            return {};
        }
        Outcome outcome;
        while (outcome.attempts < MaxAttempts) {
            ++outcome.attempts;
            DWORD error = TryAppend(location, *bytes);
            if (error == ERROR_SUCCESS) {
                outcome.written = true;
                return outcome;
            }
            if (!WorthRetrying(error)) {
                return outcome;
            }
            Sleep(PauseMilliseconds);
        }
        return outcome;
    } catch (...) {
        return {};
    }
}

} // namespace Brindle::Shell::LogFile
