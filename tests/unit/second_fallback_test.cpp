#include "shell/program.h"
#include "support/browser_record.h"
#include "support/fallback_texts.h"
#include "support/shared_log.h"

#include "platform/prelude.h"

#include <doctest.h>

#include <string>
#include <thread>

using namespace Brindle::Shell;
using namespace Brindle::Tests;

namespace {

struct SeenBox {
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

// The box is modal on the main thread, so only another thread can read it and press OK.
std::thread PressOkOnTheBox(SeenBox& seen, HWND window, unsigned long long logStart) {
    return std::thread([&seen, window, logStart] {
        for (int tries = 0; tries < 1000; ++tries) {
            if (HWND box = BoxOfThisProcess()) {
                seen = {TextOf(box), TextOf(GetDlgItem(box, 0xFFFF)), IsWindow(window) != FALSE,
                        LogAppendedSince(logStart)};
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                return;
            }
            Sleep(20);
        }
    });
}

} // namespace

TEST_SUITE("second_fallback") {
    TEST_CASE("its line first, the browser, its box, and then the main window closes") {
        REQUIRE_FALSE(Program::WindowClassStage().has_value());
        REQUIRE_FALSE(Program::MainWindowStage().has_value());
        HWND window = FindWindowW(Program::WindowClass().c_str(), nullptr);
        REQUIRE(window != nullptr);

        unsigned long long logStart = LogSize();
        BrowserRecord browser;
        SeenBox seen;
        std::thread presser = PressOkOnTheBox(seen, window, logStart);
        // No server in this process: the address of the first port stands in for it.
        Program::GiveUpOnTheWindow(L"controllercallback hr=0x80004004, geen controller");
        presser.join();

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
