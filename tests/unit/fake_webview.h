// WebView2 objects of the tests' own, handed to the shell's code in place of the runtime's.
#pragma once

#include "platform/webview2.h"

#include <string>
#include <vector>

namespace Brindle::Tests {

// A result object of the test's own that counts what is taken on it and offers nothing else.
template <typename Interface>
class Counted : public Interface {
public:
    ULONG references = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

protected:
    ~Counted() = default;
};

class FakeEnvironment final : public Counted<Shell::ICoreWebView2Environment> {
public:
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND, Shell::ICoreWebView2CreateCoreWebView2ControllerCompletedHandler*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(
        IStream*, int, LPCWSTR, LPCWSTR, Shell::ICoreWebView2WebResourceResponse**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE
    add_NewBrowserVersionAvailable(IUnknown*, Shell::EventRegistrationToken*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE
    remove_NewBrowserVersionAvailable(Shell::EventRegistrationToken) override {
        return E_NOTIMPL;
    }
};

// The browser view behind FakeController: Navigate accepts any address and is journalled.
class FakeView final : public Counted<Shell::ICoreWebView2> {
public:
    explicit FakeView(std::vector<std::wstring>& journal) : journal_(journal) {}
    HRESULT STDMETHODCALLTYPE get_Settings(Shell::ICoreWebView2Settings**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override {
        journal_.push_back(L"navigate " + std::wstring(uri));
        return S_OK;
    }

private:
    std::vector<std::wstring>& journal_;
};

// A controller whose view accepts its address; the calls that the shell makes on either are
// journalled in their order.
class FakeController final : public Counted<Shell::ICoreWebView2Controller> {
public:
    std::vector<std::wstring> journal;

    HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Bounds(RECT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT) override {
        journal.push_back(L"bounds");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ZoomFactor(double*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ZoomFactor(double) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE add_ZoomFactorChanged(IUnknown*,
                                                    Shell::EventRegistrationToken*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(Shell::EventRegistrationToken) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT, double) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MoveFocus(std::int32_t reason) override {
        journal.push_back(L"focus " + std::to_wstring(reason));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(IUnknown*,
                                                     Shell::EventRegistrationToken*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(Shell::EventRegistrationToken) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE add_GotFocus(IUnknown*, Shell::EventRegistrationToken*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_GotFocus(Shell::EventRegistrationToken) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE add_LostFocus(IUnknown*, Shell::EventRegistrationToken*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_LostFocus(Shell::EventRegistrationToken) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE add_AcceleratorKeyPressed(IUnknown*,
                                                        Shell::EventRegistrationToken*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE remove_AcceleratorKeyPressed(Shell::EventRegistrationToken) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override {
        journal.push_back(L"moved");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Close() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(Shell::ICoreWebView2** view) override {
        view_.AddRef();
        *view = &view_;
        return S_OK;
    }

private:
    FakeView view_{journal};
};

} // namespace Brindle::Tests
