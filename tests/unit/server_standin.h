// Runs the kiv.exe stand-in that lies next to the test executable and follows its process tree.
#pragma once

#include "platform/prelude.h"
#include "platform/unique_handle.h"
#include "support/scratch_folder.h"
#include "support/tool_records.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Brindle::Tests {

// Sets a variable of this process's environment, which the processes it starts inherit, and
// puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(std::wstring name, const std::wstring& value);
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;
    ~ScopedVariable();

private:
    std::wstring name_;
    std::optional<std::wstring> old_;
};

// A process of a tree under test. Whatever a test leaves running is ended with it, and waited
// for.
struct Member {
    DWORD pid = 0;
    Shell::UniqueHandle handle;

    Member(DWORD id, Shell::UniqueHandle process) : pid(id), handle(std::move(process)) {}
    Member(Member&&) = default;
    Member& operator=(Member&&) = default;
    ~Member();

    [[nodiscard]] bool EndsWithin(DWORD milliseconds) const;
};

// Opened for waiting, querying and, where the member allows it, ending in the clean-up.
std::optional<Member> Open(DWORD pid);

// The console hosts that Wine gives each console process, found among the children of `pids`.
std::vector<DWORD> ConsoleHostsOf(const std::vector<DWORD>& pids);

using Variables = std::vector<std::pair<std::wstring, std::wstring>>;

// A stand-in tool that never listens, with its children and grandchildren all up.
class StandInTree {
public:
    StandInTree(unsigned children, unsigned grandchildren, const Variables& more = {});

    [[nodiscard]] HANDLE Tool() const { return members_.front().handle.Get(); }
    [[nodiscard]] DWORD ToolPid() const { return members_.front().pid; }
    [[nodiscard]] const std::vector<ToolRecord>& Records() const { return records_; }
    // The record file as it is now.
    [[nodiscard]] ToolRecords ReadRecords() const { return ReadToolRecords(recordPath_); }
    // The tool first, then the recorded descendants, then their console hosts.
    [[nodiscard]] const std::vector<Member>& Members() const { return members_; }

private:
    // Waits for the records of that many processes and opens every member.
    void Follow(std::size_t processes);

    ScratchFolder folder_;
    std::wstring recordPath_ = folder_ / L"record.txt";
    std::vector<ToolRecord> records_;
    std::vector<Member> members_;
};

} // namespace Brindle::Tests
