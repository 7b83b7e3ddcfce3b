#include "shell/program.h"

#include "platform/failure.h"
#include "platform/unique_handle.h"
#include "shell/log.h"
#include "shell/log_exception.h"
#include "shell/program_state.h"

#include <shellapi.h>

namespace Brindle::Shell {

namespace {

constexpr const wchar_t* DownloadAddress =
    L"https://developer.microsoft.com/microsoft-edge/webview2/consumer/";
// Both boxes stay open while the user works in the browser.
constexpr const wchar_t* KeepOpen =
    L"\n\nKeep this message open while you work. Closing it stops Brindle.";

void OpenOrRaise(const std::wstring& address) {
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
    // No verb: the scheme's default, which is the user's default browser.
    request.lpFile = address.c_str();
    request.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&request)) {
        DWORD error = GetLastError();
        throw Failure::FromWin32(L"ShellExecuteExW " + address, error);
    }
    // The browser is not ours to wait for or end.
    UniqueHandle browser(request.hProcess);
}

// Best effort: answers whether the address was handed over, so the box can say what happened.
bool OpenInBrowser(const std::wstring& address) noexcept {
    try {
        OpenOrRaise(address);
        return true;
    } catch (...) {
        LogCurrentExceptionMessage(L"browser openen mislukte: ");
        return false;
    }
}

std::wstring RuntimeMissingText(const std::wstring& address, bool opened) {
    std::wstring text = L"Brindle needs the Microsoft Edge WebView2 Runtime to run in its own "
                        L"window, and it is not installed on this PC.\n\n";
    text += opened ? L"Brindle opened in your browser instead, so you can keep working:\n"
                   : L"Brindle could not open your browser. To keep working, open this address "
                     L"in it:\n";
    return text + address +
           L"\n\nTo get the app window, install the WebView2 Runtime (free, from Microsoft):\n" +
           DownloadAddress + KeepOpen;
}

std::wstring WindowFailedText(const std::wstring& address, bool opened) {
    std::wstring text =
        opened ? L"Brindle could not start its app window on this PC, so it opened in your "
                 L"browser instead:\n"
               : L"Brindle could not start its app window on this PC, nor open your browser. To "
                 L"keep working, open this address in your browser:\n";
    return text + address +
           L"\n\nEverything works there; only the separate window is missing. This usually "
           L"means the Microsoft Edge WebView2 Runtime is damaged. Repairing or reinstalling it "
           L"gets the window back:\n" +
           DownloadAddress + L"\n\nDetails are in:\n" + Log::Location() + KeepOpen;
}

void ShowWarning(const std::wstring& text) {
    MessageBoxW(nullptr, text.c_str(), L"Brindle", MB_OK | MB_ICONWARNING);
}

} // namespace

std::wstring Program::PageAddress() {
    const Statics& state = State();
    return state.server ? state.server->Url() : Server::UrlOf(3900);
}

int Program::WithoutWebView2(NoWindow why) {
    std::wstring address = PageAddress();
    bool opened = OpenInBrowser(address);
    // A runtime that the probe found is installed: telling the user to install it would be false.
    ShowWarning(why == NoWindow::RuntimeMissing ? RuntimeMissingText(address, opened)
                                                : WindowFailedText(address, opened));
    StopServer();
    return 0;
}

void Program::GiveUpOnTheWindow(const std::wstring& reason) {
    Log::Write(L"terugval naar de browser: " + reason);
    std::wstring address = PageAddress();
    bool opened = OpenInBrowser(address);
    ShowWarning(WindowFailedText(address, opened));
    // The window's own destruction stops the tool and ends the message loop.
    SendMessageW(State().hwnd, WM_CLOSE, 0, 0);
}

} // namespace Brindle::Shell
