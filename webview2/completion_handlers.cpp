#include "webview2/completion_handlers.h"

#include "shell/log_exception.h"
#include "webview2/com_object.h"

namespace Brindle::Shell {

template <typename Completion>
HRESULT CompletedHandler<Completion>::QueryInterface(REFIID asked, void** out) noexcept {
    return QueryOwnInterface(this, Completion::iid, asked, out);
}

template <typename Completion>
ULONG CompletedHandler<Completion>::AddRef() noexcept {
    return AddReference(references_);
}

template <typename Completion>
ULONG CompletedHandler<Completion>::Release() noexcept {
    ULONG left = DropReference(references_);
    if (left == 0) {
        delete this;
    }
    return left;
}

template <typename Completion>
HRESULT CompletedHandler<Completion>::Invoke(HRESULT errorCode, Result* result) noexcept {
    try {
        callback_(errorCode, result);
    } catch (...) {
        LogCurrentException(Completion::failurePrefix);
    }
    return S_OK;
}

template class CompletedHandler<EnvironmentCompletion>;
template class CompletedHandler<ControllerCompletion>;

} // namespace Brindle::Shell
