#include "fakes.h"

#include "answer.h"
#include "com_base.h"
#include "completion.h"
#include "record.h"
#include "text.h"

#include <cstdint>

namespace Brindle::Standin {

namespace {

using Shell::ComPtr;
using Shell::ICoreWebView2Controller;
using Handler = Shell::ICoreWebView2CreateCoreWebView2ControllerCompletedHandler;

HRESULT CreateController(HWND parent, Handler* handler) {
    Record line(L"controller-call");
    const Answer call = ReadAnswer(L"WEBVIEW2_STANDIN_CONTROLLER_CALL");
    HRESULT answer = handler == nullptr ? E_POINTER : call.code;
    if (SUCCEEDED(answer) && call.object) {
        const Answer result = ReadAnswer(L"WEBVIEW2_STANDIN_CONTROLLER");
        if (!CompleteLater(L"controller", parent, ComPtr<Handler>::Retain(handler), result.code,
                           result.object ? NewController() : ComPtr<ICoreWebView2Controller>())) {
            answer = E_UNEXPECTED;
        }
    }
    line.Text(L"parent", Hex(reinterpret_cast<std::uintptr_t>(parent)))
        .Code(L"answer", answer)
        .Apartment()
        .Write();
    return answer;
}

class Environment final
    : public ComObject<Shell::ICoreWebView2Environment, Shell::IID_ICoreWebView2Environment> {
public:
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(HWND parentWindow,
                                                           Handler* handler) noexcept override {
        return Guarded([&] { return CreateController(parentWindow, handler); });
    }
    HRESULT STDMETHODCALLTYPE
    CreateWebResourceResponse(IStream*, int, LPCWSTR, LPCWSTR,
                              Shell::ICoreWebView2WebResourceResponse**) noexcept override {
        return Unexpected(L"ICoreWebView2Environment::CreateWebResourceResponse");
    }
    HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR*) noexcept override {
        return Unexpected(L"ICoreWebView2Environment::get_BrowserVersionString");
    }
    HRESULT STDMETHODCALLTYPE
    add_NewBrowserVersionAvailable(IUnknown*, Shell::EventRegistrationToken*) noexcept override {
        return Unexpected(L"ICoreWebView2Environment::add_NewBrowserVersionAvailable");
    }
    HRESULT STDMETHODCALLTYPE
    remove_NewBrowserVersionAvailable(Shell::EventRegistrationToken) noexcept override {
        return Unexpected(L"ICoreWebView2Environment::remove_NewBrowserVersionAvailable");
    }
};

} // namespace

ComPtr<Shell::ICoreWebView2Environment> NewEnvironment() {
    return ComPtr<Shell::ICoreWebView2Environment>::Adopt(new Environment);
}

} // namespace Brindle::Standin
