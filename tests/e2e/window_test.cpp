#include "harness.h"

#include "platform/text.h"

#include <doctest.h>

using namespace Brindle::Tests;

namespace {

SIZE OuterSize(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

std::wstring Title(HWND window) {
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    return title;
}

// Starts a run, checks its window's size at this prefix's DPI and its minimum, and closes it.
void CheckWindowSizes(UINT dpi, SIZE expected, SIZE minimum) {
    Installation installation;
    LogTail log;
    Run run(installation);
    HWND window = run.WaitForWindow(installation.WindowClass(), 20000);
    REQUIRE(window != nullptr);
    CHECK(Title(window) == L"Brindle");
    CHECK((GetWindowLongW(window, GWL_STYLE) & WS_OVERLAPPEDWINDOW) == WS_OVERLAPPEDWINDOW);
    SIZE size = OuterSize(window);
    CHECK(size.cx == expected.cx);
    CHECK(size.cy == expected.cy);
    CHECK(log.Contains(L"venster 0x" + HandleHex(window, true) + L" op " +
                       Brindle::Shell::Text::Decimal(static_cast<std::uint32_t>(dpi)) + L" dpi"));

    SetWindowPos(window, nullptr, 0, 0, 200, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    size = OuterSize(window);
    CHECK(size.cx == minimum.cx);
    CHECK(size.cy == minimum.cy);

    PostMessageW(window, WM_CLOSE, 0, 0);
    CHECK(run.WaitForExit(20000) == 0u);
    CHECK(log.Messages().back() == L"=== Brindle einde ===");
}

} // namespace

TEST_SUITE("window") {
    TEST_CASE("the main window at 96 DPI") {
        CheckWindowSizes(96, {1280, 800}, {900, 600});
    }
}

TEST_SUITE("window_dpi120") {
    TEST_CASE("the main window at 120 DPI") {
        CheckWindowSizes(120, {1600, 1000}, {1125, 750});
    }
}
