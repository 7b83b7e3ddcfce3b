#include "shell/program.h"

#include "shell/log_exception.h"
#include "shell/program_state.h"

namespace Brindle::Shell {

LRESULT CALLBACK Program::WindowProc(HWND window, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept {
    try {
        switch (message) {
        case WM_DESTROY:
            StopServer();
            PostQuitMessage(0);
            return 0;
        case WM_SIZE:
            // Every size change, minimising included, once there is a browser control to fit.
            if (State().controller) {
                Refit(window);
            }
            return 0;
        case WM_SETFOCUS:
            // Windows does not pass the focus on to the browser control's own window: without
            // this, keys typed after coming back to the window go nowhere.
            if (State().controller) {
                FocusTheView();
            }
            return DefWindowProcW(window, message, wParam, lParam);
        case WM_MOVE:
        case WM_MOVING:
            // The control places its pop-ups from where it believes the window is.
            if (State().controller) {
                static_cast<void>(State().controller->NotifyParentWindowPositionChanged());
            }
            return DefWindowProcW(window, message, wParam, lParam);
        case WM_GETMINMAXINFO:
            if (lParam != 0) {
                // Only the minimum: maximising stays the system's business.
                auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
                limits->ptMinTrackSize.x = Scale(900);
                limits->ptMinTrackSize.y = Scale(600);
            }
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
        }
    } catch (...) {
        // The platform cannot take an exception; the log is all that is left.
        LogCurrentException(L"fout in vensterprocedure: ");
        return 0;
    }
}

} // namespace Brindle::Shell
