#include "support/fallback_texts.h"

#include "shell/log.h"

namespace Brindle::Tests {

std::wstring FirstFallbackText(const std::wstring& address, bool browserOpened) {
    return std::wstring(L"Brindle needs the Microsoft Edge WebView2 Runtime to run in its own "
                        L"window, and it is not installed on this PC.\n\n") +
           (browserOpened ? L"Brindle opened in your browser instead, so you can keep working:\n"
                          : L"Brindle could not open your browser. To keep working, open this "
                            L"address in it:\n") +
           address +
           L"\n\nTo get the app window, install the WebView2 Runtime (free, from Microsoft):\n"
           L"https://developer.microsoft.com/microsoft-edge/webview2/consumer/"
           L"\n\nKeep this message open while you work. Closing it stops Brindle.";
}

std::wstring SecondFallbackText(const std::wstring& address, bool browserOpened) {
    return std::wstring(browserOpened
                            ? L"Brindle could not start its app window on this PC, so it opened "
                              L"in your browser instead:\n"
                            : L"Brindle could not start its app window on this PC, nor open your "
                              L"browser. To keep working, open this address in your browser:\n") +
           address +
           L"\n\nEverything works there; only the separate window is missing. This usually means "
           L"the Microsoft Edge WebView2 Runtime is damaged. Repairing or reinstalling it gets "
           L"the window back:\n"
           L"https://developer.microsoft.com/microsoft-edge/webview2/consumer/"
           L"\n\nDetails are in:\n" +
           Shell::Log::Location() +
           L"\n\nKeep this message open while you work. Closing it stops Brindle.";
}

} // namespace Brindle::Tests
