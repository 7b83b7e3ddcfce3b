#include "fallback_expectations.h"

#include "platform/text.h"
#include "platform/win32.h"
#include "shell/lower_case.h"

#include <doctest.h>

#include <algorithm>

using namespace Brindle::Tests;
using Runtime = Installation::Runtime;

namespace {

// A copy of the stand-in loader where the shell must not look for one.
struct PlantedLoader {
    ScratchFolder folder{L"planted"};
    std::wstring path = folder / L"WebView2Loader.dll";
    PlantedLoader() {
        std::wstring from = BuildFolder() + L"webview2-standin.dll";
        REQUIRE(CopyFileW(from.c_str(), path.c_str(), FALSE));
    }
};

// Where each copy of the loader was loaded from, in the shell's run, lower-cased: the system
// may spell the folder otherwise than the test did.
std::vector<std::wstring> LoadedFrom(const RuntimeRecorder& runtime) {
    std::vector<std::wstring> paths;
    for (const auto& loaded : runtime.Events(L"loaded")) {
        paths.push_back(Brindle::Shell::LowerCase(loaded.Field(L"path")));
    }
    return paths;
}

std::size_t IndexOfLine(const std::vector<std::wstring>& messages, const std::wstring& message) {
    return static_cast<std::size_t>(std::find(messages.begin(), messages.end(), message) -
                                    messages.begin());
}

} // namespace

TEST_SUITE("loader_search") {
    TEST_CASE("no loader beside the exe: one in the current directory or on PATH stays unloaded") {
        for (bool onPath : {false, true}) {
            CAPTURE(onPath);
            Installation installation(L"No Runtime", Installation::Tool::StandIn, Runtime::None);
            PlantedLoader planted;
            RuntimeRecorder runtime;
            Environment extra;
            if (onPath) {
                extra.emplace_back(L"PATH",
                                   planted.folder.Path() + L";" +
                                       Brindle::Shell::Win32::EnvironmentVariable(L"PATH"));
            }
            LogTail log;
            BrowserRecord browser;
            Run run(installation, runtime.With(extra), onPath ? L"" : planted.folder.Path());
            ExpectFirstFallback(installation, run, log, browser);
            CHECK(log.Count(L"WebView2Loader.dll ontbreekt naast de exe") == 1);
            CHECK(LoadedFrom(runtime).empty());
        }
    }

    TEST_CASE("a folder name with a semicolon: the loader beside the exe, not the one in the "
              "current directory") {
        Installation installation(L"Semi;colon");
        PlantedLoader planted;
        RuntimeRecorder runtime;
        LogTail log;
        Run run(installation, runtime.With(), planted.folder.Path());
        HWND window = run.WaitForWindow(installation.WindowClass(), 30000);
        REQUIRE(window != nullptr);
        auto fetched = runtime.WaitForEvents(L"fetch", 1, 20000);
        REQUIRE(fetched.size() == 1);
        CHECK(fetched.front().Field(L"page") == L"yes");
        CHECK(log.Contains(L"WebView2-runtime 120.0.2210.91"));
        CHECK(LoadedFrom(runtime) == std::vector<std::wstring>{Brindle::Shell::LowerCase(
                                         installation / L"WebView2Loader.dll")});
        CHECK(runtime.Events(L"unexpected").empty());
        PostMessageW(window, WM_CLOSE, 0, 0);
        CHECK(run.WaitForExit(20000) == 0u);
    }
}

TEST_SUITE("answers_after_close") {
    TEST_CASE("an answer dispatched after the window closed starts nothing") {
        struct Case {
            const wchar_t* held;
            const wchar_t* request;
            const wchar_t* answerVariable;
            const wchar_t* answer;
            const wchar_t* line;
        };
        const Case cases[] = {
            {L"environment", L"create", L"WEBVIEW2_STANDIN_ENVIRONMENT", L"0x80004005",
             L"venster al gesloten; omgevingscallback hr=0x80004005 genegeerd"},
            {L"environment", L"create", L"WEBVIEW2_STANDIN_ENVIRONMENT", L"ok",
             L"venster al gesloten; omgevingscallback hr=0x00000000 genegeerd"},
            {L"controller", L"controller-call", L"WEBVIEW2_STANDIN_CONTROLLER", L"0x80004004",
             L"venster al gesloten; controllercallback hr=0x80004004 genegeerd"},
            {L"controller", L"controller-call", L"WEBVIEW2_STANDIN_CONTROLLER", L"ok",
             L"venster al gesloten; controllercallback hr=0x00000000 genegeerd"},
        };
        for (const auto& c : cases) {
            CAPTURE(Brindle::Shell::Text::Utf8Lenient(c.line));
            const std::wstring held(c.held);
            Installation installation;
            RuntimeRecorder runtime;
            LogTail log;
            BrowserRecord browser;
            Run run(installation,
                    runtime.With({{L"WEBVIEW2_STANDIN_HOLD", held}, {c.answerVariable, c.answer}}));
            HWND window = run.WaitForWindow(installation.WindowClass(), 30000);
            REQUIRE(window != nullptr);
            // The request whose answer is held has been made: now the user closes the window.
            REQUIRE(runtime.WaitForEvents(c.request, 1, 20000).size() == 1);
            StartedTool tool = StartedToolOf(log);
            std::vector<DWORD> tree = TreeOf(tool.pid);
            PostMessageW(window, WM_CLOSE, 0, 0);
            CHECK(run.WaitForExit(20000) == 0u);

            // The answer did arrive, after the tool was stopped, and was only logged.
            CHECK(runtime.Events(held + L"-invoke").size() == 1);
            auto messages = log.Messages();
            REQUIRE_FALSE(messages.empty());
            CHECK(log.Count(c.line) == 1);
            CHECK(IndexOfLine(messages, L"kiv.exe gestopt") < IndexOfLine(messages, c.line));
            CHECK(log.Count(L"kiv.exe gestopt") == 1);
            CHECK(log.StartingWith(L"terugval naar de browser: ").empty());
            CHECK(log.StartingWith(L"navigeren naar ").empty());
            CHECK(browser.Addresses().empty());
            CHECK(runtime.Events(L"controller-call").size() == (held == L"controller" ? 1u : 0u));
            for (const wchar_t* untouched : {L"bounds", L"view", L"navigate", L"unexpected"}) {
                CAPTURE(Brindle::Shell::Text::Utf8Lenient(untouched));
                CHECK(runtime.Events(untouched).empty());
            }
            for (DWORD pid : tree) {
                CHECK_FALSE(IsRunning(pid));
            }
            CHECK(messages.back() == L"=== Brindle einde ===");
        }
    }
}
