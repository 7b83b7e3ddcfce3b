// The runtime's side of an asynchronous request: the handler is called later and held till then.
#pragma once

#include "later.h"
#include "record.h"

#include "platform/com_ptr.h"

#include <utility>

namespace Brindle::Standin {

// Records `event` once Invoke has returned. False when nothing could be scheduled; the handler
// is let go at once then.
template <typename Handler, typename Result>
bool CompleteLater(const wchar_t* event, Shell::ComPtr<Handler> handler, HRESULT code,
                   Shell::ComPtr<Result> result) noexcept {
    return RunLater([event, handler = std::move(handler), code, result = std::move(result)] {
        Record line(event);
        const HRESULT answer = handler->Invoke(code, result.Get());
        line.Code(L"hr", code)
            .YesNo(L"object", static_cast<bool>(result))
            .Code(L"result", answer)
            .Write();
    });
}

} // namespace Brindle::Standin
