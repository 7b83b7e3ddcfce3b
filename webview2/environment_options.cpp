#include "webview2/environment_options.h"

#include "webview2/com_object.h"

#include <utility>

namespace Brindle::Shell {

ComPtr<EnvironmentOptions> EnvironmentOptions::Create(std::wstring additionalBrowserArguments) {
    return ComPtr<EnvironmentOptions>::Adopt(
        new EnvironmentOptions(std::move(additionalBrowserArguments)));
}

EnvironmentOptions::EnvironmentOptions(std::wstring additionalBrowserArguments)
    : additionalBrowserArguments_(std::move(additionalBrowserArguments)) {}

HRESULT EnvironmentOptions::CopyOut(const std::optional<std::wstring>& value,
                                    LPWSTR* out) noexcept {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (!value) {
        *out = nullptr;
        return S_OK;
    }
    return CopyToTaskMemory(*value, out);
}

HRESULT EnvironmentOptions::QueryInterface(REFIID asked, void** out) noexcept {
    return QueryOwnInterface(this, IID_ICoreWebView2EnvironmentOptions, asked, out);
}

ULONG EnvironmentOptions::AddRef() noexcept {
    return AddReference(references_);
}

ULONG EnvironmentOptions::Release() noexcept {
    ULONG left = DropReference(references_);
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT EnvironmentOptions::get_AdditionalBrowserArguments(LPWSTR* value) noexcept {
    return CopyOut(additionalBrowserArguments_, value);
}

HRESULT EnvironmentOptions::put_AdditionalBrowserArguments(LPCWSTR value) noexcept {
    if (value == nullptr) {
        additionalBrowserArguments_.reset();
        return S_OK;
    }
    // The copy is made before the field is touched, so a failure leaves the old value in place.
    try {
        std::wstring copy(value);
        additionalBrowserArguments_ = std::move(copy);
    } catch (...) {
        // Copying a C string fails only for want of memory.
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

// The runtime's defaults: its own language choice and no minimum version.
HRESULT EnvironmentOptions::get_Language(LPWSTR* value) noexcept {
    return CopyToTaskMemory(L"", value);
}

HRESULT EnvironmentOptions::put_Language(LPCWSTR) noexcept {
    return S_OK;
}

HRESULT EnvironmentOptions::get_TargetCompatibleBrowserVersion(LPWSTR* value) noexcept {
    return CopyToTaskMemory(L"", value);
}

HRESULT EnvironmentOptions::put_TargetCompatibleBrowserVersion(LPCWSTR) noexcept {
    return S_OK;
}

HRESULT EnvironmentOptions::get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) noexcept {
    if (allow == nullptr) {
        return E_POINTER;
    }
    *allow = FALSE;
    return S_OK;
}

HRESULT EnvironmentOptions::put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL) noexcept {
    return S_OK;
}

} // namespace Brindle::Shell
