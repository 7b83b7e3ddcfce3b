#include "webview2/environment_options.h"
#include "unit/com_object_checks.h"

#include "platform/com_ptr.h"
#include "platform/unique_handle.h"

#include <doctest.h>

#include <optional>
#include <string>
#include <string_view>

using namespace Brindle::Shell;
using Brindle::Tests::CheckQueryInterface;

namespace {

using Options = ICoreWebView2EnvironmentOptions;
using TextGetter = HRESULT (STDMETHODCALLTYPE Options::*)(LPWSTR*);
using TextPutter = HRESULT (STDMETHODCALLTYPE Options::*)(LPCWSTR);

// Proves the block came from the task allocator, which the receiver frees it with.
SIZE_T TaskMemorySize(void* block) {
    ComPtr<IMalloc> allocator;
    REQUIRE(CoGetMalloc(1, allocator.Put()) == S_OK);
    REQUIRE(allocator->DidAlloc(block) == 1);
    return allocator->GetSize(block);
}

// The text with its terminating null, in a block of just that size.
void CheckCopy(wchar_t* copy, std::wstring_view text) {
    REQUIRE(copy != nullptr);
    CHECK(copy != text.data());
    CHECK(std::wstring_view(copy, text.size() + 1) == std::wstring(text) + L'\0');
    CHECK(TaskMemorySize(copy) == (text.size() + 1) * sizeof(wchar_t));
}

} // namespace

TEST_SUITE("environment_options") {
    TEST_CASE("the options answer only their own interface and IUnknown") {
        auto options = EnvironmentOptions::Create(L"--a");
        Options* asInterface = options.Get();
        CheckQueryInterface(asInterface, IID_ICoreWebView2EnvironmentOptions);
    }

    TEST_CASE("the count goes up and down to zero") {
        Options* options = new EnvironmentOptions(L"--a");
        CHECK(options->AddRef() == 2);
        CHECK(options->AddRef() == 3);
        CHECK(options->Release() == 2);
        CHECK(options->Release() == 1);
        CHECK(options->Release() == 0);
    }

    TEST_CASE("the arguments come back unchanged, in a new block on every call") {
        const std::wstring arguments = L" --lang=nl  --disable-gpu ";
        auto options = EnvironmentOptions::Create(arguments);
        Options* asInterface = options.Get();
        UniqueCoTaskMemText first;
        UniqueCoTaskMemText second;
        CHECK(asInterface->get_AdditionalBrowserArguments(first.Put()) == S_OK);
        CHECK(asInterface->get_AdditionalBrowserArguments(second.Put()) == S_OK);
        CheckCopy(first.Get(), arguments);
        CheckCopy(second.Get(), arguments);
        CHECK(first.Get() != second.Get());
    }

    TEST_CASE("a put replaces the arguments and a null put leaves none") {
        auto options = EnvironmentOptions::Create(L"--first");
        Options* asInterface = options.Get();
        const wchar_t* const puts[] = {nullptr, L"--second  value ", L"", nullptr, nullptr, L"x"};
        for (const wchar_t* put : puts) {
            INFO((put == nullptr ? "null" : "text"));
            CHECK(asInterface->put_AdditionalBrowserArguments(put) == S_OK);
            if (put == nullptr) {
                wchar_t stale[] = L"stale";
                LPWSTR none = stale;
                CHECK(asInterface->get_AdditionalBrowserArguments(&none) == S_OK);
                CHECK(none == nullptr);
            } else {
                UniqueCoTaskMemText got;
                CHECK(asInterface->get_AdditionalBrowserArguments(got.Put()) == S_OK);
                CheckCopy(got.Get(), put);
            }
        }
    }

    TEST_CASE("language and target version stay an empty text, also after a put") {
        struct Case {
            TextGetter get;
            TextPutter put;
            const wchar_t* value;
        };
        const Case cases[] = {
            {&Options::get_Language, &Options::put_Language, L"nl-NL"},
            {&Options::get_Language, &Options::put_Language, nullptr},
            {&Options::get_TargetCompatibleBrowserVersion,
             &Options::put_TargetCompatibleBrowserVersion, L"120.0.2210.91"},
            {&Options::get_TargetCompatibleBrowserVersion,
             &Options::put_TargetCompatibleBrowserVersion, nullptr},
        };
        for (const Case& c : cases) {
            auto options = EnvironmentOptions::Create(L"--a");
            Options* asInterface = options.Get();
            UniqueCoTaskMemText before;
            CHECK((asInterface->*c.get)(before.Put()) == S_OK);
            CheckCopy(before.Get(), L"");
            CHECK((asInterface->*c.put)(c.value) == S_OK);
            UniqueCoTaskMemText after;
            CHECK((asInterface->*c.get)(after.Put()) == S_OK);
            CheckCopy(after.Get(), L"");
            CHECK(after.Get() != before.Get());
        }
    }

    TEST_CASE("single sign-on stays off, also after a put") {
        auto options = EnvironmentOptions::Create(L"--a");
        Options* asInterface = options.Get();
        for (BOOL put : {TRUE, FALSE, TRUE}) {
            BOOL allow = TRUE;
            CHECK(asInterface->get_AllowSingleSignOnUsingOSPrimaryAccount(&allow) == S_OK);
            CHECK(allow == FALSE);
            CHECK(asInterface->put_AllowSingleSignOnUsingOSPrimaryAccount(put) == S_OK);
        }
        BOOL allow = TRUE;
        CHECK(asInterface->get_AllowSingleSignOnUsingOSPrimaryAccount(&allow) == S_OK);
        CHECK(allow == FALSE);
    }

    TEST_CASE("every getter refuses a null out pointer") {
        auto options = EnvironmentOptions::Create(L"--a");
        Options* asInterface = options.Get();
        const TextGetter getters[] = {&Options::get_AdditionalBrowserArguments,
                                      &Options::get_Language,
                                      &Options::get_TargetCompatibleBrowserVersion};
        for (TextGetter get : getters) {
            CHECK((asInterface->*get)(nullptr) == E_POINTER);
        }
        CHECK(asInterface->get_AllowSingleSignOnUsingOSPrimaryAccount(nullptr) == E_POINTER);
        CHECK(asInterface->put_AdditionalBrowserArguments(nullptr) == S_OK);
        CHECK(asInterface->get_AdditionalBrowserArguments(nullptr) == E_POINTER);
    }

    TEST_CASE("CopyOut gives null for none and a new block for a text") {
        wchar_t stale[] = L"stale";
        LPWSTR none = stale;
        CHECK(EnvironmentOptions::CopyOut(std::nullopt, &none) == S_OK);
        CHECK(none == nullptr);

        const std::wstring texts[] = {L"", L" ", L"  --a  b\t", L"\x03a9 \xd83d\xde00",
                                      std::wstring(L"a\0b", 3)};
        for (const std::wstring& text : texts) {
            INFO("length " << text.size());
            UniqueCoTaskMemText copy;
            CHECK(EnvironmentOptions::CopyOut(text, copy.Put()) == S_OK);
            CheckCopy(copy.Get(), text);
        }
        CHECK(EnvironmentOptions::CopyOut(std::nullopt, nullptr) == E_POINTER);
        CHECK(EnvironmentOptions::CopyOut(L"x", nullptr) == E_POINTER);
    }
}
