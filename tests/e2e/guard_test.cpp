#include "harness.h"

#include "platform/text.h"

#include <doctest.h>

#include <algorithm>

using namespace Brindle::Tests;
using Brindle::Shell::UniqueHandle;

namespace {

int CountWindows(const std::wstring& className) {
    int count = 0;
    for (HWND window = FindWindowExW(nullptr, nullptr, className.c_str(), nullptr);
         window != nullptr; window = FindWindowExW(nullptr, window, className.c_str(), nullptr)) {
        ++count;
    }
    return count;
}

// The running window with its page: the page's line comes before anything a later start logs.
HWND WindowWithPage(const Run& run, const Installation& installation, const LogTail& log) {
    HWND window = run.WaitForWindow(installation.WindowClass(), 20000);
    if (window == nullptr ||
        !WaitUntil([&] { return !log.StartingWith(L"navigeren naar ").empty(); }, 20000)) {
        return nullptr;
    }
    return window;
}

void Close(Run& run, HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    CHECK(run.WaitForExit(20000) == 0u);
}

} // namespace

TEST_SUITE("guard") {
    TEST_CASE("a second start brings the running window forward and ends") {
        Installation installation(L"Guarded App");
        LogTail firstLog;
        Run first(installation);
        HWND window = WindowWithPage(first, installation, firstLog);
        REQUIRE(window != nullptr);
        ShowWindow(window, SW_MINIMIZE);
        REQUIRE(WaitUntil([&] { return IsIconic(window) != FALSE; }, 5000));

        LogTail log;
        Run second(installation);
        CHECK(second.WaitForExit(20000) == 0u);
        auto messages = log.Messages();
        REQUIRE(messages.size() == 4);
        CHECK(messages[0] == L"=== Brindle start ===");
        CHECK(messages[1] == L"start " + installation.Folder() + L" sleutel=" + installation.Key());
        CHECK(messages[2] ==
              L"al open, venster " + HandleHex(window, false) + L" van pid " +
                  Brindle::Shell::Text::Decimal(static_cast<std::uint32_t>(first.Pid())) +
                  L" naar voren (klasse " + installation.WindowClass() + L")");
        CHECK(messages[3] == L"=== Brindle einde ===");
        CHECK(WaitUntil([&] { return IsIconic(window) == FALSE; }, 5000));
        CHECK(GetForegroundWindow() == window);
        CHECK(CountWindows(installation.WindowClass()) == 1);
        Close(first, window);
    }

    TEST_CASE("a start while the running window is closing is not lost") {
        Installation installation(L"Restarted App");
        LogTail firstLog;
        Run first(installation);
        HWND window = WindowWithPage(first, installation, firstLog);
        REQUIRE(window != nullptr);
        std::vector<DWORD> firstTree = TreeOf(StartedToolOf(firstLog).pid);

        // Closed and started again at once: the window is hidden first and lingers while it is
        // destroyed (about 2 s under Wine), which is when the second start finds it.
        LogTail log;
        PostMessageW(window, WM_CLOSE, 0, 0);
        REQUIRE(WaitUntil([&] { return IsWindowVisible(window) == FALSE; }, 5000));
        Run second(installation);
        CHECK(first.WaitForExit(20000) == 0u);
        HWND secondWindow = second.WaitForWindow(installation.WindowClass(), 30000);
        REQUIRE(secondWindow != nullptr);
        CHECK(log.Contains(L"al open, venster " + HandleHex(window, false) +
                           L" verdween; toch doorstarten"));
        StartedTool secondTool = StartedToolOf(log);
        CHECK(WaitUntil(
            [&] { return !log.StartingWith(L"navigeren naar " + secondTool.Address()).empty(); },
            20000));
        for (DWORD pid : firstTree) {
            CHECK_FALSE(IsRunning(pid));
        }
        CHECK(IsRunning(secondTool.pid));
        // The run that went on holds the name, so a third start still finds this one.
        UniqueHandle name(
            OpenMutexW(SYNCHRONIZE, FALSE, (L"Local\\BrindleShell-" + installation.Key()).c_str()));
        CHECK(name);
        CHECK(log.Count(L"kiv.exe gestopt") == 1);
        CHECK(CountStartingWith(log.Messages(), L"kiv.exe gestart") == 1);
        std::vector<DWORD> secondTree = TreeOf(secondTool.pid);
        Close(second, secondWindow);
        for (DWORD pid : secondTree) {
            CHECK_FALSE(IsRunning(pid));
        }
    }

    TEST_CASE("starts from two folders get a window each") {
        Installation one(L"One");
        Installation two(L"Two");
        Run first(one);
        HWND firstWindow = first.WaitForWindow(one.WindowClass(), 20000);
        REQUIRE(firstWindow != nullptr);
        Run second(two);
        HWND secondWindow = second.WaitForWindow(two.WindowClass(), 20000);
        REQUIRE(secondWindow != nullptr);
        Close(first, firstWindow);
        Close(second, secondWindow);
    }

    TEST_CASE("a held name without a window: the start goes on as a first one") {
        Installation installation;
        UniqueHandle held(
            CreateMutexW(nullptr, FALSE, (L"Local\\BrindleShell-" + installation.Key()).c_str()));
        REQUIRE(held);
        LogTail log;
        Run run(installation);
        HWND window = run.WaitForWindow(installation.WindowClass(), 20000);
        REQUIRE(window != nullptr);
        CHECK(log.Contains(L"mutex bezet maar geen venster gevonden; toch doorstarten"));
        Close(run, window);
    }

    TEST_CASE("a name held by another kind of kernel object is a failure to start") {
        Installation installation;
        std::wstring name = L"Local\\BrindleShell-" + installation.Key();
        UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
        REQUIRE(event);
        LogTail log;
        Run run(installation);
        auto box = run.WaitForBox(20000);
        REQUIRE(box.has_value());
        CHECK(box->caption == L"Brindle");
        const std::wstring opening = L"Brindle could not start.\n\n";
        const std::wstring closing = L"\n\nDetails are in:\n" + LogTail::Path();
        REQUIRE(box->text.size() > opening.size() + closing.size());
        CHECK(box->text.substr(0, opening.size()) == opening);
        CHECK(box->text.substr(box->text.size() - closing.size()) == closing);
        CHECK(box->text.find(name) != std::wstring::npos);
        CHECK(box->text.find(L"error 6)") != std::wstring::npos);
        PressOk(*box);
        CHECK(run.WaitForExit(20000) == 1u);
        auto messages = log.Messages();
        CHECK(std::any_of(messages.begin(), messages.end(), [&](const std::wstring& m) {
            return m.rfind(L"FATAAL: Win32Error: CreateMutexExW failed for " + name, 0) == 0;
        }));
        CHECK(messages.back() == L"=== Brindle einde ===");
    }
}
