#include "platform/text.h"

#include <doctest.h>

#include <climits>

using namespace Brindle::Shell;

TEST_SUITE("text") {
    TEST_CASE("UTF-8 is strict about unpaired surrogates") {
        struct Case {
            std::wstring text;
            std::optional<std::string> utf8;
        };
        const Case cases[] = {
            {L"", std::string()},
            {L"abc", std::string("abc")},
            {L"\u00e9\u03a9\u20ac", std::string("\xc3\xa9\xce\xa9\xe2\x82\xac")},
            {L"\xd83d\xde00", std::string("\xf0\x9f\x98\x80")},
            {L"a\xd83d", std::nullopt},
            {L"\xde00z", std::nullopt},
            {L"\xd83d\xd83d\xde00", std::nullopt},
        };
        for (const auto& c : cases) {
            CHECK(Text::Utf8(c.text) == c.utf8);
        }
        CHECK(Text::Utf8Lenient(L"a\xd83d") == "a\xef\xbf\xbd");
    }

    TEST_CASE("UTF-8 decoding round-trips and replaces what is invalid") {
        CHECK(Text::WideFromUtf8("\xf0\x9f\x98\x80\xce\xa9") == L"\xd83d\xde00\x03a9");
        CHECK(Text::WideFromUtf8("a\xff"
                                 "b") == L"a\xfffd"
                                         L"b");
        CHECK(Text::WideFromUtf8("\xe0\x80\x80") == L"\xfffd\xfffd\xfffd");
    }

    TEST_CASE("numbers are written without grouping or locale") {
        CHECK(Text::Decimal(std::int64_t{0}) == L"0");
        CHECK(Text::Decimal(std::int32_t{-1073741510}) == L"-1073741510");
        CHECK(Text::Decimal(std::int64_t{LLONG_MIN}) == L"-9223372036854775808");
        CHECK(Text::Decimal(std::uint32_t{4294967295u}) == L"4294967295");
        CHECK(Text::Hex(0x1a2, Text::Case::Lower) == L"1a2");
        CHECK(Text::Hex(0x1a2, Text::Case::Upper) == L"1A2");
        CHECK(Text::Hex(0, Text::Case::Upper, 8) == L"00000000");
        CHECK(Text::Hex(0x80070002, Text::Case::Upper, 8) == L"80070002");
        CHECK(Text::Hex(0x8a28407b54a70d8, Text::Case::Lower, 16) == L"08a28407b54a70d8");
    }
}
