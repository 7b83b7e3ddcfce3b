// The handlers that the runtime calls when the environment or the controller is made. Each hands
// the outcome to the shell's callback as it came, and keeps the callback's failures to itself.
#pragma once

#include "platform/prelude.h"
#include "platform/com_ptr.h"
#include "platform/webview2.h"

#include <atomic>
#include <functional>
#include <string_view>
#include <utility>

namespace Brindle::Shell {

using EnvironmentCallback = std::function<void(HRESULT, ICoreWebView2Environment*)>;
using ControllerCallback = std::function<void(HRESULT, ICoreWebView2Controller*)>;

struct EnvironmentCompletion {
    using Interface = ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;
    using Result = ICoreWebView2Environment;
    using Callback = EnvironmentCallback;
    static constexpr const IID& iid =
        IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;
    static constexpr std::wstring_view failurePrefix = L"fout in omgevingscallback: ";
};

struct ControllerCompletion {
    using Interface = ICoreWebView2CreateCoreWebView2ControllerCompletedHandler;
    using Result = ICoreWebView2Controller;
    using Callback = ControllerCallback;
    static constexpr const IID& iid = IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler;
    static constexpr std::wstring_view failurePrefix = L"fout in controllercallback: ";
};

// Starts with one reference, the creator's; released only through Release.
template <typename Completion>
class CompletedHandler final : public Completion::Interface {
public:
    using Callback = typename Completion::Callback;
    using Result = typename Completion::Result;

    [[nodiscard]] static ComPtr<CompletedHandler> Create(Callback callback) {
        return ComPtr<CompletedHandler>::Adopt(new CompletedHandler(std::move(callback)));
    }

    explicit CompletedHandler(Callback callback) : callback_(std::move(callback)) {}
    CompletedHandler(const CompletedHandler&) = delete;
    CompletedHandler& operator=(const CompletedHandler&) = delete;
    CompletedHandler(CompletedHandler&&) = delete;
    CompletedHandler& operator=(CompletedHandler&&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID asked, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    // Every call reaches the callback, and S_OK is the answer whatever the callback does: the
    // runtime can do nothing with a failure of the shell's.
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, Result* result) noexcept override;

private:
    ~CompletedHandler() = default;

    const Callback callback_;
    std::atomic<ULONG> references_{1};
};

extern template class CompletedHandler<EnvironmentCompletion>;
extern template class CompletedHandler<ControllerCompletion>;

using EnvironmentCompletedHandler = CompletedHandler<EnvironmentCompletion>;
using ControllerCompletedHandler = CompletedHandler<ControllerCompletion>;

} // namespace Brindle::Shell
