#include "server_standin.h"

#include "support/files.h"
#include "support/scratch_folder.h"

#include "platform/text.h"
#include "platform/win32.h"
#include "server/process_tree.h"

#include <tlhelp32.h>

#include <memory>
#include <stdexcept>

namespace Brindle::Tests {

using Shell::UniqueHandle;
using Shell::Text::Decimal;

namespace {

constexpr DWORD TreeUpMilliseconds = 20000;
constexpr DWORD EndedMilliseconds = 5000;

std::optional<std::wstring> Variable(const std::wstring& name) {
    DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0) {
        return std::nullopt;
    }
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name.c_str(), value.data(), size));
    return value;
}

UniqueHandle StartTool() {
    std::wstring tool = Shell::Win32::ExecutableFolder() + L"kiv.exe";
    std::wstring commandLine = L"\"" + tool + L"\" ui --no-browser --port 1";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(tool.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &started)) {
        throw std::runtime_error("cannot start the stand-in");
    }
    UniqueHandle thread(started.hThread);
    return UniqueHandle(started.hProcess);
}

std::vector<ToolRecord> WaitForRecord(const std::wstring& path, std::size_t count, HANDLE tool) {
    ULONGLONG deadline = GetTickCount64() + TreeUpMilliseconds;
    for (;;) {
        std::vector<ToolRecord> records = ReadToolRecords(path).processes;
        if (records.size() >= count) {
            return records;
        }
        if (GetTickCount64() > deadline || WaitForSingleObject(tool, 0) == WAIT_OBJECT_0) {
            throw std::runtime_error("the stand-in's tree did not come up");
        }
        Sleep(20);
    }
}

} // namespace

ScopedVariable::ScopedVariable(std::wstring name, const std::wstring& value)
    : name_(std::move(name)), old_(Variable(name_)) {
    SetEnvironmentVariableW(name_.c_str(), value.c_str());
}

ScopedVariable::~ScopedVariable() {
    SetEnvironmentVariableW(name_.c_str(), old_ ? old_->c_str() : nullptr);
}

Member::~Member() {
    if (!handle || WaitForSingleObject(handle.Get(), 0) != WAIT_TIMEOUT) {
        return;
    }
    if (!TerminateProcess(handle.Get(), 1)) {
        // A guarded stand-in cannot be ended; it ends itself once released.
        UniqueHandle release(OpenEventW(EVENT_MODIFY_STATE, FALSE,
                                        (L"Local\\kiv-standin-release-" + Decimal(pid)).c_str()));
        if (release) {
            SetEvent(release.Get());
        }
    }
    // Gone before the test's folders are removed, which a running member could keep.
    WaitForSingleObject(handle.Get(), EndedMilliseconds);
}

bool Member::EndsWithin(DWORD milliseconds) const {
    return WaitForSingleObject(handle.Get(), milliseconds) == WAIT_OBJECT_0;
}

std::optional<Member> Open(DWORD pid) {
    constexpr DWORD watch = SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION;
    UniqueHandle process(OpenProcess(watch | PROCESS_TERMINATE, FALSE, pid));
    if (!process) {
        // A member that nobody may end is still watched.
        process.Reset(OpenProcess(watch, FALSE, pid));
    }
    if (!process) {
        return std::nullopt;
    }
    return Member(pid, std::move(process));
}

std::vector<DWORD> ConsoleHostsOf(const std::vector<DWORD>& pids) {
    std::vector<DWORD> hosts;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); snapshot && more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        bool belongs = false;
        for (DWORD pid : pids) {
            belongs = belongs || entry.th32ParentProcessID == pid;
        }
        if (belongs && lstrcmpiW(entry.szExeFile, L"conhost.exe") == 0) {
            hosts.push_back(entry.th32ProcessID);
        }
    }
    return hosts;
}

StandInTree::StandInTree(unsigned children, unsigned grandchildren, const Variables& more) {
    UniqueHandle tool;
    {
        ScopedVariable recording(L"KIV_STANDIN_RECORD", recordPath_);
        ScopedVariable quiet(L"KIV_STANDIN_NO_LISTEN", L"1");
        ScopedVariable first(L"KIV_STANDIN_CHILDREN", Decimal(children));
        ScopedVariable second(L"KIV_STANDIN_GRANDCHILDREN", Decimal(grandchildren));
        std::vector<std::unique_ptr<ScopedVariable>> extra;
        for (const auto& [name, value] : more) {
            extra.push_back(std::make_unique<ScopedVariable>(name, value));
        }
        tool = StartTool();
    }
    members_.emplace_back(GetProcessId(tool.Get()), std::move(tool));
    try {
        Follow(1 + children + children * grandchildren);
    } catch (...) {
        // Members that were not followed yet would outlive the test and write to its folder.
        static_cast<void>(
            Shell::ProcessTree::EndTree(Tool(), ToolPid(), &Shell::ProcessTree::EndProcess));
        throw;
    }
}

void StandInTree::Follow(std::size_t processes) {
    records_ = WaitForRecord(recordPath_, processes, Tool());
    std::vector<DWORD> pids;
    for (const ToolRecord& recorded : records_) {
        pids.push_back(recorded.pid);
        if (recorded.role == L"tool") {
            continue;
        }
        std::optional<Member> member = Open(recorded.pid);
        if (!member) {
            throw std::runtime_error("a recorded member of the stand-in's tree cannot be opened");
        }
        members_.push_back(std::move(*member));
    }
    for (DWORD host : ConsoleHostsOf(pids)) {
        if (auto member = Open(host)) {
            members_.push_back(std::move(*member));
        }
    }
}

} // namespace Brindle::Tests
