#include "harness.h"

#include "platform/text.h"

#include <doctest.h>

using namespace Brindle::Tests;

TEST_SUITE("start_and_end") {
    TEST_CASE("a run logs its start, its folder and key, its window and its end") {
        for (const wchar_t* name : {L"Brindle", L"Program Files\\Brindle App",
                                    L"Br\x00efndl\x00e9 \x03a9\x043c\x0435\x0433\x0430"}) {
            CAPTURE(Brindle::Shell::Text::Utf8Lenient(name));
            Installation installation(name);
            LogTail log;
            Run run(installation);
            HWND window = run.WaitForWindow(installation.WindowClass(), 20000);
            REQUIRE(window != nullptr);
            PostMessageW(window, WM_CLOSE, 0, 0);
            CHECK(run.WaitForExit(20000) == 0u);

            auto lines = log.Lines();
            REQUIRE(lines.size() >= 4);
            for (const auto& line : lines) {
                CHECK(IsStamp(line.stamp));
            }
            CHECK(lines.front().message == L"=== Brindle start ===");
            CHECK(lines[1].message ==
                  L"start " + installation.Folder() + L" sleutel=" + installation.Key());
            CHECK(log.Contains(L"venster 0x" + HandleHex(window, true) + L" op 96 dpi"));
            CHECK(lines.back().message == L"=== Brindle einde ===");
        }
    }
}
