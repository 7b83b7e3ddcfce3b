#include "harness.h"

#include "platform/text.h"
#include "support/files.h"

#include <doctest.h>

#include <algorithm>

using namespace Brindle::Tests;
using Brindle::Shell::Text::Decimal;

namespace {

std::wstring Port(int port) {
    return Decimal(static_cast<std::int32_t>(port));
}

// A start that ends in the server-failure box: its text, no window, exit code 2 after OK.
void ExpectServerFailure(const Installation& installation, Run& run, const LogTail& log,
                         const std::wstring& error, DWORD limit = 30000) {
    auto box = run.WaitForBox(limit);
    REQUIRE(box.has_value());
    CHECK(box->caption == L"Brindle");
    CHECK(box->text == L"Brindle could not start its local server.\n\n" + error +
                           L"\n\nDetails are in:\n" + LogTail::Path());
    CHECK(FindWindowW(installation.WindowClass().c_str(), nullptr) == nullptr);
    PressOk(*box);
    CHECK(run.WaitForExit(20000) == 2u);
    CHECK(log.Contains(L"server start mislukt: " + error));
    CHECK(log.Messages().back() == L"=== Brindle einde ===");
}

void CloseWindow(const Installation& installation, Run& run) {
    HWND window = run.WaitForWindow(installation.WindowClass(), 30000);
    REQUIRE(window != nullptr);
    PostMessageW(window, WM_CLOSE, 0, 0);
    CHECK(run.WaitForExit(20000) == 0u);
}

} // namespace

TEST_SUITE("server_start") {
    TEST_CASE("the tool is started on the first free port and awaited") {
        struct Case {
            const wchar_t* folder;
            int heldFirst;
            int heldLast;
            int port;
            Console console;
        };
        // Started as Explorer starts it, the shell has no console for the tool to share: a tool
        // started without CREATE_NO_WINDOW would get a console window of its own.
        const Case cases[] = {
            {L"Brindle", 0, -1, 3900, Console::None},
            {L"With Blanks \x00e9", 3900, 3904, 3905, Console::Shared},
        };
        for (const auto& c : cases) {
            CAPTURE(c.port);
            HeldPorts held(c.heldFirst, c.heldLast);
            Installation installation(c.folder);
            ToolRecorder recorder;
            LogTail log;
            Run run(installation, recorder.With(), L"", c.console);
            HWND window = run.WaitForWindow(installation.WindowClass(), 30000);
            REQUIRE(window != nullptr);

            ToolRecord tool = recorder.Tool();
            std::wstring path = installation / L"kiv.exe";
            CHECK(tool.commandLine == L"\"" + path + L"\" ui --no-browser --port " + Port(c.port));
            CHECK(tool.arguments ==
                  std::vector<std::wstring>{L"ui", L"--no-browser", L"--port", Port(c.port)});
            std::wstring folder = installation.Folder();
            CHECK((tool.currentDirectory == folder || tool.currentDirectory + L"\\" == folder));
            CHECK(tool.parent == run.Pid());
            CHECK(tool.console == L"no");
            CHECK(log.Contains(L"kiv.exe gestart (pid " + Decimal(tool.pid) + L") op poort " +
                               Port(c.port)));
            CHECK_FALSE(log.StartingWith(L"poort " + Port(c.port) + L" antwoordt na ").empty());
            PostMessageW(window, WM_CLOSE, 0, 0);
            CHECK(run.WaitForExit(20000) == 0u);
        }
    }

    TEST_CASE("a tool that answers late is awaited") {
        Installation installation;
        LogTail log;
        Run run(installation, {{L"KIV_STANDIN_LISTEN_DELAY_MS", L"1500"}});
        CloseWindow(installation, run);
        std::wstring ready = log.StartingWith(L"poort 3900 antwoordt na ");
        REQUIRE(ready.size() > 27);
        CHECK(std::stol(ready.substr(24)) >= 1000);
        CHECK(ready.substr(ready.size() - 3) == L" ms");
    }
}

TEST_SUITE("server_failures") {
    TEST_CASE("no tool: the path is named, nothing is started") {
        for (bool folderInTheWay : {false, true}) {
            CAPTURE(folderInTheWay);
            Installation installation(L"No Tool", Installation::Tool::None);
            std::wstring path = installation / L"kiv.exe";
            if (folderInTheWay) {
                REQUIRE(CreateDirectoryW(path.c_str(), nullptr));
            }
            LogTail log;
            Run run(installation);
            ExpectServerFailure(installation, run, log,
                                L"kiv.exe was not found next to the app (" + path + L").");
            CHECK(log.StartingWith(L"kiv.exe gestart").empty());
        }
    }

    TEST_CASE("a tool that is no executable") {
        Installation installation(L"Broken", Installation::Tool::None);
        REQUIRE(WriteBytes(installation / L"kiv.exe", "this is not a program\r\n"));
        LogTail log;
        Run run(installation);
        ExpectServerFailure(
            installation, run, log,
            L"kiv.exe could not start: An error occurred trying to start process '" +
                installation / L"kiv.exe" + L"' with working directory '" + installation.Folder() +
                L"'. The specified executable is not a valid application for "
                L"this OS platform.");
    }

    TEST_CASE("a tool that stops at once") {
        struct Case {
            const wchar_t* exitCode;
            const wchar_t* logged;
        };
        const Case cases[] = {
            {L"0", L"0"},
            {L"259", L"259"},
            {L"0xC000013A", L"-1073741510"},
        };
        for (const auto& c : cases) {
            CAPTURE(Brindle::Shell::Text::Utf8Lenient(c.exitCode));
            Installation installation;
            LogTail log;
            Run run(installation, {{L"KIV_STANDIN_EXIT", c.exitCode}});
            ExpectServerFailure(installation, run, log,
                                std::wstring(L"kiv.exe stopped immediately (exit code ") +
                                    c.logged + L").");
            CHECK(log.Count(L"kiv.exe gestopt") == 0);
        }
    }

    TEST_CASE("all ports busy: port 3900, and the time-out after 15 seconds") {
        HeldPorts held(3900, 3919);
        Installation installation;
        ToolRecorder recorder;
        LogTail log;
        ULONGLONG started = GetTickCount64();
        Run run(installation, recorder.With({{L"KIV_STANDIN_NO_LISTEN", L"1"}}));
        auto box = run.WaitForBox(40000);
        REQUIRE(box.has_value());
        CHECK(GetTickCount64() - started >= 15000);
        ToolRecord tool = recorder.Tool();
        CHECK(tool.arguments.back() == L"3900");
        CHECK(IsRunning(tool.pid));
        ExpectServerFailure(installation, run, log,
                            L"the local server on port 3900 did not come up in time.");
        CHECK_FALSE(IsRunning(tool.pid));
        CHECK(log.Count(L"kiv.exe gestopt") == 1);
    }
}

TEST_SUITE("server_stop") {
    TEST_CASE("closing the window ends the tool's whole tree") {
        Installation installation;
        ToolRecorder recorder;
        LogTail log;
        Run run(installation, recorder.With({{L"KIV_STANDIN_CHILDREN", L"3"},
                                             {L"KIV_STANDIN_GRANDCHILDREN", L"2"}}));
        HWND window = run.WaitForWindow(installation.WindowClass(), 30000);
        REQUIRE(window != nullptr);
        ToolRecord tool = recorder.Tool();
        CHECK(ReadToolRecords(recorder.path).processes.size() == 10);
        std::vector<DWORD> tree = TreeOf(tool.pid);
        CHECK(tree.size() >= 10);
        PostMessageW(window, WM_CLOSE, 0, 0);
        CHECK(run.WaitForExit(20000) == 0u);
        for (DWORD pid : tree) {
            CAPTURE(pid);
            CHECK_FALSE(IsRunning(pid));
        }
        CHECK(log.Count(L"kiv.exe gestopt") == 1);
        CHECK(log.Messages().back() == L"=== Brindle einde ===");
    }

    TEST_CASE("a tool that ended by itself is not killed; its leftover child runs on") {
        Installation installation;
        ToolRecorder recorder;
        LogTail log;
        Run run(installation,
                recorder.With({{L"KIV_STANDIN_CHILDREN", L"1"}, {L"KIV_STANDIN_EXIT", L"7"}}));
        ExpectServerFailure(installation, run, log, L"kiv.exe stopped immediately (exit code 7).");
        CHECK(log.Count(L"kiv.exe gestopt") == 0);
        CHECK(log.StartingWith(L"kiv.exe stoppen mislukte").empty());
        for (const auto& record : ReadToolRecords(recorder.path).processes) {
            if (record.role == L"child") {
                CHECK(IsRunning(record.pid));
                Brindle::Shell::UniqueHandle child(
                    OpenProcess(PROCESS_TERMINATE, FALSE, record.pid));
                TerminateProcess(child.Get(), 0);
            }
        }
    }
}
