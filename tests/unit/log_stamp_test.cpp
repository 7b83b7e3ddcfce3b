#include "shell/log_stamp.h"

#include <doctest.h>

using namespace Brindle::Shell;

namespace {

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms) {
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = ms;
    return time;
}

} // namespace

TEST_SUITE("log_stamp") {
    TEST_CASE("the stamp has one fixed form") {
        struct Case {
            SYSTEMTIME time;
            const wchar_t* stamp;
        };
        const Case cases[] = {
            {At(2026, 12, 10, 8, 5, 9, 7), L"2026-12-10 08:05:09.007"},
            {At(2027, 1, 1, 0, 0, 0, 0), L"2027-01-01 00:00:00.000"},
            {At(2026, 6, 30, 23, 59, 59, 999), L"2026-06-30 23:59:59.999"},
            {At(999, 3, 4, 12, 0, 0, 50), L"0999-03-04 12:00:00.050"},
            {At(30827, 12, 31, 23, 59, 59, 999), L"30827-12-31 23:59:59.999"},
        };
        for (const auto& c : cases) {
            CHECK(LogStamp::Format(c.time) == c.stamp);
        }
    }

    TEST_CASE("the current stamp is 23 characters") {
        CHECK(LogStamp::Now().size() == 23);
    }
}
