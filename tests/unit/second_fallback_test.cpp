#include "shell/program.h"
#include "support/browser_record.h"
#include "support/fallback_texts.h"
#include "support/shared_log.h"

#include "platform/prelude.h"

#include <doctest.h>

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

using namespace Brindle::Shell;
using namespace Brindle::Tests;

namespace {

// The box should be there within this; a later one is still closed, and reported as late.
constexpr ULONGLONG kBoxLimitMs = 20000;
// Past a late box, and well inside ctest's limit: the main thread, blocked for good, cannot end
// the test.
constexpr ULONGLONG kHardLimitMs = 150000;
constexpr ULONGLONG kPressAgainMs = 1000;

struct SeenBox {
    bool found = false;
    ULONGLONG afterMs = 0;
    std::wstring caption;
    std::wstring text;
    bool windowAlive = false;
    std::string logSoFar;
};

std::wstring TextOf(HWND window) {
    wchar_t text[2048] = {};
    GetWindowTextW(window, text, 2048);
    return text;
}

HWND BoxOfThisProcess() {
    struct Search {
        HWND found = nullptr;
    } search;
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (owner == GetCurrentProcessId() && std::wstring(name) == L"#32770" &&
                IsWindowVisible(window)) {
                reinterpret_cast<Search*>(context)->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Nothing can unwind the blocked main thread, so the process ends here, after saying why.
[[noreturn]] void EndTheRun(const std::string& why, unsigned long long logStart) {
    std::cout.flush();
    std::string log;
    try {
        log = LogAppendedSince(logStart);
    } catch (...) {
        log = "(unreadable)\n";
    }
    std::cerr << "second_fallback: " << why << "; the log since the call:\n"
              << log << "ending the test process\n";
    std::cerr.flush();
    TerminateProcess(GetCurrentProcess(), 1);
    std::abort();
}

// The box is modal on the main thread, so only another thread can read it and press OK. It
// watches until the call has returned.
class BoxPresser {
public:
    BoxPresser(HWND window, unsigned long long logStart)
        : thread_([this, window, logStart] { Watch(window, logStart); }) {}
    BoxPresser(const BoxPresser&) = delete;
    BoxPresser& operator=(const BoxPresser&) = delete;
    ~BoxPresser() { Returned(); }

    // Stops the search at once, box or not.
    const SeenBox& Returned() {
        returned_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        return seen_;
    }

private:
    void Watch(HWND window, unsigned long long logStart) {
        const ULONGLONG start = GetTickCount64();
        HWND box = nullptr;
        ULONGLONG pressed = 0;
        while (!returned_) {
            const ULONGLONG elapsed = GetTickCount64() - start;
            if (!seen_.found) {
                if ((box = BoxOfThisProcess()) != nullptr) {
                    seen_ = {true,
                             elapsed,
                             TextOf(box),
                             TextOf(GetDlgItem(box, 0xFFFF)),
                             IsWindow(window) != FALSE,
                             LogAppendedSince(logStart)};
                }
            }
            // Pressed again while it stays, in case a press was lost.
            if (box != nullptr && IsWindow(box) && elapsed - pressed >= kPressAgainMs) {
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                pressed = elapsed;
            }
            if (elapsed >= kHardLimitMs) {
                EndTheRun(Missing(elapsed), logStart);
            }
            Sleep(20);
        }
    }

    [[nodiscard]] std::string Missing(ULONGLONG elapsed) const {
        const std::string waited = std::to_string(elapsed) + " ms";
        if (!seen_.found) {
            return "no message box came in " + waited + ", and GiveUpOnTheWindow has not returned";
        }
        return "OK was pressed on the box after " + std::to_string(seen_.afterMs) +
               " ms, and GiveUpOnTheWindow has not returned in " + waited;
    }

    std::atomic<bool> returned_{false};
    SeenBox seen_;
    std::thread thread_;
};

} // namespace

TEST_SUITE("second_fallback") {
    TEST_CASE("its line first, the browser, its box, and then the main window closes") {
        REQUIRE_FALSE(Program::WindowClassStage().has_value());
        REQUIRE_FALSE(Program::MainWindowStage().has_value());
        HWND window = FindWindowW(Program::WindowClass().c_str(), nullptr);
        REQUIRE(window != nullptr);

        unsigned long long logStart = LogSize();
        BrowserRecord browser;
        BoxPresser presser(window, logStart);
        // No server in this process: the address of the first port stands in for it.
        Program::GiveUpOnTheWindow(L"controllercallback hr=0x80004004, geen controller");
        const SeenBox& seen = presser.Returned();

        CHECK_MESSAGE(seen.found, "GiveUpOnTheWindow returned without showing its box");
        CHECK_MESSAGE(seen.afterMs <= kBoxLimitMs,
                      "the box came " << seen.afterMs - kBoxLimitMs << " ms late: after "
                                      << seen.afterMs << " ms, where " << kBoxLimitMs
                                      << " ms is the limit");
        const std::wstring address = L"http://127.0.0.1:3900/";
        CHECK(seen.caption == L"Brindle");
        CHECK(seen.text == SecondFallbackText(address));
        CHECK(seen.windowAlive);
        const std::string line =
            "  terugval naar de browser: controllercallback hr=0x80004004, geen controller\r\n";
        CHECK(seen.logSoFar.size() == 23 + line.size());
        CHECK(seen.logSoFar.find(line) == 23);
        CHECK(browser.WaitForAddresses(1, 10000) == std::vector<std::wstring>{address});

        CHECK_FALSE(IsWindow(window));
        MSG quit{};
        CHECK(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE);
        CHECK(LogAppendedSince(logStart) == seen.logSoFar);
    }
}
