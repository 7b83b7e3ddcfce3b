#include "fallback_expectations.h"

#include "platform/text.h"

#include <doctest.h>

namespace Brindle::Tests {

void ExpectCleanEndAfterOk(const Run& run, const MessageBoxInfo& box,
                           const std::vector<DWORD>& tree, const LogTail& log) {
    PressOk(box);
    CHECK(run.WaitForExit(20000) == 0u);
    for (DWORD pid : tree) {
        CAPTURE(pid);
        CHECK_FALSE(IsRunning(pid));
    }
    CHECK(log.Count(L"kiv.exe gestopt") == 1);
    CHECK(log.Messages().back() == L"=== Brindle einde ===");
}

std::wstring ExpectFirstFallback(const Installation& installation, const Run& run,
                                 const LogTail& log, const BrowserRecord& browser,
                                 bool openingRefused) {
    auto box = run.WaitForBox(30000);
    REQUIRE(box.has_value());
    StartedTool tool = StartedToolOf(log);
    REQUIRE(tool.pid != 0);
    std::wstring address = tool.Address();
    CHECK(box->caption == L"Brindle");
    CHECK(box->text == FirstFallbackText(address, !openingRefused));
    CHECK(run.WaitForWindow(installation.WindowClass(), 0) == nullptr);
    if (!openingRefused) {
        CHECK(browser.WaitForAddresses(1, 10000) == std::vector<std::wstring>{address});
    }
    std::vector<DWORD> tree = TreeOf(tool.pid);
    CHECK(IsRunning(tool.pid));

    ExpectCleanEndAfterOk(run, *box, tree, log);
    CHECK(log.StartingWith(L"venster 0x").empty());
    CHECK(browser.Addresses().size() == (openingRefused ? 0u : 1u));
    return address;
}

} // namespace Brindle::Tests
