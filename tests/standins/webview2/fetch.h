// What the address the shell navigates to answers, as the browser would have loaded it.
#pragma once

#include <string_view>

namespace Brindle::Standin {

// Records a `fetch` line: the status line and whether the page is the stand-in tool's, or why
// there was no answer.
void FetchAndRecord(std::wstring_view uri) noexcept;

} // namespace Brindle::Standin
