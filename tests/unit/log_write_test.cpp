#include "shell/log.h"
#include "support/shared_log.h"

#include "platform/prelude.h"
#include "platform/text.h"
#include "platform/unique_handle.h"

#include <doctest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

using namespace Brindle::Shell;
using Brindle::Tests::IsStamp;
using Brindle::Tests::LogAppendedSince;
using Brindle::Tests::LogSize;

namespace {

long long MillisecondsOfDay(const std::string& stamp) {
    auto number = [&](std::size_t at, std::size_t digits) {
        return std::stoll(stamp.substr(at, digits));
    };
    return ((number(11, 2) * 60 + number(14, 2)) * 60 + number(17, 2)) * 1000 + number(20, 3);
}

long long NowOfDay() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return ((now.wHour * 60LL + now.wMinute) * 60 + now.wSecond) * 1000 + now.wMilliseconds;
}

constexpr int MaxHeldFileTries = 20;
// Long enough for the first attempts to fail, short of the log's fifth attempt, which comes no
// sooner than 80 ms after its first.
constexpr auto HoldAfterCall = std::chrono::milliseconds(50);
constexpr auto LetGoBeforeLastAttempt = std::chrono::milliseconds(72);
// A stamp this much older than the moment the file was let go was taken before two failed
// attempts at least.
constexpr long long StampBeforeLetGoMs = 46;

struct HeldFileTry {
    std::string appended;
    std::chrono::steady_clock::time_point called;
    std::chrono::steady_clock::time_point returned;
    std::chrono::steady_clock::time_point released;
    long long returnedOfDay = 0;
    long long releasedOfDay = 0;

    // On a busy machine either thread may run late: the holder after the log gave up, or the
    // writer after the file was let go. Such a try says nothing about the log.
    [[nodiscard]] bool Tells() const {
        if (released - called > LetGoBeforeLastAttempt) {
            return false;
        }
        return appended.size() < 23 ||
               releasedOfDay - MillisecondsOfDay(appended.substr(0, 23)) >= StampBeforeLetGoMs;
    }
};

// One line written while another thread holds the log file without write sharing, from before
// the call until HoldAfterCall after it.
HeldFileTry WriteWhileHeld() {
    UniqueHandle holder(CreateFileW(Log::Location().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    REQUIRE(holder);
    unsigned long long before = LogSize();
    HeldFileTry result;
    result.called = std::chrono::steady_clock::now();
    std::thread release([&] {
        std::this_thread::sleep_until(result.called + HoldAfterCall);
        holder.Reset();
        result.released = std::chrono::steady_clock::now();
        result.releasedOfDay = NowOfDay();
    });
    Log::Write(L"late");
    result.returned = std::chrono::steady_clock::now();
    result.returnedOfDay = NowOfDay();
    release.join();
    result.appended = LogAppendedSince(before);
    return result;
}

} // namespace

TEST_SUITE("log_write") {
    TEST_CASE("a line is the stamp, two blanks, the message unchanged and CR LF") {
        REQUIRE_FALSE(Log::Location().empty());
        unsigned long long before = LogSize();
        Log::Write(L"unit test \x03a9");
        Log::Write(L"");
        Log::Write(L"two\r\nlines");
        std::string appended = LogAppendedSince(before);
        REQUIRE(appended.size() == 25 + 12 + 2 + 25 + 2 + 25 + 10 + 2);
        CHECK(IsStamp(Text::WideFromUtf8(appended.substr(0, 23))));
        CHECK(appended.substr(23, 16) == "  unit test \xce\xa9\r\n");
        CHECK(IsStamp(Text::WideFromUtf8(appended.substr(39, 23))));
        CHECK(appended.substr(62, 4) == "  \r\n");
        CHECK(appended.substr(89) == "  two\r\nlines\r\n");
    }

    TEST_CASE("a line written on a later attempt carries the time of the call") {
        std::optional<HeldFileTry> counted;
        for (int tries = 0; tries < MaxHeldFileTries && !counted; ++tries) {
            if (HeldFileTry attempt = WriteWhileHeld(); attempt.Tells()) {
                counted = std::move(attempt);
            }
        }
        REQUIRE_MESSAGE(counted.has_value(),
                        "no try let the file go before the log's last attempt, after a stamp "
                        "taken while the file was held");
        const std::string& appended = counted->appended;
        REQUIRE(appended.size() == 31);
        CHECK(counted->returned - counted->called >= std::chrono::milliseconds(40));
        // Written at least 40 ms after the stamp (unless the day turned meanwhile).
        long long stampOfDay = MillisecondsOfDay(appended.substr(0, 23));
        long long writtenOfDay = counted->returnedOfDay;
        CHECK((writtenOfDay - stampOfDay >= 40 || writtenOfDay < stampOfDay));
    }

    TEST_CASE("the location does not move") {
        const std::wstring& first = Log::Location();
        CHECK(&Log::Location() == &first);
        CHECK(first.size() > 16);
        CHECK(first.substr(first.size() - 16) == L"\\Brindle\\app.log");
    }
}
