#include "record.h"

#include "answer.h"
#include "text.h"

#include "platform/unique_handle.h"

#include <objbase.h>

#include <algorithm>

namespace Brindle::Standin {

namespace {

constexpr DWORD kLockTimeoutMs = 5000;

std::uint64_t PreciseTime() noexcept {
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    return (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// Writers in several processes share the file; the lock keeps their lines whole.
class RecordLock {
public:
    RecordLock() noexcept
        : mutex_(CreateMutexW(nullptr, FALSE, L"Local\\webview2-standin-record")) {
        if (mutex_) {
            // An abandoned mutex is ours all the same: a killed writer must not stop the rest.
            const DWORD waited = WaitForSingleObject(mutex_.Get(), kLockTimeoutMs);
            held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
        }
    }
    RecordLock(const RecordLock&) = delete;
    RecordLock& operator=(const RecordLock&) = delete;
    ~RecordLock() {
        if (held_) {
            ReleaseMutex(mutex_.Get());
        }
    }

private:
    Shell::UniqueHandle mutex_;
    bool held_ = false;
};

void Append(const std::wstring& path, const std::string& bytes) noexcept {
    const RecordLock lock;
    const Shell::UniqueHandle file(CreateFileW(
        path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) {
        WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
}

} // namespace

Record::Record(std::wstring_view event) : line_(event), time_(PreciseTime()) {}

Record& Record::Text(std::wstring_view key, std::wstring_view value) {
    const std::size_t start = line_.size() + key.size() + 2;
    line_.append(L"\t").append(key).append(L"=").append(value);
    // A tab or line end inside a value would break the line into false fields.
    std::replace_if(
        line_.begin() + static_cast<std::ptrdiff_t>(start), line_.end(),
        [](wchar_t c) { return c == L'\t' || c == L'\r' || c == L'\n'; }, L'\uFFFD');
    return *this;
}

Record& Record::TextOrNull(std::wstring_view key, const wchar_t* value) {
    return Text(key, value == nullptr ? L"(null)" : value);
}

Record& Record::Code(std::wstring_view key, HRESULT code) {
    return Text(key, HexCode(code));
}

Record& Record::Number(std::wstring_view key, std::int64_t value) {
    return Text(key, std::to_wstring(value));
}

Record& Record::YesNo(std::wstring_view key, bool value) {
    return Text(key, value ? L"yes" : L"no");
}

Record& Record::Apartment() {
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    const wchar_t* name = L"none";
    if (SUCCEEDED(CoGetApartmentType(&type, &qualifier))) {
        switch (type) {
        case APTTYPE_STA:
            name = L"sta";
            break;
        case APTTYPE_MAINSTA:
            name = L"mainsta";
            break;
        case APTTYPE_MTA:
            name = L"mta";
            break;
        case APTTYPE_NA:
            name = L"neutral";
            break;
        default:
            break;
        }
    }
    return Text(L"apartment", name);
}

void Record::Write() noexcept {
    try {
        const std::wstring path = Variable(L"WEBVIEW2_STANDIN_RECORD");
        if (!path.empty()) {
            Append(path, Utf8(line_ + L"\ttime=" + std::to_wstring(time_) + L"\n"));
        }
    } catch (...) {
        // The answer matters more than its record.
    }
}

HRESULT Unexpected(const wchar_t* method) noexcept {
    try {
        Record(L"unexpected").Text(L"method", method).Write();
    } catch (...) {
        // As in Write.
    }
    return E_NOTIMPL;
}

} // namespace Brindle::Standin
