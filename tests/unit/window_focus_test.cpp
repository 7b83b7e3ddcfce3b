#include "shell/program.h"
#include "unit/fake_webview.h"

#include <doctest.h>

#include <string>
#include <vector>

using namespace Brindle::Shell;
using Brindle::Tests::FakeController;

namespace {

using Journal = std::vector<std::wstring>;

const std::wstring Navigated = L"navigate http://127.0.0.1:3900/";

// The shell holds a controller until the process ends, so these are never freed.
FakeController& NewController() {
    return *new FakeController;
}

} // namespace

TEST_SUITE("window_focus") {
    TEST_CASE("focus and moves reach the view only once there is a controller") {
        REQUIRE_FALSE(Program::WindowClassStage().has_value());
        REQUIRE_FALSE(Program::MainWindowStage().has_value());
        HWND window = FindWindowW(Program::WindowClass().c_str(), nullptr);
        REQUIRE(window != nullptr);
        RECT moving{10, 20, 30, 40};
        const LPARAM movingRect = reinterpret_cast<LPARAM>(&moving);

        // Before the controller: the system's answers, and nothing else.
        CHECK(Program::WindowProc(window, WM_SETFOCUS, 0, 0) ==
              DefWindowProcW(window, WM_SETFOCUS, 0, 0));
        CHECK(Program::WindowProc(window, WM_MOVE, 0, MAKELPARAM(5, 6)) ==
              DefWindowProcW(window, WM_MOVE, 0, MAKELPARAM(5, 6)));
        CHECK(Program::WindowProc(window, WM_MOVING, 0, movingRect) ==
              DefWindowProcW(window, WM_MOVING, 0, movingRect));

        // The user went to another program while the page loaded: the focus is not taken.
        FakeController& elsewhere = NewController();
        SetFocus(nullptr);
        REQUIRE(GetFocus() != window);
        Program::OnController(S_OK, &elsewhere);
        CHECK(elsewhere.journal == Journal{L"bounds", Navigated});

        elsewhere.journal.clear();
        Program::WindowProc(window, WM_SETFOCUS, 0, 0);
        SetFocus(window); // the system's own WM_SETFOCUS
        Program::WindowProc(window, WM_MOVE, 0, MAKELPARAM(5, 6));
        CHECK(Program::WindowProc(window, WM_MOVING, 0, movingRect) ==
              DefWindowProcW(window, WM_MOVING, 0, movingRect));
        CHECK(elsewhere.journal == Journal{L"focus 0", L"focus 0", L"moved", L"moved"});

        // A controller that arrives while the window has the focus gets it, after the navigation.
        FakeController& focused = NewController();
        REQUIRE(GetFocus() == window);
        Program::OnController(S_OK, &focused);
        CHECK(focused.journal == Journal{L"bounds", Navigated, L"focus 0"});
    }
}
