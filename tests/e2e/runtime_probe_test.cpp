#include "fallback_expectations.h"

#include "platform/text.h"

#include <doctest.h>

#include <algorithm>

using namespace Brindle::Tests;
using Runtime = Installation::Runtime;

namespace {

constexpr const wchar_t* NoRuntimeLine = L"geen WebView2-runtime; terugval op de systeembrowser";

// The lines between the tool's answer and the fallback's stage line: what the probe wrote.
std::vector<std::wstring> ProbeLines(const LogTail& log, const std::wstring& stageLine) {
    auto messages = log.Messages();
    auto answered = std::find_if(messages.begin(), messages.end(), [](const std::wstring& m) {
        return m.rfind(L"poort ", 0) == 0 && m.find(L" antwoordt na ") != std::wstring::npos;
    });
    auto stage = std::find_if(messages.begin(), messages.end(),
                              [&](const std::wstring& m) { return m.rfind(stageLine, 0) == 0; });
    if (answered == messages.end() || stage == messages.end() || stage < answered) {
        return {L"(the answer or the stage line is missing)"};
    }
    return {answered + 1, stage};
}

} // namespace

TEST_SUITE("runtime_probe") {
    TEST_CASE("no runtime: the page in the browser, the box, and a clean end") {
        struct Case {
            const char* name;
            Runtime runtime;
            const wchar_t* version;
            const wchar_t* probeLine;
        };
        const Case cases[] = {
            {"no loader beside the exe", Runtime::None, L"",
             L"WebView2Loader.dll ontbreekt naast de exe"},
            {"the loader answers file not found", Runtime::StandIn, L"0x80070002", nullptr},
            {"the loader answers success without a version", Runtime::StandIn, L"none", nullptr},
            {"the loader lacks the version entry point", Runtime::WithoutVersionEntry, L"",
             L"runtimeversie opvragen mislukt: "},
            {"the loader is no library", Runtime::NotALibrary, L"",
             L"runtimeversie opvragen mislukt: "},
        };
        for (const auto& c : cases) {
            CAPTURE(c.name);
            Installation installation(L"No Runtime", Installation::Tool::StandIn, c.runtime);
            LogTail log;
            BrowserRecord browser;
            Run run(installation, {{L"WEBVIEW2_STANDIN_VERSION", c.version}});
            ExpectFirstFallback(installation, run, log, browser);

            auto probe = ProbeLines(log, NoRuntimeLine);
            if (c.probeLine == nullptr) {
                CHECK(probe.empty());
            } else {
                REQUIRE(probe.size() == 1);
                CHECK(probe.front().rfind(c.probeLine, 0) == 0);
            }
            // The fallback adds no line of its own: the stop follows the stage's line.
            auto messages = log.Messages();
            auto stage = std::find(messages.begin(), messages.end(), NoRuntimeLine);
            REQUIRE(messages.end() - stage >= 3);
            CHECK(*(stage + 1) == L"kiv.exe gestopt");
        }
    }

    TEST_CASE("a runtime version, the empty one included, leads to the window") {
        struct Case {
            const wchar_t* version;
            const wchar_t* line;
        };
        const Case cases[] = {
            {L"ok", L"WebView2-runtime 120.0.2210.91"},
            {L"empty", L"WebView2-runtime "},
        };
        for (const auto& c : cases) {
            CAPTURE(Brindle::Shell::Text::Utf8Lenient(c.line));
            Installation installation;
            LogTail log;
            Run run(installation, {{L"WEBVIEW2_STANDIN_VERSION", c.version}});
            HWND window = run.WaitForWindow(installation.WindowClass(), 30000);
            REQUIRE(window != nullptr);
            CHECK(ProbeLines(log, c.line) == std::vector<std::wstring>{});
            PostMessageW(window, WM_CLOSE, 0, 0);
            CHECK(run.WaitForExit(20000) == 0u);
            CHECK(log.Count(NoRuntimeLine) == 0);
        }
    }
}

TEST_SUITE("fallback_second_start") {
    TEST_CASE("a second start while the first fallback's box is open starts on its own") {
        Installation installation(L"No Runtime", Installation::Tool::StandIn, Runtime::None);
        LogTail log;
        Run first(installation);
        auto firstBox = first.WaitForBox(30000);
        REQUIRE(firstBox.has_value());
        StartedTool firstTool = StartedToolOf(log);

        LogTail secondLog;
        Run second(installation);
        auto secondBox = second.WaitForBox(30000);
        REQUIRE(secondBox.has_value());
        CHECK(secondLog.Contains(L"mutex bezet maar geen venster gevonden; toch doorstarten"));
        StartedTool secondTool = StartedToolOf(secondLog);
        // Its own tool, on a port of the range that the first one does not hold.
        CHECK(secondTool.port != firstTool.port);
        CHECK((secondTool.port > 3900 && secondTool.port <= 3919));
        CHECK(secondBox->text == FirstFallbackText(secondTool.Address()));

        PressOk(*secondBox);
        CHECK(second.WaitForExit(20000) == 0u);
        CHECK(IsRunning(firstTool.pid));
        PressOk(*firstBox);
        CHECK(first.WaitForExit(20000) == 0u);
        CHECK_FALSE(IsRunning(firstTool.pid));
    }
}

TEST_SUITE("fallback_no_http") {
    TEST_CASE("an address that nothing opens is logged once, and the box comes all the same") {
        Installation installation(L"No Runtime", Installation::Tool::StandIn, Runtime::None);
        LogTail log;
        BrowserRecord browser;
        Run run(installation);
        std::wstring address = ExpectFirstFallback(installation, run, log, browser, true);
        CHECK(CountStartingWith(log.Messages(), L"browser openen mislukte: ") == 1);
        std::wstring line = log.StartingWith(L"browser openen mislukte: ");
        CHECK(line.find(address) != std::wstring::npos);
    }
}
