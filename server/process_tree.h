// Ends a process together with every process descended from it.
#pragma once

#include "platform/prelude.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace Brindle::Shell::ProcessTree {

// What the walk knows of a process when it picks the children of another.
struct Facts {
    DWORD pid = 0;
    DWORD parentPid = 0;
    std::uint64_t created = 0; // 100-ns units since 1601
};

// A step of the walk that failed: ending a process, or finding its children.
struct Failed {
    DWORD pid = 0;
    const wchar_t* step = L"";
    DWORD error = 0;
};

// Ends one process; ERROR_SUCCESS when it has ended, otherwise the reason it still runs.
using EndStep = std::function<DWORD(HANDLE process, DWORD pid)>;

// A recorded parent id alone is not enough: ids are reused, and a process that is older than
// the parent came from an earlier owner of the id. The same creation time counts as younger:
// the clock advances once a tick, and a child started at once shares its parent's tick.
[[nodiscard]] bool IsChild(const Facts& candidate, const Facts& parent) noexcept;

// TerminateProcess with exit code -1; a process that had already ended counts as ended.
DWORD EndProcess(HANDLE process, DWORD pid) noexcept;

// Ends root, then walks its children's trees one after the other, each with `end`; a process
// that `end` reports ended is waited for (at most 500 ms) before its children are listed. Goes
// on past failures and answers all of them. root needs query, synchronize and terminate rights.
std::vector<Failed> EndTree(HANDLE root, DWORD rootPid, const EndStep& end);

// EndTree with EndProcess; throws one Failure naming every failed step when there were any.
void Kill(HANDLE root, DWORD rootPid);

} // namespace Brindle::Shell::ProcessTree
