// The shell's run: the process's frame, the start-up road and its stages, and the main window.
#pragma once

#include "platform/prelude.h"
#include "platform/unique_handle.h"
#include "platform/webview2.h"

#include <cstdint>
#include <optional>
#include <string>

namespace Brindle::Shell {

class Program {
public:
    Program() = delete;

    // Runs the whole shell once and answers the process's exit code; never raises.
    static int Main() noexcept;
    // The start-up road: its stages in their fixed order, ended by the first that ends it.
    static int Execute();
    // The installation key of the folder that the running executable lies in.
    static std::wstring InstallKey();
    // A length in pixels at 96 DPI, scaled to the system DPI of this run.
    static std::int32_t Scale(std::int32_t value);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept;

    // The per-installation names that a second start looks for.
    static const std::wstring& WindowClass();
    static const std::wstring& MutexName();

    // The road's stages, in the order Execute runs them. A stage either lets the road go on (no
    // value) or ends it with an exit code.
    using StageResult = std::optional<int>;
    static void StartLineStage();
    static StageResult GuardStage(UniqueHandle& mutex);
    static StageResult ServerStage();
    static StageResult RuntimeProbeStage();
    static StageResult WindowClassStage();
    static StageResult MainWindowStage();
    static StageResult BrowserEnvironmentStage();
    static int MessageLoopStage();

    // WebView2's answers, delivered on the main thread from inside a message loop.
    static void OnEnvironment(HRESULT result, ICoreWebView2Environment* environment);
    static void OnController(HRESULT result, ICoreWebView2Controller* controller);

    // The browser fallbacks: the page in the default browser, with a box that stays open while
    // the user works there. The first ends the road (its result is the exit code); the second
    // closes the main window once its box is closed.
    // Why the first fallback was taken: its box tells the user to install the runtime only when
    // none was found.
    enum class NoWindow { RuntimeMissing, EnvironmentRefused };
    static int WithoutWebView2(NoWindow why);
    static void GiveUpOnTheWindow(const std::wstring& reason);

private:
    struct Statics;
    static Statics& State();

    static int CatchSteps();
    static void EndSteps() noexcept;
    // Stops the tool when there is a server; harmless when it has stopped already.
    static void StopServer() noexcept;
    // The tool's page: the server's address, or the one it would have on the first port.
    static std::wstring PageAddress();
    // Fits the browser control to the window's client area.
    static void Refit(HWND window);
    // Hands the keyboard focus on to the browser control.
    static void FocusTheView();
};

} // namespace Brindle::Shell
