#include "fakes.h"

#include "answer.h"
#include "com_base.h"
#include "record.h"

namespace Brindle::Standin {

namespace {

using Shell::ComPtr;
using Shell::EventRegistrationToken;
using Shell::ICoreWebView2;

class Controller final
    : public ComObject<Shell::ICoreWebView2Controller, Shell::IID_ICoreWebView2Controller> {
public:
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) noexcept override {
        return Guarded([&] {
            Record(L"bounds")
                .Number(L"left", bounds.left)
                .Number(L"top", bounds.top)
                .Number(L"right", bounds.right)
                .Number(L"bottom", bounds.bottom)
                .Write();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** view) noexcept override {
        return Guarded([&] { return GetView(view); });
    }
    HRESULT STDMETHODCALLTYPE MoveFocus(std::int32_t reason) noexcept override {
        return Guarded([&] {
            Record(L"focus").Number(L"reason", reason).Write();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() noexcept override {
        return Guarded([] {
            Record(L"moved").Write();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Close() noexcept override {
        return Guarded([] {
            Record(L"close").Write();
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL*) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::get_IsVisible");
    }
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::put_IsVisible");
    }
    HRESULT STDMETHODCALLTYPE get_Bounds(RECT*) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::get_Bounds");
    }
    HRESULT STDMETHODCALLTYPE get_ZoomFactor(double*) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::get_ZoomFactor");
    }
    HRESULT STDMETHODCALLTYPE put_ZoomFactor(double) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::put_ZoomFactor");
    }
    HRESULT STDMETHODCALLTYPE add_ZoomFactorChanged(IUnknown*,
                                                    EventRegistrationToken*) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::add_ZoomFactorChanged");
    }
    HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(EventRegistrationToken) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::remove_ZoomFactorChanged");
    }
    HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT, double) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::SetBoundsAndZoomFactor");
    }
    HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(IUnknown*,
                                                     EventRegistrationToken*) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::add_MoveFocusRequested");
    }
    HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(EventRegistrationToken) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::remove_MoveFocusRequested");
    }
    HRESULT STDMETHODCALLTYPE add_GotFocus(IUnknown*, EventRegistrationToken*) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::add_GotFocus");
    }
    HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::remove_GotFocus");
    }
    HRESULT STDMETHODCALLTYPE add_LostFocus(IUnknown*, EventRegistrationToken*) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::add_LostFocus");
    }
    HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::remove_LostFocus");
    }
    HRESULT STDMETHODCALLTYPE add_AcceleratorKeyPressed(IUnknown*,
                                                        EventRegistrationToken*) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::add_AcceleratorKeyPressed");
    }
    HRESULT STDMETHODCALLTYPE
    remove_AcceleratorKeyPressed(EventRegistrationToken) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::remove_AcceleratorKeyPressed");
    }
    HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND*) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::get_ParentWindow");
    }
    HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND) noexcept override {
        return Unexpected(L"ICoreWebView2Controller::put_ParentWindow");
    }

private:
    // One view per controller, as the runtime has it.
    HRESULT GetView(ICoreWebView2** view) {
        Record line(L"view");
        Answer answer{E_POINTER, false};
        if (view != nullptr) {
            *view = nullptr;
            answer = ReadAnswer(L"WEBVIEW2_STANDIN_VIEW");
        }
        if (answer.object) {
            if (!view_) {
                view_ = NewView();
            }
            view_->AddRef();
            *view = view_.Get();
        }
        line.Code(L"answer", answer.code).YesNo(L"object", answer.object).Write();
        return answer.code;
    }

    ComPtr<ICoreWebView2> view_;
};

} // namespace

ComPtr<Shell::ICoreWebView2Controller> NewController() {
    return ComPtr<Shell::ICoreWebView2Controller>::Adopt(new Controller);
}

} // namespace Brindle::Standin
