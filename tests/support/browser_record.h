// The addresses that the test bed's stand-in browser was asked to open: each prefix registers a
// recorder as its browser, which appends every address to a file that BRINDLE_BROWSER_RECORD names.
#pragma once

#include "platform/prelude.h"

#include <string>
#include <vector>

namespace Brindle::Tests {

class BrowserRecord {
public:
    // Reads from what the record holds now.
    BrowserRecord();
    [[nodiscard]] std::vector<std::wstring> Addresses() const;
    // Waits until at least that many addresses have arrived; answers all of them.
    [[nodiscard]] std::vector<std::wstring> WaitForAddresses(std::size_t count,
                                                             DWORD milliseconds) const;
    static std::wstring Path();
    // False in the prefix where no program is registered for http addresses, so that opening
    // one fails and nothing is recorded.
    static bool HttpOpens();

private:
    unsigned long long start_;
};

} // namespace Brindle::Tests
