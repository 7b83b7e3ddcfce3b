#include "shell/log.h"
#include "shell/program.h"
#include "shell/scaled_length.h"
#include "support/shared_log.h"

#include <doctest.h>

#include <climits>

using namespace Brindle::Shell;
using Brindle::Tests::LogAppendedSince;
using Brindle::Tests::LogSize;

TEST_SUITE("window") {
    TEST_CASE("scaled lengths are truncated, never rounded") {
        struct Case {
            std::uint32_t dpi;
            std::int32_t sizes[4];
        };
        const Case cases[] = {
            {96, {1280, 800, 900, 600}},
            {110, {1466, 916, 1031, 687}},
            {120, {1600, 1000, 1125, 750}},
            {144, {1920, 1200, 1350, 900}},
        };
        const std::int32_t lengths[4] = {1280, 800, 900, 600};
        for (const auto& c : cases) {
            for (int i = 0; i < 4; ++i) {
                CHECK(ScaledLength(c.dpi, lengths[i]) == c.sizes[i]);
            }
        }
        CHECK(ScaledLength(110, -1280) == -1466);
        CHECK(ScaledLength(4000000000u, INT_MAX) == INT_MAX);
        CHECK(ScaledLength(4000000000u, INT_MIN) == INT_MIN);
    }

    TEST_CASE("the window procedure sets only the minimum tracking size") {
        MINMAXINFO limits{};
        limits.ptMaxSize = {11, 12};
        limits.ptMaxPosition = {13, 14};
        limits.ptMaxTrackSize = {15, 16};
        limits.ptReserved = {17, 18};
        CHECK(Program::WindowProc(nullptr, WM_GETMINMAXINFO, 0,
                                  reinterpret_cast<LPARAM>(&limits)) == 0);
        CHECK(limits.ptMinTrackSize.x == Program::Scale(900));
        CHECK(limits.ptMinTrackSize.y == Program::Scale(600));
        CHECK(limits.ptMaxSize.x == 11);
        CHECK(limits.ptMaxPosition.y == 14);
        CHECK(limits.ptMaxTrackSize.x == 15);
        CHECK(limits.ptReserved.y == 18);
        CHECK(Program::WindowProc(nullptr, WM_GETMINMAXINFO, 0, 0) == 0);
        CHECK(Program::WindowProc(nullptr, WM_SIZE, SIZE_MINIMIZED, 0) == 0);
    }
}

TEST_SUITE("window_failures") {
    TEST_CASE("a window class that cannot be registered ends the road with 3") {
        WNDCLASSEXW taken{};
        taken.cbSize = sizeof taken;
        taken.lpfnWndProc = &DefWindowProcW;
        taken.hInstance = GetModuleHandleW(nullptr);
        taken.lpszClassName = Program::WindowClass().c_str();
        REQUIRE(RegisterClassExW(&taken) != 0);
        unsigned long long before = LogSize();
        CHECK(Program::WindowClassStage() == 3);
        std::string appended = LogAppendedSince(before);
        CHECK(appended.substr(23) == "  RegisterClassExW faalde, lasterror=1410\r\n");
        UnregisterClassW(Program::WindowClass().c_str(), GetModuleHandleW(nullptr));
    }

    TEST_CASE("a main window that cannot be created ends the road with 4") {
        unsigned long long before = LogSize();
        CHECK(Program::MainWindowStage() == 4);
        std::string appended = LogAppendedSince(before);
        // Windows reports 1407 for a class it cannot find, Wine 1411.
        CHECK((appended.substr(23) == "  CreateWindowExW faalde, lasterror=1407\r\n" ||
               appended.substr(23) == "  CreateWindowExW faalde, lasterror=1411\r\n"));
    }
}
