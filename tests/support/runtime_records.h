// What the stand-in loader library and runtime write to their record file.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Brindle::Tests {

// One line of the record (WEBVIEW2_STANDIN_RECORD): the event and its fields in their order.
struct RuntimeEvent {
    std::wstring name;
    std::vector<std::pair<std::wstring, std::wstring>> fields;

    // The first field of that name; empty when there is none.
    [[nodiscard]] std::wstring Field(std::wstring_view key) const;
    [[nodiscard]] bool Has(std::wstring_view key) const;
};

// Empty when the file is missing; a last line without its line end is not read.
std::vector<RuntimeEvent> ReadRuntimeRecord(const std::wstring& path);
std::vector<RuntimeEvent> EventsNamed(const std::vector<RuntimeEvent>& events,
                                      std::wstring_view name);

} // namespace Brindle::Tests
