#include "server/process_tree.h"

#include "platform/failure.h"
#include "platform/text.h"
#include "platform/unique_handle.h"
#include "platform/win32.h"

#include <tlhelp32.h>

#include <optional>

namespace Brindle::Shell::ProcessTree {

namespace {

struct Child {
    UniqueHandle handle;
    DWORD pid = 0;
};

std::optional<std::uint64_t> CreationTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return std::nullopt;
    }
    return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// Termination completes within milliseconds; a process that takes longer delays the stop by
// no more than this before its children are looked for all the same.
constexpr DWORD EndedWaitMilliseconds = 500;

// A process that may be queried but not ended still belongs to the tree: opened with the
// lesser right, it fails its end step instead of being passed over.
UniqueHandle OpenMember(DWORD pid) {
    constexpr DWORD query = SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION;
    UniqueHandle process(OpenProcess(query | PROCESS_TERMINATE, FALSE, pid));
    if (!process) {
        process.Reset(OpenProcess(query, FALSE, pid));
    }
    return process;
}

// A process that cannot be opened or queried is passed over.
std::optional<Child> ChildCandidate(const PROCESSENTRY32W& entry, const Facts& parent) {
    UniqueHandle process = OpenMember(entry.th32ProcessID);
    if (!process) {
        return std::nullopt;
    }
    std::optional<std::uint64_t> created = CreationTime(process.Get());
    if (!created || !IsChild({entry.th32ProcessID, entry.th32ParentProcessID, *created}, parent)) {
        return std::nullopt;
    }
    return Child{std::move(process), entry.th32ProcessID};
}

// Taken after the walk gave an ended parent its time to be gone, so that a child it was still
// starting is among them.
std::vector<Child> ChildrenOf(const Facts& parent, std::vector<Failed>& failures) {
    std::vector<Child> children;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        failures.push_back({parent.pid, L"CreateToolhelp32Snapshot", GetLastError()});
        return children;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ParentProcessID != parent.pid) {
            continue;
        }
        if (auto child = ChildCandidate(entry, parent)) {
            children.push_back(std::move(*child));
        }
    }
    return children;
}

// The handle stays open until the children are dealt with, so that the id cannot pass to a
// newcomer in the meantime.
void Walk(HANDLE process, DWORD pid, const EndStep& end, std::vector<Failed>& failures) {
    if (DWORD error = end(process, pid); error != ERROR_SUCCESS) {
        failures.push_back({pid, L"TerminateProcess", error});
    } else {
        // Termination only begins with the end step: a thread inside CreateProcessW may still
        // finish its child. A failed wait is no failure of the walk.
        WaitForSingleObject(process, EndedWaitMilliseconds);
    }
    std::optional<std::uint64_t> created = CreationTime(process);
    if (!created) {
        failures.push_back({pid, L"GetProcessTimes", GetLastError()});
        return;
    }
    for (Child& child : ChildrenOf({pid, 0, *created}, failures)) {
        Walk(child.handle.Get(), child.pid, end, failures);
    }
}

std::wstring Describe(DWORD rootPid, const std::vector<Failed>& failures) {
    std::wstring text =
        L"the process tree of process " + Text::Decimal(rootPid) + L" was not ended entirely:";
    for (const Failed& failed : failures) {
        text += L" " + std::wstring(failed.step) + L" for process " + Text::Decimal(failed.pid) +
                L" failed: " + Win32::SystemMessage(failed.error) + L" (error " +
                Text::Decimal(failed.error) + L")";
        text += &failed == &failures.back() ? L"." : L";";
    }
    return text;
}

} // namespace

bool IsChild(const Facts& candidate, const Facts& parent) noexcept {
    return candidate.parentPid == parent.pid && candidate.pid != parent.pid &&
           candidate.created >= parent.created;
}

DWORD EndProcess(HANDLE process, DWORD) noexcept {
    if (TerminateProcess(process, 0xFFFFFFFF)) {
        return ERROR_SUCCESS;
    }
    DWORD error = GetLastError();
    DWORD code = 0;
    // An ended process refuses to be ended again.
    if (error == ERROR_ACCESS_DENIED && GetExitCodeProcess(process, &code) &&
        code != STILL_ACTIVE) {
        return ERROR_SUCCESS;
    }
    return error;
}

std::vector<Failed> EndTree(HANDLE root, DWORD rootPid, const EndStep& end) {
    std::vector<Failed> failures;
    Walk(root, rootPid, end, failures);
    return failures;
}

void Kill(HANDLE root, DWORD rootPid) {
    std::vector<Failed> failures = EndTree(root, rootPid, &EndProcess);
    if (!failures.empty()) {
        throw Failure(L"ProcessTreeError", Describe(rootPid, failures));
    }
}

} // namespace Brindle::Shell::ProcessTree
