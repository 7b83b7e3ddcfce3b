#include "harness.h"

#include <doctest.h>

#include <atomic>
#include <thread>

using namespace Brindle::Tests;

namespace {

// Another program that the user goes to: a window of the test's own process, on a thread of
// its own that answers its messages while the test waits.
class OtherProgram {
public:
    OtherProgram() : thread_([this] { Serve(); }) {
        WaitUntil([this] { return window_.load() != nullptr; }, 10000);
    }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;
    // A quit posted to a thread that has no queue yet would be lost; the flag is not.
    ~OtherProgram() {
        done_ = true;
        thread_.join();
    }

    // Takes the foreground from whatever has it; answers whether it did.
    bool TakeForeground() const {
        HWND window = window_.load();
        SetForegroundWindow(window);
        return window != nullptr &&
               WaitUntil([&] { return GetForegroundWindow() == window; }, 10000);
    }

private:
    void Serve() {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"BrindleTestOtherProgram";
        RegisterClassExW(&windowClass);
        HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Other program",
                                      WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                                      nullptr, windowClass.hInstance, nullptr);
        window_ = window;
        while (!done_) {
            MSG message{};
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        DestroyWindow(window);
        UnregisterClassW(windowClass.lpszClassName, windowClass.hInstance);
    }

    std::atomic<HWND> window_{nullptr};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

std::size_t IndexOf(const std::vector<RuntimeEvent>& events, std::wstring_view name) {
    std::size_t index = 0;
    while (index < events.size() && events[index].name != name) {
        ++index;
    }
    return index;
}

// Waits until the view has been asked for the focus once more than `before`; every request
// is a programmatic one.
bool FocusedAgain(const RuntimeRecorder& runtime, std::size_t before) {
    auto focus = runtime.WaitForEvents(L"focus", before + 1, 10000);
    for (const auto& event : focus) {
        CHECK(event.Field(L"reason") == L"0");
    }
    return focus.size() > before;
}

HWND WaitForPage(const Run& run, const Installation& installation, const RuntimeRecorder& runtime) {
    HWND window = run.WaitForWindow(installation.WindowClass(), 30000);
    if (window == nullptr || runtime.WaitForEvents(L"fetch", 1, 20000).empty()) {
        return nullptr;
    }
    return window;
}

void Close(const Run& run, HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    CHECK(run.WaitForExit(20000) == 0u);
}

} // namespace

TEST_SUITE("view_focus") {
    TEST_CASE("the view gets the focus when the page shows and whenever the window comes back") {
        Installation installation;
        RuntimeRecorder runtime;
        LogTail log;
        Run run(installation, runtime.With());
        HWND window = WaitForPage(run, installation, runtime);
        REQUIRE(window != nullptr);
        REQUIRE(FocusedAgain(runtime, 0));
        auto events = ReadRuntimeRecord(runtime.path);
        CHECK(IndexOf(events, L"navigate") < IndexOf(events, L"focus"));

        OtherProgram other;
        REQUIRE(other.TakeForeground());
        std::size_t before = runtime.Events(L"focus").size();
        SetForegroundWindow(window);
        CHECK(FocusedAgain(runtime, before));

        // Brought forward by a second start from the same folder.
        REQUIRE(other.TakeForeground());
        before = runtime.Events(L"focus").size();
        LogTail secondLog;
        Run second(installation);
        CHECK(second.WaitForExit(20000) == 0u);
        CHECK_FALSE(
            secondLog.StartingWith(L"al open, venster " + HandleHex(window, false)).empty());
        CHECK(FocusedAgain(runtime, before));

        CHECK(runtime.Events(L"unexpected").empty());
        Close(run, window);
    }

    TEST_CASE("a moved window is reported to the view") {
        Installation installation;
        RuntimeRecorder runtime;
        Run run(installation, runtime.With());
        HWND window = WaitForPage(run, installation, runtime);
        REQUIRE(window != nullptr);
        RECT before{};
        GetWindowRect(window, &before);
        std::size_t moves = runtime.Events(L"moved").size();
        SetWindowPos(window, nullptr, before.left + 40, before.top + 30, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        CHECK(runtime.WaitForEvents(L"moved", moves + 1, 10000).size() > moves);
        CHECK(runtime.Events(L"unexpected").empty());
        Close(run, window);
    }

    TEST_CASE("without a controller, neither the focus nor a move reaches the runtime") {
        Installation installation;
        RuntimeRecorder runtime;
        Run run(installation, runtime.With({{L"WEBVIEW2_STANDIN_CONTROLLER", L"0x80004004"}}));
        HWND window = run.WaitForWindow(installation.WindowClass(), 30000);
        REQUIRE(window != nullptr);
        auto box = run.WaitForBox(30000);
        REQUIRE(box.has_value());

        OtherProgram other;
        REQUIRE(other.TakeForeground());
        SetForegroundWindow(window);
        CHECK(WaitUntil([&] { return GetForegroundWindow() == window; }, 10000));
        RECT rect{};
        GetWindowRect(window, &rect);
        SetWindowPos(window, nullptr, rect.left + 40, rect.top + 30, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        // A round trip through the shell's thread: what the messages brought is recorded by now.
        CHECK(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr) != 0);
        // The answer that failed is still being handled: its box is open.
        CHECK(runtime.Events(L"controller-call").size() == 1);
        CHECK(runtime.Events(L"focus").empty());
        CHECK(runtime.Events(L"moved").empty());

        PressOk(*box);
        CHECK(run.WaitForExit(20000) == 0u);
    }
}
