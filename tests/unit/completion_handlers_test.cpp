#include "webview2/completion_handlers.h"
#include "support/shared_log.h"
#include "unit/com_object_checks.h"
#include "unit/fake_webview.h"

#include "platform/failure.h"
#include "platform/text.h"

#include <doctest.h>

#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

using namespace Brindle::Shell;
using Brindle::Tests::CheckQueryInterface;
using Brindle::Tests::FakeController;
using Brindle::Tests::FakeEnvironment;
using Brindle::Tests::IsStamp;
using Brindle::Tests::LogAppendedSince;
using Brindle::Tests::LogSize;

namespace {

struct EnvironmentSide {
    using Handler = EnvironmentCompletedHandler;
    using Interface = ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;
    using Result = ICoreWebView2Environment;
    using FakeResult = FakeEnvironment;
    static constexpr const IID& iid =
        IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;
    static constexpr std::string_view prefix = "fout in omgevingscallback: ";
};

struct ControllerSide {
    using Handler = ControllerCompletedHandler;
    using Interface = ICoreWebView2CreateCoreWebView2ControllerCompletedHandler;
    using Result = ICoreWebView2Controller;
    using FakeResult = FakeController;
    static constexpr const IID& iid = IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler;
    static constexpr std::string_view prefix = "fout in controllercallback: ";
};

// Set when the last copy of the callback that holds it goes.
struct FreedFlag {
    bool& freed;
    ~FreedFlag() { freed = true; }
};

} // namespace

TEST_SUITE("completion_handlers") {
    TEST_CASE_TEMPLATE("a handler answers only its own interface and IUnknown", Side,
                       EnvironmentSide, ControllerSide) {
        auto handler = Side::Handler::Create([](HRESULT, typename Side::Result*) {});
        typename Side::Interface* asInterface = handler.Get();
        CheckQueryInterface(asInterface, Side::iid);
    }

    TEST_CASE_TEMPLATE("the last Release frees the handler with its callback", Side,
                       EnvironmentSide, ControllerSide) {
        bool freed = false;
        auto flag = std::make_shared<FreedFlag>(freed);
        typename Side::Interface* handler =
            new typename Side::Handler([flag](HRESULT, typename Side::Result*) {});
        flag.reset();
        CHECK(handler->AddRef() == 2);
        CHECK(handler->AddRef() == 3);
        CHECK(handler->Release() == 2);
        CHECK(handler->Release() == 1);
        CHECK_FALSE(freed);
        CHECK(handler->Release() == 0);
        CHECK(freed);
    }

    TEST_CASE_TEMPLATE("every outcome reaches the callback as it came, on every Invoke", Side,
                       EnvironmentSide, ControllerSide) {
        using Result = typename Side::Result;
        struct Call {
            HRESULT errorCode;
            Result* result;
        };
        std::vector<Call> calls;
        unsigned long long logBefore = LogSize();
        auto handler = Side::Handler::Create([&calls](HRESULT errorCode, Result* result) {
            calls.push_back({errorCode, result});
        });
        CHECK(calls.empty());

        typename Side::FakeResult fake;
        const Call cases[] = {
            {HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), &fake},
            {S_OK, nullptr},
            {E_ABORT, nullptr},
            {S_OK, &fake},
            {S_OK, &fake},
        };
        typename Side::Interface* asInterface = handler.Get();
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            INFO("case " << i);
            CHECK(asInterface->Invoke(cases[i].errorCode, cases[i].result) == S_OK);
            REQUIRE(calls.size() == i + 1);
            CHECK(calls[i].errorCode == cases[i].errorCode);
            CHECK(calls[i].result == cases[i].result);
            CHECK(fake.references == 1);
        }
        CHECK(LogAppendedSince(logBefore).empty());
    }

    TEST_CASE_TEMPLATE("a failing callback leaves one log line and S_OK", Side, EnvironmentSide,
                       ControllerSide) {
        const Failure failure(L"TestFailure", L"de callback faalt");
        struct Case {
            std::function<void()> raise;
            std::wstring text;
        };
        const Case cases[] = {
            {[&failure] { throw failure; }, failure.FullText()},
            {[] { throw std::runtime_error("kapot"); }, L"std::exception: kapot"},
            {[] { throw 7; }, L"unknown: an exception of unknown type"},
        };
        for (const Case& c : cases) {
            INFO(Text::Utf8Lenient(c.text));
            auto handler =
                Side::Handler::Create([&c](HRESULT, typename Side::Result*) { c.raise(); });
            typename Side::Interface* asInterface = handler.Get();
            unsigned long long before = LogSize();
            CHECK(asInterface->Invoke(E_FAIL, nullptr) == S_OK);
            std::string appended = LogAppendedSince(before);
            std::string line =
                "  " + std::string(Side::prefix) + Text::Utf8Lenient(c.text) + "\r\n";
            REQUIRE(appended.size() == 23 + line.size());
            CHECK(IsStamp(Text::WideFromUtf8(appended.substr(0, 23))));
            CHECK(appended.substr(23) == line);
        }
    }
}
