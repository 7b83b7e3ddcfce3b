#include "shell/log.h"
#include "support/shared_log.h"

#include "platform/prelude.h"
#include "platform/text.h"
#include "platform/unique_handle.h"

#include <doctest.h>

#include <chrono>
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
        UniqueHandle holder(CreateFileW(Log::Location().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        REQUIRE(holder);
        unsigned long long before = LogSize();
        std::thread release([&holder] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            holder.Reset();
        });
        auto called = std::chrono::system_clock::now();
        Log::Write(L"late");
        auto returned = std::chrono::system_clock::now();
        release.join();
        std::string appended = LogAppendedSince(before);
        REQUIRE(appended.size() == 31);
        CHECK(returned - called >= std::chrono::milliseconds(40));
        SYSTEMTIME now{};
        GetLocalTime(&now);
        long long nowOfDay =
            ((now.wHour * 60LL + now.wMinute) * 60 + now.wSecond) * 1000 + now.wMilliseconds;
        // Written at least 40 ms after the stamp (unless the day turned meanwhile).
        long long stampOfDay = MillisecondsOfDay(appended.substr(0, 23));
        CHECK((nowOfDay - stampOfDay >= 40 || nowOfDay < stampOfDay));
    }

    TEST_CASE("the location does not move") {
        const std::wstring& first = Log::Location();
        CHECK(&Log::Location() == &first);
        CHECK(first.size() > 16);
        CHECK(first.substr(first.size() - 16) == L"\\Brindle\\app.log");
    }
}
