// Answers held until a window is destroyed. Each thread keeps its own: the hook that sees the
// window's WM_DESTROY and the message-only window that runs the work once posted both belong to
// the thread, so nothing here is shared between threads.

#include "later.h"

#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

namespace Brindle::Standin {

namespace {

struct Held {
    HWND window;
    std::unique_ptr<Work> work;
};

struct ThreadHolds {
    HWND runWindow = nullptr;
    HHOOK hook = nullptr;
    std::vector<Held> held;
};

thread_local ThreadHolds holds;

constexpr UINT kRunHeld = WM_APP + 1;
constexpr const wchar_t* kRunClass = L"WebView2StandinHeldWork";

LRESULT CALLBACK RunWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message != kRunHeld) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    const std::unique_ptr<Work> work(reinterpret_cast<Work*>(lParam));
    try {
        work->Run();
    } catch (...) {
        // Nobody to tell from inside a dispatched message.
    }
    return 0;
}

HINSTANCE ThisModule() noexcept {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&RunWindowProc), &module);
    return module;
}

HWND MakeRunWindow() noexcept {
    WNDCLASSW runClass{};
    runClass.lpfnWndProc = &RunWindowProc;
    runClass.hInstance = ThisModule();
    runClass.lpszClassName = kRunClass;
    // Another thread may have registered it already.
    RegisterClassW(&runClass);
    return CreateWindowExW(0, kRunClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           runClass.hInstance, nullptr);
}

// The work held for the window; the hook goes once nothing is held any more.
std::vector<std::unique_ptr<Work>> TakeHeld(HWND window) {
    std::vector<std::unique_ptr<Work>> taken;
    std::erase_if(holds.held, [&](Held& item) {
        if (item.window != window) {
            return false;
        }
        taken.push_back(std::move(item.work));
        return true;
    });
    if (!taken.empty() && holds.held.empty()) {
        UnhookWindowsHookEx(holds.hook);
        holds.hook = nullptr;
    }
    return taken;
}

LRESULT CALLBACK OnCallWindow(int code, WPARAM wParam, LPARAM lParam) noexcept {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call != nullptr && call->message == WM_DESTROY) {
        try {
            for (auto& work : TakeHeld(call->hwnd)) {
                if (PostMessageW(holds.runWindow, kRunHeld, 0,
                                 reinterpret_cast<LPARAM>(work.get()))) {
                    static_cast<void>(work.release());
                }
            }
        } catch (...) {
            // The held work is lost; the test sees no answer.
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

HWND ShownWindowOfThread() noexcept {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM context) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(window, name, static_cast<int>(std::size(name)));
            if (!IsWindowVisible(window) || std::wstring_view(name) == L"#32770") {
                return TRUE;
            }
            *reinterpret_cast<HWND*>(context) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

bool PostAfterDestroy(HWND window, std::unique_ptr<Work> work) noexcept {
    try {
        // Only this thread's hook can see the window go.
        if (!IsWindow(window) ||
            GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
            return false;
        }
        if (holds.runWindow == nullptr && (holds.runWindow = MakeRunWindow()) == nullptr) {
            return false;
        }
        if (holds.hook == nullptr) {
            holds.hook =
                SetWindowsHookExW(WH_CALLWNDPROC, &OnCallWindow, nullptr, GetCurrentThreadId());
            if (holds.hook == nullptr) {
                return false;
            }
        }
        holds.held.push_back({window, std::move(work)});
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace Brindle::Standin
