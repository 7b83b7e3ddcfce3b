// The runtime's side of an asynchronous request: the handler is called later and held till then.
#pragma once

#include "answer.h"
#include "later.h"
#include "record.h"

#include "platform/com_ptr.h"

#include <optional>
#include <string>
#include <utility>

namespace Brindle::Standin {

// Records `<completion>-invoke` once Invoke has returned. When WEBVIEW2_STANDIN_HOLD names the
// completion, Invoke waits until `window` is destroyed. False when nothing could be scheduled (or
// the variable is mistyped, or there is no window to wait for); the handler is let go at once then.
template <typename Handler, typename Result>
bool CompleteLater(const wchar_t* completion, HWND window, Shell::ComPtr<Handler> handler,
                   HRESULT code, Shell::ComPtr<Result> result) noexcept {
    const std::optional<bool> hold = ReadHold(completion);
    // Checked here: to RunLater, no window means no hold at all.
    if (!hold || (*hold && window == nullptr)) {
        return false;
    }
    return RunLater(
        [event = std::wstring(completion) + L"-invoke", handler = std::move(handler), code,
         result = std::move(result)] {
            Record line(event);
            const HRESULT answer = handler->Invoke(code, result.Get());
            line.Code(L"hr", code)
                .YesNo(L"object", static_cast<bool>(result))
                .Code(L"result", answer)
                .Write();
        },
        *hold ? window : nullptr);
}

} // namespace Brindle::Standin
