// The answers a test chooses for the stand-in through the environment, read at every call.
#pragma once

#include "platform/prelude.h"

#include <optional>
#include <string>
#include <string_view>

namespace Brindle::Standin {

// `ok`, `none` or `0x` + 8 hex digits. A failure never comes with an object; a success code
// does, unless the answer is `none`.
struct Answer {
    HRESULT code = S_OK;
    bool object = true;
};

// The variable's value; empty when it is not set.
std::wstring Variable(const wchar_t* name);

// Unset or empty is `ok`. A value outside the grammar is recorded as unexpected and answers
// E_UNEXPECTED, so that a mistyped test fails rather than passes by chance.
Answer ReadAnswer(const wchar_t* name);

// The immediate answer of an environment creation: the options variable wins for calls with
// options, when it is set.
Answer ReadCreateAnswer(bool withOptions);

// Whether WEBVIEW2_STANDIN_HOLD names the completion (`environment` or `controller`). Unset and
// empty hold nothing; any other value is recorded as unexpected and answers none.
std::optional<bool> ReadHold(std::wstring_view completion);

// WEBVIEW2_STANDIN_VERSION, which also knows `empty`.
struct VersionAnswer {
    HRESULT code = S_OK;
    std::optional<std::wstring> text;
};
VersionAnswer ReadVersionAnswer();

} // namespace Brindle::Standin
