// What the stand-in tool and its descendants write to their record file.
#pragma once

#include "platform/prelude.h"

#include <string>
#include <vector>

namespace Brindle::Tests {

// What the stand-in tool and its descendants recorded (KIV_STANDIN_RECORD).
struct ToolRecord {
    DWORD pid = 0;
    DWORD parent = 0;
    std::wstring commandLine;
    std::wstring currentDirectory;
    std::vector<std::wstring> arguments;
    std::wstring role;
    std::wstring console; // yes or no: whether it had a console window
};
struct ToolRecords {
    std::vector<ToolRecord> processes;
    // The local time of the tool's first accepted connection, as a log stamp; empty if none.
    std::wstring accepted;
    // The grandchild that a child told to end started late (KIV_STANDIN_LATE_CHILD); 0 if none.
    DWORD lateChild = 0;
};
ToolRecords ReadToolRecords(const std::wstring& path);

} // namespace Brindle::Tests
