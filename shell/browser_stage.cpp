#include "shell/program.h"

#include "platform/failure.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "platform/win32.h"
#include "shell/log.h"
#include "shell/program_state.h"
#include "webview2/webview2_loader.h"

namespace Brindle::Shell {

namespace {

std::wstring Digits(HRESULT result) {
    return Text::Hex(static_cast<std::uint32_t>(result), Text::Case::Upper, 8);
}

// One browser profile per installation folder, beside the log under the product's folder.
std::wstring UserDataFolder() {
    std::wstring product = JoinPath(Win32::KnownFolder(FOLDERID_LocalAppData), L"Brindle");
    return JoinPath(JoinPath(product, L"WebView2"), Program::InstallKey());
}

HRESULT CreateEnvironment(const std::wstring& userData, ICoreWebView2EnvironmentOptions* options,
                          ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    // No browser folder: the installed runtime.
    return WebView2Loader::CreateCoreWebView2EnvironmentWithOptions(nullptr, userData.c_str(),
                                                                    options, handler);
}

// An answer that was already queued when the user closed the window arrives after the tool was
// stopped: it must neither build on the dead window nor open a browser on the dead address.
bool WindowGone(HWND window, const std::wstring& answer) {
    if (IsWindow(window)) {
        return false;
    }
    Log::Write(L"venster al gesloten; " + answer + L" genegeerd");
    return true;
}

} // namespace

Program::StageResult Program::BrowserEnvironmentStage() {
    Statics& state = State();
    std::wstring userData = UserDataFolder();
    if (DWORD error = CreateFolderWithParents(userData); error != ERROR_SUCCESS) {
        throw Failure::FromWin32(L"Cannot create the browser profile folder " + userData, error);
    }
    std::wstring arguments = Win32::EnvironmentVariable(L"BRINDLE_WEBVIEW_ARGS");
    if (!arguments.empty()) {
        Log::Write(L"extra browserargumenten: " + arguments);
        state.options = EnvironmentOptions::Create(arguments);
    }
    state.environmentHandler = EnvironmentCompletedHandler::Create(&Program::OnEnvironment);

    HRESULT result =
        CreateEnvironment(userData, state.options.Get(), state.environmentHandler.Get());
    if (FAILED(result) && state.options) {
        Log::Write(L"omgeving met extra argumenten geweigerd (hr=0x" + Digits(result) +
                   L"); opnieuw zonder");
        state.options.Reset();
        result = CreateEnvironment(userData, nullptr, state.environmentHandler.Get());
    }
    if (FAILED(result)) {
        Log::Write(L"omgeving aanmaken faalde hr=0x" + Digits(result));
        return WithoutWebView2(NoWindow::EnvironmentRefused);
    }
    return std::nullopt;
}

void Program::OnEnvironment(HRESULT result, ICoreWebView2Environment* environment) {
    Statics& state = State();
    const std::wstring answer = L"omgevingscallback hr=0x" + Digits(result);
    if (WindowGone(state.hwnd, answer)) {
        return;
    }
    if (FAILED(result) || environment == nullptr) {
        GiveUpOnTheWindow(answer + L", geen omgeving");
        return;
    }
    // Held before the call: WebView2 answers through it after the call has returned.
    state.controllerHandler = ControllerCompletedHandler::Create(&Program::OnController);
    HRESULT call =
        environment->CreateCoreWebView2Controller(state.hwnd, state.controllerHandler.Get());
    if (FAILED(call)) {
        GiveUpOnTheWindow(L"controller aanmaken faalde hr=0x" + Digits(call));
    }
}

void Program::OnController(HRESULT result, ICoreWebView2Controller* controller) {
    Statics& state = State();
    const std::wstring answer = L"controllercallback hr=0x" + Digits(result);
    if (WindowGone(state.hwnd, answer)) {
        return;
    }
    if (FAILED(result) || controller == nullptr) {
        GiveUpOnTheWindow(answer + L", geen controller");
        return;
    }
    state.controller = ComPtr<ICoreWebView2Controller>::Retain(controller);
    Refit(state.hwnd);

    ComPtr<ICoreWebView2> view;
    HRESULT viewResult = state.controller->get_CoreWebView2(view.Put());
    if (FAILED(viewResult) || !view) {
        GiveUpOnTheWindow(L"get_CoreWebView2 faalde hr=0x" + Digits(viewResult));
        return;
    }
    state.webView = std::move(view);

    std::wstring address = PageAddress();
    HRESULT navigation = state.webView->Navigate(address.c_str());
    Log::Write(L"navigeren naar " + address + L" hr=0x" + Digits(navigation));
    if (FAILED(navigation)) {
        GiveUpOnTheWindow(L"navigeren faalde hr=0x" + Digits(navigation));
        return;
    }
    // Only while the window has the focus: a user who went to another program keeps it there.
    if (GetFocus() == state.hwnd) {
        FocusTheView();
    }
}

void Program::FocusTheView() {
    // A refusal changes nothing for the user that another try could mend.
    static_cast<void>(State().controller->MoveFocus(MoveFocusProgrammatic));
}

void Program::Refit(HWND window) {
    // A client area that cannot be read leaves the control at an empty rectangle.
    RECT client{};
    GetClientRect(window, &client);
    // Nothing to do about a refused size: the next resize tries again.
    static_cast<void>(State().controller->put_Bounds(client));
}

} // namespace Brindle::Shell
