#include "fakes.h"

#include "answer.h"
#include "com_base.h"
#include "fetch.h"
#include "record.h"
#include "view_slots.h"

namespace Brindle::Standin {

namespace {

HRESULT NavigateAndFetch(LPCWSTR uri) {
    Record line(L"navigate");
    const Answer answer =
        uri == nullptr ? Answer{E_INVALIDARG, false} : ReadAnswer(L"WEBVIEW2_STANDIN_NAVIGATE");
    line.TextOrNull(L"uri", uri).Code(L"answer", answer.code).Write();
    // The page is fetched right away, so the test learns whether the shell sent us to the tool.
    if (answer.object) {
        FetchAndRecord(uri);
    }
    return answer.code;
}

class View final : public ComObject<CoreWebView2AllSlots, Shell::IID_ICoreWebView2> {
public:
    HRESULT STDMETHODCALLTYPE get_Settings(Shell::ICoreWebView2Settings**) noexcept override {
        return Unexpected(L"ICoreWebView2::get_Settings");
    }
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR*) noexcept override {
        return Unexpected(L"ICoreWebView2::get_Source");
    }
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) noexcept override {
        return Guarded([&] { return NavigateAndFetch(uri); });
    }
};

} // namespace

Shell::ComPtr<Shell::ICoreWebView2> NewView() {
    return Shell::ComPtr<Shell::ICoreWebView2>::Adopt(new View);
}

} // namespace Brindle::Standin
