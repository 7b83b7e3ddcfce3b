#include "harness.h"

#include "support/files.h"

#include "platform/text.h"
#include "platform/win32.h"
#include "server/process_tree.h"
#include "shell/install_key.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cwctype>
#include <stdexcept>

namespace Brindle::Tests {

namespace {

bool SameName(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towupper(a[i]) != std::towupper(b[i])) {
            return false;
        }
    }
    return true;
}

// Variables that steer the shell or a stand-in come only from the test, never from whoever runs it.
bool Steers(std::wstring_view name) {
    for (std::wstring_view steering :
         {L"BRINDLE_WEBVIEW_ARGS", L"WEBVIEW2_STANDIN_", L"KIV_STANDIN_"}) {
        if (name.size() >= steering.size() && SameName(name.substr(0, steering.size()), steering) &&
            (steering.back() == L'_' || name.size() == steering.size())) {
            return true;
        }
    }
    return false;
}

// The test's own environment with the extra variables set, as a block for CreateProcessW.
std::wstring EnvironmentBlock(const Environment& extra) {
    std::vector<std::wstring> entries;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1) {
        std::wstring_view text(entry);
        std::size_t equals = text.find(L'=', 1);
        bool replaced = Steers(text.substr(0, equals));
        for (const auto& [name, value] : extra) {
            replaced = replaced || SameName(text.substr(0, equals), name);
        }
        if (!replaced) {
            entries.emplace_back(text);
        }
    }
    FreeEnvironmentStringsW(strings);
    for (const auto& [name, value] : extra) {
        entries.push_back(name + L"=" + value);
    }
    std::wstring block;
    for (const auto& entry : entries) {
        block += entry;
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring WindowText(HWND window) {
    if (window == nullptr) {
        return L"";
    }
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::vector<HWND> TopLevelWindows(DWORD pid) {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{pid, {}};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->pid) {
                s->found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Waits until they are gone too: a member still ending would keep the installation folder.
void KillTree(DWORD pid) {
    std::vector<Shell::UniqueHandle> ended;
    for (DWORD member : TreeOf(pid)) {
        Shell::UniqueHandle handle(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, member));
        if (handle && TerminateProcess(handle.Get(), 1)) {
            ended.push_back(std::move(handle));
        }
    }
    for (const Shell::UniqueHandle& handle : ended) {
        WaitForSingleObject(handle.Get(), 5000);
    }
}

} // namespace

std::wstring BuildFolder() {
    return Shell::Win32::ExecutableFolder();
}

Installation::Installation(std::wstring_view name, Tool tool, Runtime runtime)
    : folder_(name), profile_(ProfileFolder()) {
    CopyFromBuild(L"brindle.exe", L"brindle.exe");
    if (tool == Tool::StandIn) {
        CopyFromBuild(L"kiv.exe", L"kiv.exe");
    }
    if (runtime == Runtime::StandIn) {
        CopyFromBuild(L"webview2-standin.dll", L"WebView2Loader.dll");
    } else if (runtime == Runtime::WithoutVersionEntry) {
        CopyFromBuild(L"webview2-standin-noversion.dll", L"WebView2Loader.dll");
    } else if (runtime == Runtime::NotALibrary &&
               !WriteBytes(*this / L"WebView2Loader.dll", "no")) {
        throw std::runtime_error("cannot write the installation's loader library");
    }
}

std::wstring Installation::ProfileFolder() const {
    return Shell::Win32::KnownFolder(FOLDERID_LocalAppData) + L"\\Brindle\\WebView2\\" + Key();
}

Installation::ProfileCleaner::ProfileCleaner(std::wstring profile) : path(std::move(profile)) {
    RemoveTree(path);
}

Installation::ProfileCleaner::~ProfileCleaner() {
    RemoveTree(path);
}

std::wstring Installation::Key() const {
    return Shell::InstallKeyOf(Folder());
}

void Installation::CopyFromBuild(std::wstring_view buildName,
                                 std::wstring_view installedName) const {
    std::wstring from = BuildFolder() + std::wstring(buildName);
    std::wstring to = folder_ / installedName;
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy a build file into the installation");
    }
}

Run::Run(const Installation& installation, const Environment& extra,
         const std::wstring& currentDirectory, Console console) {
    std::wstring exe = installation / L"brindle.exe";
    std::wstring commandLine = L"\"" + exe + L"\"";
    std::wstring environment = EnvironmentBlock(extra);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    DWORD flags = CREATE_UNICODE_ENVIRONMENT | (console == Console::None ? DETACHED_PROCESS : 0);
    if (!CreateProcessW(
            exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, environment.data(),
            currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &started)) {
        throw std::runtime_error("cannot start brindle.exe");
    }
    CloseHandle(started.hThread);
    process_.Reset(started.hProcess);
    pid_ = started.dwProcessId;
}

Run::~Run() {
    if (WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
        KillTree(pid_);
    }
}

std::optional<DWORD> Run::WaitForExit(DWORD milliseconds) const {
    if (WaitForSingleObject(process_.Get(), milliseconds) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
}

HWND Run::WaitForWindow(const std::wstring& className, DWORD milliseconds) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows(pid_)) {
                if (ClassName(window) == className && IsWindowVisible(window)) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        milliseconds);
    return found;
}

std::vector<MessageBoxInfo> Run::Boxes() const {
    std::vector<MessageBoxInfo> boxes;
    for (HWND window : TopLevelWindows(pid_)) {
        if (ClassName(window) == L"#32770" && IsWindowVisible(window)) {
            boxes.push_back({window, WindowText(window), WindowText(GetDlgItem(window, 0xFFFF))});
        }
    }
    return boxes;
}

std::optional<MessageBoxInfo> Run::WaitForBox(DWORD milliseconds) const {
    std::optional<MessageBoxInfo> box;
    WaitUntil(
        [&] {
            auto boxes = Boxes();
            if (!boxes.empty()) {
                box = boxes.front();
            }
            return box.has_value();
        },
        milliseconds);
    return box;
}

void PressOk(const MessageBoxInfo& box) {
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

LogTail::LogTail() : start_(FileSize(Path())) {}

std::wstring LogTail::Path() {
    return Shell::Win32::KnownFolder(FOLDERID_LocalAppData) + L"\\Brindle\\app.log";
}

std::vector<LogTail::Line> LogTail::Lines() const {
    std::string appended = ReadBytes(Path()).substr(static_cast<std::size_t>(start_));
    std::vector<Line> lines;
    for (const auto& raw : SplitLines(appended)) {
        std::wstring text = Shell::Text::WideFromUtf8(raw);
        bool stamped =
            text.size() >= 25 && IsStamp(text.substr(0, 23)) && text.substr(23, 2) == L"  ";
        if (stamped) {
            lines.push_back({text.substr(0, 23), text.substr(25)});
        } else if (!lines.empty()) {
            // A message with line breaks: its continuation lines carry no stamp.
            lines.back().message += L"\r\n" + text;
        } else {
            lines.push_back({L"", text});
        }
    }
    return lines;
}

std::vector<std::wstring> LogTail::Messages() const {
    std::vector<std::wstring> messages;
    for (const auto& line : Lines()) {
        messages.push_back(line.message);
    }
    return messages;
}

bool LogTail::Contains(const std::wstring& message) const {
    auto messages = Messages();
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

long long LogTail::Count(const std::wstring& message) const {
    auto messages = Messages();
    return std::count(messages.begin(), messages.end(), message);
}

std::wstring LogTail::StartingWith(const std::wstring& start) const {
    for (const auto& message : Messages()) {
        if (message.rfind(start, 0) == 0) {
            return message;
        }
    }
    return L"";
}

std::wstring StartedTool::Address() const {
    return L"http://127.0.0.1:" + Shell::Text::Decimal(static_cast<std::int32_t>(port)) + L"/";
}

std::size_t IndexStartingWith(const std::vector<std::wstring>& messages,
                              const std::wstring& start) {
    auto found = std::find_if(messages.begin(), messages.end(),
                              [&](const std::wstring& m) { return m.rfind(start, 0) == 0; });
    return static_cast<std::size_t>(found - messages.begin());
}

long long CountStartingWith(const std::vector<std::wstring>& messages, const std::wstring& start) {
    return std::count_if(messages.begin(), messages.end(),
                         [&](const std::wstring& m) { return m.rfind(start, 0) == 0; });
}

StartedTool StartedToolOf(const LogTail& log) {
    std::wstring line = log.StartingWith(L"kiv.exe gestart (pid ");
    std::size_t close = line.find(L") op poort ");
    if (close == std::wstring::npos) {
        return {};
    }
    return {static_cast<DWORD>(std::stoul(line.substr(21, close - 21))),
            std::stoi(line.substr(close + 11))};
}

Environment ToolRecorder::With(Environment more) const {
    more.emplace_back(L"KIV_STANDIN_RECORD", path);
    return more;
}

ToolRecord ToolRecorder::Tool() const {
    for (const auto& record : ReadToolRecords(path).processes) {
        if (record.role == L"tool") {
            return record;
        }
    }
    return {};
}

Environment RuntimeRecorder::With(Environment more) const {
    more.emplace_back(L"WEBVIEW2_STANDIN_RECORD", path);
    return more;
}

std::vector<RuntimeEvent> RuntimeRecorder::Events(std::wstring_view name) const {
    return EventsNamed(ReadRuntimeRecord(path), name);
}

std::vector<RuntimeEvent> RuntimeRecorder::WaitForEvents(std::wstring_view name, std::size_t count,
                                                         DWORD milliseconds) const {
    std::vector<RuntimeEvent> events;
    WaitUntil(
        [&] {
            events = Events(name);
            return events.size() >= count;
        },
        milliseconds);
    return events;
}

std::wstring HandleHex(HWND window, bool upper) {
    return Shell::Text::Hex(reinterpret_cast<std::uintptr_t>(window),
                            upper ? Shell::Text::Case::Upper : Shell::Text::Case::Lower);
}

std::vector<ProcessInfo> Processes() {
    std::vector<ProcessInfo> processes;
    Shell::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    }
    return processes;
}

std::vector<DWORD> TreeOf(DWORD pid) {
    auto created = [](DWORD member) -> std::uint64_t {
        Shell::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, member));
        FILETIME creation{}, exited{}, kernel{}, user{};
        if (!process || !GetProcessTimes(process.Get(), &creation, &exited, &kernel, &user)) {
            return 0;
        }
        return (static_cast<std::uint64_t>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
    };
    auto processes = Processes();
    std::vector<Shell::ProcessTree::Facts> tree{{pid, 0, created(pid)}};
    for (std::size_t i = 0; i < tree.size(); ++i) {
        for (const auto& process : processes) {
            // Wine reuses ids at once, so a stale parent id must not pull in older processes.
            if (process.parent == tree[i].pid && process.pid != tree[i].pid) {
                Shell::ProcessTree::Facts candidate{process.pid, process.parent,
                                                    created(process.pid)};
                if (Shell::ProcessTree::IsChild(candidate, tree[i])) {
                    tree.push_back(candidate);
                }
            }
        }
    }
    std::vector<DWORD> pids;
    for (const auto& member : tree) {
        pids.push_back(member.pid);
    }
    return pids;
}

HeldPorts::HeldPorts(int first, int last, bool listening) {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
    for (int port = first; port <= last; ++port) {
        Shell::UniqueSocket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<u_short>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (!socket ||
            bind(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            (listening && listen(socket.Get(), SOMAXCONN) != 0)) {
            throw std::runtime_error("cannot hold a loopback port");
        }
        sockets_.push_back(std::move(socket));
    }
}

HeldPorts::~HeldPorts() {
    sockets_.clear();
    WSACleanup();
}

bool IsRunning(DWORD pid) {
    Shell::UniqueHandle handle(OpenProcess(SYNCHRONIZE, FALSE, pid));
    return handle && WaitForSingleObject(handle.Get(), 0) == WAIT_TIMEOUT;
}

} // namespace Brindle::Tests
