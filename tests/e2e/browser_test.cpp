#include "fallback_expectations.h"

#include "platform/text.h"
#include "platform/win32.h"
#include "support/files.h"

#include <doctest.h>

#include <algorithm>

using namespace Brindle::Tests;
using Brindle::Shell::Text::Decimal;

namespace {

RECT ClientRect(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return client;
}

bool SameRect(const RuntimeEvent& bounds, const RECT& rect) {
    return bounds.Field(L"left") == Decimal(rect.left) &&
           bounds.Field(L"top") == Decimal(rect.top) &&
           bounds.Field(L"right") == Decimal(rect.right) &&
           bounds.Field(L"bottom") == Decimal(rect.bottom);
}

// A size change of the window brings one more bounds record: the new client area.
void ExpectRefit(const RuntimeRecorder& runtime, HWND window, void (*change)(HWND)) {
    std::size_t before = runtime.Events(L"bounds").size();
    change(window);
    auto bounds = runtime.WaitForEvents(L"bounds", before + 1, 10000);
    REQUIRE(bounds.size() > before);
    CHECK(SameRect(bounds.back(), ClientRect(window)));
}

// The page is shown: navigated, fetched from the tool, and the window ends cleanly when closed.
void ExpectPageAndClose(const Run& run, const Installation& installation, const LogTail& log,
                        const RuntimeRecorder& runtime, const wchar_t* navigationDigits) {
    HWND window = run.WaitForWindow(installation.WindowClass(), 30000);
    REQUIRE(window != nullptr);
    auto fetched = runtime.WaitForEvents(L"fetch", 1, 20000);
    REQUIRE(fetched.size() == 1);
    CHECK(fetched.front().Field(L"status").rfind(L"HTTP/1.1 200", 0) == 0);
    CHECK(fetched.front().Field(L"page") == L"yes");
    StartedTool tool = StartedToolOf(log);
    CHECK(runtime.Events(L"navigate").front().Field(L"uri") == tool.Address());
    // The runtime records the page before Navigate returns; the shell's line comes after.
    CHECK(WaitUntil(
        [&] {
            return log.Contains(L"navigeren naar " + tool.Address() + L" hr=0x" + navigationDigits);
        },
        10000));
    CHECK(log.StartingWith(L"terugval naar de browser: ").empty());

    std::vector<DWORD> tree = TreeOf(tool.pid);
    PostMessageW(window, WM_CLOSE, 0, 0);
    CHECK(run.WaitForExit(20000) == 0u);
    for (DWORD pid : tree) {
        CHECK_FALSE(IsRunning(pid));
    }
    CHECK(runtime.Events(L"close").empty());
    CHECK(runtime.Events(L"unexpected").empty());
    CHECK(log.Messages().back() == L"=== Brindle einde ===");
}

// The second fallback: its line, the browser on the address, its box over the window; after OK
// the window closes, the tool's tree goes and the run ends with 0.
void ExpectSecondFallback(const Run& run, const Installation& installation, const LogTail& log,
                          const BrowserRecord& browser, const std::wstring& reason) {
    HWND window = run.WaitForWindow(installation.WindowClass(), 30000);
    REQUIRE(window != nullptr);
    auto box = run.WaitForBox(30000);
    REQUIRE(box.has_value());
    StartedTool tool = StartedToolOf(log);
    CHECK(box->caption == L"Brindle");
    CHECK(box->text == SecondFallbackText(tool.Address()));
    CHECK(log.Count(L"terugval naar de browser: " + reason) == 1);
    CHECK(browser.WaitForAddresses(1, 10000) == std::vector<std::wstring>{tool.Address()});
    CHECK(IsWindow(window));
    std::vector<DWORD> tree = TreeOf(tool.pid);

    PressOk(*box);
    CHECK(run.WaitForExit(20000) == 0u);
    CHECK_FALSE(IsWindow(window));
    for (DWORD pid : tree) {
        CHECK_FALSE(IsRunning(pid));
    }
    CHECK(log.Count(L"kiv.exe gestopt") == 1);
    CHECK(browser.Addresses().size() == 1);
    CHECK(log.Messages().back() == L"=== Brindle einde ===");
}

} // namespace

TEST_SUITE("browser_road") {
    TEST_CASE("the page in the window, fitted to it on every size change") {
        Installation installation;
        RuntimeRecorder runtime;
        LogTail log;
        Run run(installation, runtime.With());
        HWND window = run.WaitForWindow(installation.WindowClass(), 30000);
        REQUIRE(window != nullptr);
        auto fetched = runtime.WaitForEvents(L"fetch", 1, 20000);
        REQUIRE(fetched.size() == 1);

        auto created = runtime.Events(L"create");
        REQUIRE(created.size() == 1);
        CHECK(created.front().Field(L"folder") == L"(null)");
        CHECK(created.front().Field(L"userData") == installation.ProfileFolder());
        CHECK(created.front().Field(L"options") == L"no");
        CHECK(IsFolder(installation.ProfileFolder()));
        auto controllerCall = runtime.Events(L"controller-call");
        REQUIRE(controllerCall.size() == 1);
        CHECK(controllerCall.front().Field(L"parent") == HandleHex(window, true));
        // The browser control may only be called from a single-threaded apartment.
        for (const auto& call : {created.front(), controllerCall.front()}) {
            CAPTURE(call.Field(L"apartment"));
            CHECK((call.Field(L"apartment") == L"mainsta" || call.Field(L"apartment") == L"sta"));
        }
        // The system may send a size change of its own once the window is mapped.
        auto bounds = runtime.Events(L"bounds");
        REQUIRE_FALSE(bounds.empty());
        CHECK(SameRect(bounds.back(), ClientRect(window)));

        ExpectRefit(runtime, window, [](HWND w) {
            SetWindowPos(w, nullptr, 0, 0, 1000, 700, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        });
        ExpectRefit(runtime, window, [](HWND w) { ShowWindow(w, SW_MINIMIZE); });
        ExpectPageAndClose(run, installation, log, runtime, L"00000000");
    }

    TEST_CASE("positive success codes count as success") {
        Installation installation;
        RuntimeRecorder runtime;
        LogTail log;
        Run run(installation, runtime.With({{L"WEBVIEW2_STANDIN_CREATE", L"0x00000001"},
                                            {L"WEBVIEW2_STANDIN_ENVIRONMENT", L"0x00000001"},
                                            {L"WEBVIEW2_STANDIN_CONTROLLER_CALL", L"0x00000001"},
                                            {L"WEBVIEW2_STANDIN_CONTROLLER", L"0x00000001"},
                                            {L"WEBVIEW2_STANDIN_VIEW", L"0x00000001"},
                                            {L"WEBVIEW2_STANDIN_NAVIGATE", L"0x00000001"}}));
        ExpectPageAndClose(run, installation, log, runtime, L"00000001");
    }

    TEST_CASE("extra browser arguments: unset and empty alike, blanks count") {
        struct Case {
            const char* name;
            bool set;
            const wchar_t* value;
        };
        const Case cases[] = {
            {"unset", false, L""},
            {"empty", true, L""},
            {"blanks only", true, L"   "},
            {"two arguments", true, L"--lang=nl --disable-gpu"},
        };
        for (const auto& c : cases) {
            CAPTURE(c.name);
            Installation installation;
            RuntimeRecorder runtime;
            LogTail log;
            Environment extra;
            if (c.set) {
                extra.emplace_back(L"BRINDLE_WEBVIEW_ARGS", c.value);
            }
            Run run(installation, runtime.With(extra));
            HWND window = run.WaitForWindow(installation.WindowClass(), 30000);
            REQUIRE(window != nullptr);
            REQUIRE(runtime.WaitForEvents(L"fetch", 1, 20000).size() == 1);
            bool present = *c.value != L'\0';
            auto created = runtime.Events(L"create");
            REQUIRE(created.size() == 1);
            CHECK(created.front().Field(L"options") == (present ? L"yes" : L"no"));
            CHECK(log.Count(L"extra browserargumenten: " + std::wstring(c.value)) ==
                  (present ? 1 : 0));
            auto asked = runtime.Events(L"options");
            CHECK(asked.size() == (present ? 1u : 0u));
            if (present && !asked.empty()) {
                CHECK(asked.front().Field(L"arguments") == c.value);
                CHECK(asked.front().Field(L"language").empty());
                CHECK(asked.front().Field(L"target").empty());
                CHECK(asked.front().Field(L"sso") == L"0");
                CHECK(asked.front().Field(L"other") == L"80004002");
                CHECK(asked.front().Field(L"otherNulled") == L"yes");
            }
            PostMessageW(window, WM_CLOSE, 0, 0);
            CHECK(run.WaitForExit(20000) == 0u);
        }
    }

    TEST_CASE("arguments refused at once: one retry without them, then the normal road") {
        Installation installation;
        RuntimeRecorder runtime;
        LogTail log;
        Run run(installation,
                runtime.With({{L"BRINDLE_WEBVIEW_ARGS", L"--lang=nl"},
                              {L"WEBVIEW2_STANDIN_CREATE_WITH_OPTIONS", L"0x80070057"}}));
        REQUIRE(runtime.WaitForEvents(L"fetch", 1, 30000).size() == 1);
        auto messages = log.Messages();
        std::size_t arguments = IndexStartingWith(messages, L"extra browserargumenten: --lang=nl");
        std::size_t retry = IndexStartingWith(
            messages, L"omgeving met extra argumenten geweigerd (hr=0x80070057); opnieuw zonder");
        CHECK(arguments < retry);
        CHECK(retry < messages.size());
        auto created = runtime.Events(L"create");
        REQUIRE(created.size() == 2);
        CHECK(created[0].Field(L"options") == L"yes");
        CHECK(created[0].Field(L"answer") == L"80070057");
        CHECK(created[1].Field(L"options") == L"no");
        CHECK(created[1].Field(L"userData") == created[0].Field(L"userData"));
        ExpectPageAndClose(run, installation, log, runtime, L"00000000");
    }
}

TEST_SUITE("browser_refusals") {
    TEST_CASE("the creation refused for good: the first fallback, the empty window behind it") {
        struct Case {
            const char* name;
            Environment extra;
            const wchar_t* retryLine;
        };
        const Case cases[] = {
            {"refused with arguments and without",
             {{L"BRINDLE_WEBVIEW_ARGS", L"--lang=nl"},
              {L"WEBVIEW2_STANDIN_CREATE_WITH_OPTIONS", L"0x80070057"},
              {L"WEBVIEW2_STANDIN_CREATE", L"0x80004005"}},
             L"omgeving met extra argumenten geweigerd (hr=0x80070057); opnieuw zonder"},
            {"refused without arguments", {{L"WEBVIEW2_STANDIN_CREATE", L"0x80004005"}}, nullptr},
        };
        for (const auto& c : cases) {
            CAPTURE(c.name);
            Installation installation;
            RuntimeRecorder runtime;
            LogTail log;
            BrowserRecord browser;
            Run run(installation, runtime.With(c.extra));
            HWND window = run.WaitForWindow(installation.WindowClass(), 30000);
            REQUIRE(window != nullptr);
            auto box = run.WaitForBox(30000);
            REQUIRE(box.has_value());
            StartedTool tool = StartedToolOf(log);
            // The probe found a runtime, so the box does not tell the user to install one.
            CHECK(box->text == SecondFallbackText(tool.Address()));
            CHECK(IsWindowVisible(window));
            CHECK(browser.WaitForAddresses(1, 10000) == std::vector<std::wstring>{tool.Address()});
            auto messages = log.Messages();
            std::size_t failed =
                IndexStartingWith(messages, L"omgeving aanmaken faalde hr=0x80004005");
            CHECK(failed < messages.size());
            if (c.retryLine != nullptr) {
                CHECK(IndexStartingWith(messages, c.retryLine) < failed);
            } else {
                CHECK(IndexStartingWith(messages, L"omgeving met extra argumenten") ==
                      messages.size());
            }
            PressOk(*box);
            CHECK(run.WaitForExit(20000) == 0u);
            CHECK_FALSE(IsRunning(tool.pid));
            CHECK(log.Count(L"kiv.exe gestopt") == 1);
            CHECK(runtime.Events(L"environment-invoke").empty());
            CHECK(log.Messages().back() == L"=== Brindle einde ===");
        }
    }

    TEST_CASE("a profile folder that cannot be made is a failure to start") {
        Installation installation;
        std::wstring profile = installation.ProfileFolder();
        CreateDirectoryW((profile.substr(0, profile.find_last_of(L'\\'))).c_str(), nullptr);
        REQUIRE(WriteBytes(profile, "in the way"));
        LogTail log;
        Run run(installation);
        HWND window = run.WaitForWindow(installation.WindowClass(), 30000);
        auto box = run.WaitForBox(30000);
        REQUIRE(box.has_value());
        CHECK(box->text.rfind(L"Brindle could not start.\n\n", 0) == 0);
        CHECK(box->text.find(profile) != std::wstring::npos);
        const std::wstring closing = L"\n\nDetails are in:\n" + LogTail::Path();
        CHECK(box->text.substr(box->text.size() - closing.size()) == closing);
        CHECK(IsWindowVisible(window));
        StartedTool tool = StartedToolOf(log);
        CHECK(IsRunning(tool.pid));
        PressOk(*box);
        CHECK(run.WaitForExit(20000) == 1u);
        CHECK_FALSE(IsRunning(tool.pid));
        CHECK_FALSE(log.StartingWith(L"FATAAL: ").empty());
        CHECK(log.Messages().back() == L"=== Brindle einde ===");
    }
}

TEST_SUITE("browser_failures") {
    TEST_CASE("each failure on the way to the page: the second fallback with its reason") {
        struct Case {
            const wchar_t* variable;
            const wchar_t* answer;
            const wchar_t* reason;
        };
        const Case cases[] = {
            {L"WEBVIEW2_STANDIN_ENVIRONMENT", L"0x80004005",
             L"omgevingscallback hr=0x80004005, geen omgeving"},
            {L"WEBVIEW2_STANDIN_ENVIRONMENT", L"none",
             L"omgevingscallback hr=0x00000000, geen omgeving"},
            {L"WEBVIEW2_STANDIN_CONTROLLER_CALL", L"0x80070005",
             L"controller aanmaken faalde hr=0x80070005"},
            {L"WEBVIEW2_STANDIN_CONTROLLER", L"0x80004004",
             L"controllercallback hr=0x80004004, geen controller"},
            {L"WEBVIEW2_STANDIN_CONTROLLER", L"none",
             L"controllercallback hr=0x00000000, geen controller"},
            {L"WEBVIEW2_STANDIN_VIEW", L"0x80004005", L"get_CoreWebView2 faalde hr=0x80004005"},
            {L"WEBVIEW2_STANDIN_VIEW", L"none", L"get_CoreWebView2 faalde hr=0x00000000"},
            {L"WEBVIEW2_STANDIN_NAVIGATE", L"0x80070057", L"navigeren faalde hr=0x80070057"},
        };
        for (const auto& c : cases) {
            CAPTURE(Brindle::Shell::Text::Utf8Lenient(c.reason));
            Installation installation;
            RuntimeRecorder runtime;
            LogTail log;
            BrowserRecord browser;
            Run run(installation, runtime.With({{c.variable, c.answer}}));
            ExpectSecondFallback(run, installation, log, browser, c.reason);
            auto messages = log.Messages();
            std::size_t fallback = IndexStartingWith(messages, L"terugval naar de browser: ");
            std::size_t navigation = IndexStartingWith(messages, L"navigeren naar ");
            if (std::wstring(c.variable) == L"WEBVIEW2_STANDIN_NAVIGATE") {
                CHECK(navigation < fallback);
                REQUIRE(navigation < messages.size());
                CHECK(messages[navigation] ==
                      L"navigeren naar " + StartedToolOf(log).Address() + L" hr=0x80070057");
            } else {
                CHECK(navigation == messages.size());
            }
            CHECK(runtime.Events(L"close").empty());
        }
    }
}

TEST_SUITE("browser_failures") {
    TEST_CASE("the window closed while the second fallback's box is open") {
        Installation installation;
        LogTail log;
        BrowserRecord browser;
        Run run(installation, {{L"WEBVIEW2_STANDIN_CONTROLLER", L"0x80004004"}});
        HWND window = run.WaitForWindow(installation.WindowClass(), 30000);
        REQUIRE(window != nullptr);
        auto box = run.WaitForBox(30000);
        REQUIRE(box.has_value());
        StartedTool tool = StartedToolOf(log);

        // The box has no owner, so the window stays usable; closing it stops the tool at once,
        // and the quit message that its destruction posts ends the box's own loop as well.
        PostMessageW(window, WM_CLOSE, 0, 0);
        CHECK(run.WaitForExit(20000) == 0u);
        CHECK_FALSE(IsWindow(window));
        CHECK_FALSE(IsRunning(tool.pid));
        CHECK(log.Count(L"kiv.exe gestopt") == 1);
        CHECK(browser.WaitForAddresses(1, 10000).size() == 1);
        CHECK(log.Messages().back() == L"=== Brindle einde ===");
    }
}
