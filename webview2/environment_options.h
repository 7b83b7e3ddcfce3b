// The options the shell passes with the environment's creation: only the extra browser arguments
// carry a value; the other properties keep the runtime's defaults.
#pragma once

#include "platform/prelude.h"
#include "platform/com_ptr.h"
#include "platform/webview2.h"

#include <atomic>
#include <optional>
#include <string>

namespace Brindle::Shell {

// Starts with one reference, the creator's; released only through Release.
class EnvironmentOptions final : public ICoreWebView2EnvironmentOptions {
public:
    [[nodiscard]] static ComPtr<EnvironmentOptions> Create(std::wstring additionalBrowserArguments);

    explicit EnvironmentOptions(std::wstring additionalBrowserArguments);
    EnvironmentOptions(const EnvironmentOptions&) = delete;
    EnvironmentOptions& operator=(const EnvironmentOptions&) = delete;
    EnvironmentOptions(EnvironmentOptions&&) = delete;
    EnvironmentOptions& operator=(EnvironmentOptions&&) = delete;

    // None goes out as a null string; a text as a new CoTaskMem copy for the receiver to free.
    static HRESULT CopyOut(const std::optional<std::wstring>& value, LPWSTR* out) noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID asked, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) noexcept override;
    HRESULT STDMETHODCALLTYPE
    get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) noexcept override;
    HRESULT STDMETHODCALLTYPE
    put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) noexcept override;

private:
    ~EnvironmentOptions() = default;

    std::optional<std::wstring> additionalBrowserArguments_;
    std::atomic<ULONG> references_{1};
};

} // namespace Brindle::Shell
