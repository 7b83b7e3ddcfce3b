#include "support/tool_records.h"

#include "support/files.h"

#include "platform/text.h"

namespace Brindle::Tests {

ToolRecords ReadToolRecords(const std::wstring& path) {
    ToolRecords records;
    ToolRecord current;
    std::string bytes = ReadBytes(path);
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
        std::wstring line = Shell::Text::WideFromUtf8(bytes.substr(start, end - start));
        std::size_t equals = line.find(L'=');
        std::wstring key = line.substr(0, equals);
        std::wstring value = equals == std::wstring::npos ? L"" : line.substr(equals + 1);
        if (key == L"end") {
            records.processes.push_back(std::move(current));
            current = ToolRecord{};
        } else if (key == L"pid") {
            current.pid = static_cast<DWORD>(std::stoul(value));
        } else if (key == L"parent") {
            current.parent = static_cast<DWORD>(std::stoul(value));
        } else if (key == L"cmdline") {
            current.commandLine = value;
        } else if (key == L"cwd") {
            current.currentDirectory = value;
        } else if (key.rfind(L"arg", 0) == 0 && key != L"argc") {
            current.arguments.push_back(value);
        } else if (key == L"role") {
            current.role = value;
        } else if (key == L"console") {
            current.console = value;
        } else if (key == L"late") {
            records.lateChild = static_cast<DWORD>(std::stoul(value));
        } else if (key == L"accepted") {
            records.accepted = value;
        }
    }
    return records;
}

} // namespace Brindle::Tests
