#include "harness.h"

#include "platform/text.h"

#include <doctest.h>

using namespace Brindle::Tests;

TEST_SUITE("start_and_end") {
    TEST_CASE("a run logs its start, its folder and key, and its end") {
        for (const wchar_t* name : {L"Brindle", L"Program Files\\Brindle App",
                                    L"Br\x00efndl\x00e9 \x03a9\x043c\x0435\x0433\x0430"}) {
            CAPTURE(Brindle::Shell::Text::Utf8Lenient(name));
            Installation installation(name);
            LogTail log;
            Run run(installation);
            CHECK(run.WaitForExit(20000) == 0u);
            auto lines = log.Lines();
            REQUIRE(lines.size() == 3);
            for (const auto& line : lines) {
                CHECK(IsStamp(line.stamp));
            }
            CHECK(lines[0].message == L"=== Brindle start ===");
            CHECK(lines[1].message ==
                  L"start " + installation.Folder() + L" sleutel=" + installation.Key());
            CHECK(lines[2].message == L"=== Brindle einde ===");
        }
    }
}
