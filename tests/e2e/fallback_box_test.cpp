#include "fallback_expectations.h"

#include <doctest.h>

using namespace Brindle::Tests;
using Runtime = Installation::Runtime;

// Registered once in a prefix that opens http addresses and once in one that cannot: each run
// takes the cases of its own prefix.
TEST_SUITE("fallback_boxes") {
    TEST_CASE("each box says only what is true of the browser and of the runtime") {
        enum class Box { RuntimeMissing, WindowFailed };
        struct Case {
            const char* name;
            bool browserOpens;
            Runtime runtime;
            Environment answers;
            Box box;
            // The line that says which road was taken; the completion's is the fallback's own.
            const wchar_t* roadLine;
        };
        const Environment completionFails{{L"WEBVIEW2_STANDIN_CONTROLLER", L"0x80004004"}};
        const Environment creationRefused{{L"WEBVIEW2_STANDIN_CREATE", L"0x80004005"}};
        const wchar_t* noRuntime = L"geen WebView2-runtime; terugval op de systeembrowser";
        const wchar_t* givenUp =
            L"terugval naar de browser: controllercallback hr=0x80004004, geen controller";
        const wchar_t* refused = L"omgeving aanmaken faalde hr=0x80004005";
        const Case cases[] = {
            {"no runtime, browser opens", true, Runtime::None, {}, Box::RuntimeMissing, noRuntime},
            {"no runtime, nothing opens http",
             false,
             Runtime::None,
             {},
             Box::RuntimeMissing,
             noRuntime},
            {"a completion failure, browser opens", true, Runtime::StandIn, completionFails,
             Box::WindowFailed, givenUp},
            {"a completion failure, nothing opens http", false, Runtime::StandIn, completionFails,
             Box::WindowFailed, givenUp},
            {"the creation refused after a version was found, browser opens", true,
             Runtime::StandIn, creationRefused, Box::WindowFailed, refused},
            {"the creation refused after a version was found, nothing opens http", false,
             Runtime::StandIn, creationRefused, Box::WindowFailed, refused},
        };
        const bool browserOpens = BrowserRecord::HttpOpens();
        int ran = 0;
        for (const auto& c : cases) {
            if (c.browserOpens != browserOpens) {
                continue;
            }
            ++ran;
            CAPTURE(c.name);
            Installation installation(L"Fallback Box", Installation::Tool::StandIn, c.runtime);
            LogTail log;
            BrowserRecord browser;
            Run run(installation, c.answers);
            auto box = run.WaitForBox(30000);
            REQUIRE(box.has_value());
            StartedTool tool = StartedToolOf(log);
            REQUIRE(tool.pid != 0);
            const std::wstring address = tool.Address();
            CHECK(box->caption == L"Brindle");
            CHECK(box->text == (c.box == Box::RuntimeMissing
                                    ? FirstFallbackText(address, browserOpens)
                                    : SecondFallbackText(address, browserOpens)));
            CHECK((run.WaitForWindow(installation.WindowClass(), 0) != nullptr) ==
                  (c.runtime == Runtime::StandIn));

            const std::vector<std::wstring> opened =
                browserOpens ? std::vector<std::wstring>{address} : std::vector<std::wstring>{};
            CHECK(browser.WaitForAddresses(opened.size(), 10000) == opened);
            std::vector<DWORD> tree = TreeOf(tool.pid);
            CHECK(IsRunning(tool.pid));

            ExpectCleanEndAfterOk(run, *box, tree, log);
            CHECK(browser.Addresses() == opened);
            // After the road's line: the failed opening, if any, then only the stop and the end.
            auto messages = log.Messages();
            CHECK(CountStartingWith(messages, L"terugval naar de browser: ") ==
                  (std::wstring_view(c.roadLine) == givenUp ? 1 : 0));
            std::size_t road = IndexStartingWith(messages, c.roadLine);
            REQUIRE(road < messages.size());
            std::vector<std::wstring> after(
                messages.begin() + static_cast<std::ptrdiff_t>(road) + 1, messages.end());
            if (!browserOpens) {
                REQUIRE_FALSE(after.empty());
                CHECK(after.front().rfind(L"browser openen mislukte: ", 0) == 0);
                CHECK(after.front().find(address) != std::wstring::npos);
                after.erase(after.begin());
            }
            CHECK(after == std::vector<std::wstring>{L"kiv.exe gestopt", L"=== Brindle einde ==="});
        }
        CHECK(ran == 3);
    }
}
