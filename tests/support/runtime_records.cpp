#include "support/runtime_records.h"

#include "support/files.h"

#include "platform/text.h"

#include <algorithm>
#include <iterator>

namespace Brindle::Tests {

namespace {

std::vector<std::wstring> SplitAtTabs(const std::wstring& line) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find(L'\t', start)) != std::wstring::npos; start = tab + 1) {
        parts.push_back(line.substr(start, tab - start));
    }
    parts.push_back(line.substr(start));
    return parts;
}

RuntimeEvent ParseEvent(const std::wstring& line) {
    std::vector<std::wstring> parts = SplitAtTabs(line);
    RuntimeEvent event{parts.front(), {}};
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::size_t equals = parts[i].find(L'=');
        event.fields.emplace_back(parts[i].substr(0, equals),
                                  equals == std::wstring::npos ? L"" : parts[i].substr(equals + 1));
    }
    return event;
}

} // namespace

std::wstring RuntimeEvent::Field(std::wstring_view key) const {
    const auto found = std::find_if(fields.begin(), fields.end(),
                                    [&](const auto& field) { return field.first == key; });
    return found == fields.end() ? std::wstring() : found->second;
}

bool RuntimeEvent::Has(std::wstring_view key) const {
    return std::any_of(fields.begin(), fields.end(),
                       [&](const auto& field) { return field.first == key; });
}

std::vector<RuntimeEvent> ReadRuntimeRecord(const std::wstring& path) {
    const std::string bytes = ReadBytes(path);
    std::vector<RuntimeEvent> events;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
        events.push_back(ParseEvent(Shell::Text::WideFromUtf8(bytes.substr(start, end - start))));
    }
    return events;
}

std::vector<RuntimeEvent> EventsNamed(const std::vector<RuntimeEvent>& events,
                                      std::wstring_view name) {
    std::vector<RuntimeEvent> named;
    std::copy_if(events.begin(), events.end(), std::back_inserter(named),
                 [&](const RuntimeEvent& event) { return event.name == name; });
    return named;
}

} // namespace Brindle::Tests
