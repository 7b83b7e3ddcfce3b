// Program's static state, made once, when the road first touches it.
#pragma once

#include "platform/com_ptr.h"
#include "platform/webview2.h"
#include "server/server.h"
#include "shell/program.h"
#include "webview2/completion_handlers.h"
#include "webview2/environment_options.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Brindle::Shell {

struct Program::Statics {
    // In this order: the class name first, the mutex name second, then the DPI.
    std::wstring windowClass = L"BrindleShellWindow-" + Program::InstallKey();
    std::wstring mutexName = L"Local\\BrindleShell-" + Program::InstallKey();
    std::uint32_t dpi = 96;
    HWND hwnd = nullptr;
    // Set once, by the server stage, and kept until the process ends.
    std::unique_ptr<Server> server;
    // WebView2 may call the handlers and read the options after the calls that handed them
    // over have returned, so they are held until the process ends (options: until the retry).
    ComPtr<EnvironmentOptions> options;
    ComPtr<EnvironmentCompletedHandler> environmentHandler;
    ComPtr<ControllerCompletedHandler> controllerHandler;
    // Held, never closed: the browser control goes with the process.
    ComPtr<ICoreWebView2Controller> controller;
    ComPtr<ICoreWebView2> webView;
};

} // namespace Brindle::Shell
