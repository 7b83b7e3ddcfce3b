// What the end-to-end tests expect of a browser fallback: its box, the address it opened, and
// how the run ends once the box is closed.
#pragma once

#include "harness.h"
#include "support/fallback_texts.h"

#include <string>

namespace Brindle::Tests {

// Presses OK on a fallback's box: the run ends with 0, the tool's tree that was recorded while
// the box was open is gone, stopped once, and the log's last line closes the run.
void ExpectCleanEndAfterOk(const Run& run, const MessageBoxInfo& box,
                           const std::vector<DWORD>& tree, const LogTail& log);

// The first fallback's box: its text and the browser opened on the address (unless opening is
// refused in this prefix), no main window; after OK the tool's whole tree is gone and the run
// ends with 0. Answers the address.
std::wstring ExpectFirstFallback(const Installation& installation, const Run& run,
                                 const LogTail& log, const BrowserRecord& browser,
                                 bool openingRefused = false);

} // namespace Brindle::Tests
