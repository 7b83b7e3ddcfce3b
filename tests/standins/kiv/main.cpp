// Test stand-in for kiv.exe: behaves like `kiv ui --no-browser --port N` closely enough for the
// shell's start, readiness probe and tree kill, and lets a test choose failures through the
// environment. See README.md next to this file for the contract.

#include "platform/prelude.h"

#include <aclapi.h>
#include <sddl.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include "platform/unique_handle.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr int kExitInternal = 1;
constexpr int kExitUsage = 2;
constexpr int kExitListen = 3;
constexpr int kExitDescendants = 4;
constexpr int kExitRecord = 5;
constexpr int kExitLifetime = 6;

// Longer than any test may take, so that only a process that nobody ended lives this long.
constexpr DWORD kLifetimeMs = 10 * 60 * 1000;

// Nested waits: a child gives up on its grandchildren before the tool gives up on the child.
constexpr DWORD kChildReadyTimeoutMs = 15000;
constexpr DWORD kGrandchildReadyTimeoutMs = 10000;

constexpr unsigned kMaxDescendantsPerLevel = 64;
constexpr std::uint64_t kMaxDelayMs = 0x7FFFFFFF; // keeps clear of INFINITE

constexpr DWORD kRequestTimeoutMs = 2000;
constexpr DWORD kDrainTimeoutMs = 1000;
constexpr std::size_t kMaxRequestBytes = 16 * 1024;

enum class Role { Tool, Child, Grandchild };

using Brindle::Shell::UniqueHandle;
using Brindle::Shell::UniqueSocket;

class WinsockSession {
public:
    WinsockSession() noexcept {
        WSADATA data{};
        ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    ~WinsockSession() {
        if (ok_) {
            WSACleanup();
        }
    }
    explicit operator bool() const noexcept { return ok_; }

private:
    bool ok_ = false;
};

class MutexLock {
public:
    MutexLock(HANDLE mutex, DWORD timeoutMs) noexcept {
        if (mutex != nullptr) {
            // An abandoned mutex still belongs to us; a killed writer must not block the rest.
            const DWORD r = WaitForSingleObject(mutex, timeoutMs);
            if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) {
                mutex_ = mutex;
            }
        }
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;
    ~MutexLock() {
        if (mutex_ != nullptr) {
            ReleaseMutex(mutex_);
        }
    }

private:
    HANDLE mutex_ = nullptr;
};

struct LocalFreeDeleter {
    void operator()(LPWSTR* p) const noexcept { LocalFree(p); }
};

std::string toUtf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), needed, nullptr, nullptr);
    return out;
}

int fail(int code, std::wstring_view message) {
    // Only visible when run by hand from a console; under CREATE_NO_WINDOW this goes nowhere.
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err != nullptr && err != INVALID_HANDLE_VALUE) {
        const std::string text = "kiv stand-in: " + toUtf8(message) + "\n";
        DWORD written = 0;
        WriteFile(err, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    return code;
}

std::vector<std::wstring> commandLineArguments() {
    int argc = 0;
    const std::unique_ptr<LPWSTR, LocalFreeDeleter> argv(
        CommandLineToArgvW(GetCommandLineW(), &argc));
    std::vector<std::wstring> args;
    if (argv) {
        for (int i = 0; i < argc; ++i) {
            args.emplace_back(argv.get()[i]);
        }
    }
    return args;
}

std::optional<std::wstring> environmentValue(const wchar_t* name) {
    std::wstring value(256, L'\0');
    for (;;) {
        const DWORD n =
            GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (n == 0) {
            return std::nullopt; // unset and empty mean the same here
        }
        if (n < value.size()) {
            value.resize(n);
            return value;
        }
        value.resize(n);
    }
}

std::optional<std::uint64_t> parseDecimal(std::wstring_view text, std::uint64_t max) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        const auto digit = static_cast<std::uint64_t>(c - L'0');
        if (value > (max - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return value;
}

std::optional<UINT> parseExitCode(std::wstring_view text) {
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
        const std::wstring_view digits = text.substr(2);
        if (digits.size() > 8) {
            return std::nullopt;
        }
        std::uint32_t value = 0;
        for (const wchar_t c : digits) {
            std::uint32_t digit = 0;
            if (c >= L'0' && c <= L'9') {
                digit = static_cast<std::uint32_t>(c - L'0');
            } else if (c >= L'a' && c <= L'f') {
                digit = static_cast<std::uint32_t>(c - L'a' + 10);
            } else if (c >= L'A' && c <= L'F') {
                digit = static_cast<std::uint32_t>(c - L'A' + 10);
            } else {
                return std::nullopt;
            }
            value = (value << 4) | digit;
        }
        return value;
    }
    bool negative = false;
    if (!text.empty() && (text[0] == L'-' || text[0] == L'+')) {
        negative = text[0] == L'-';
        text.remove_prefix(1);
    }
    // NTSTATUS-style codes arrive both as negative int32 and as plain unsigned decimal.
    const auto magnitude = parseDecimal(text, negative ? 0x80000000ULL : 0xFFFFFFFFULL);
    if (!magnitude) {
        return std::nullopt;
    }
    const std::uint64_t bits = negative ? (0x100000000ULL - *magnitude) : *magnitude;
    return static_cast<UINT>(bits & 0xFFFFFFFFULL);
}

struct Settings {
    std::optional<std::wstring> recordPath;
    unsigned children = 0;
    unsigned grandchildren = 0;
    std::optional<UINT> exitCode;
    DWORD exitDelayMs = 0;
    bool noListen = false;
    DWORD listenDelayMs = 0;
    bool lateChild = false;
    bool guardedChildren = false;
};

// Returns the name of the first variable that does not parse, or nothing on success.
std::optional<std::wstring> readSettings(Settings& settings) {
    settings.recordPath = environmentValue(L"KIV_STANDIN_RECORD");

    const auto count = [](const wchar_t* name, unsigned& out) {
        if (const auto text = environmentValue(name)) {
            const auto value = parseDecimal(*text, kMaxDescendantsPerLevel);
            if (!value) {
                return false;
            }
            out = static_cast<unsigned>(*value);
        }
        return true;
    };
    const auto delay = [](const wchar_t* name, DWORD& out) {
        if (const auto text = environmentValue(name)) {
            const auto value = parseDecimal(*text, kMaxDelayMs);
            if (!value) {
                return false;
            }
            out = static_cast<DWORD>(*value);
        }
        return true;
    };

    if (!count(L"KIV_STANDIN_CHILDREN", settings.children)) {
        return L"KIV_STANDIN_CHILDREN";
    }
    if (!count(L"KIV_STANDIN_GRANDCHILDREN", settings.grandchildren)) {
        return L"KIV_STANDIN_GRANDCHILDREN";
    }
    if (!delay(L"KIV_STANDIN_EXIT_DELAY_MS", settings.exitDelayMs)) {
        return L"KIV_STANDIN_EXIT_DELAY_MS";
    }
    if (const auto text = environmentValue(L"KIV_STANDIN_EXIT")) {
        settings.exitCode = parseExitCode(*text);
        if (!settings.exitCode) {
            return L"KIV_STANDIN_EXIT";
        }
    }
    const auto flag = [](const wchar_t* name, bool& out) {
        if (const auto text = environmentValue(name)) {
            if (*text != L"0" && *text != L"1") {
                return false;
            }
            out = *text == L"1";
        }
        return true;
    };
    if (!flag(L"KIV_STANDIN_NO_LISTEN", settings.noListen)) {
        return L"KIV_STANDIN_NO_LISTEN";
    }
    if (!flag(L"KIV_STANDIN_LATE_CHILD", settings.lateChild)) {
        return L"KIV_STANDIN_LATE_CHILD";
    }
    if (!flag(L"KIV_STANDIN_GUARDED_CHILDREN", settings.guardedChildren)) {
        return L"KIV_STANDIN_GUARDED_CHILDREN";
    }
    if (!delay(L"KIV_STANDIN_LISTEN_DELAY_MS", settings.listenDelayMs)) {
        return L"KIV_STANDIN_LISTEN_DELAY_MS";
    }
    return std::nullopt;
}

struct Arguments {
    Role role = Role::Tool;
    std::uint16_t port = 0;
};

std::optional<std::wstring> parseArguments(const std::vector<std::wstring>& args, Arguments& out) {
    bool havePort = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == L"--standin-role") {
            if (i + 1 >= args.size()) {
                return L"--standin-role needs a value";
            }
            const std::wstring& value = args[++i];
            if (value == L"child") {
                out.role = Role::Child;
            } else if (value == L"grandchild") {
                out.role = Role::Grandchild;
            } else {
                return L"unknown --standin-role";
            }
        } else if (args[i] == L"--port") {
            if (i + 1 >= args.size()) {
                return L"--port needs a value";
            }
            const auto value = parseDecimal(args[++i], 65535);
            if (!value || *value == 0) {
                return L"bad --port value";
            }
            out.port = static_cast<std::uint16_t>(*value);
            havePort = true;
        }
    }
    // Descendants are started without a port; they never listen.
    if (out.role == Role::Tool && !havePort) {
        return L"missing --port";
    }
    return std::nullopt;
}

DWORD parentProcessId() {
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return 0;
    }
    const DWORD self = GetCurrentProcessId();
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL ok = Process32FirstW(snapshot.Get(), &entry); ok;
         ok = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == self) {
            return entry.th32ParentProcessID;
        }
    }
    return 0;
}

std::wstring currentDirectory() {
    std::wstring dir;
    for (;;) {
        const DWORD needed = GetCurrentDirectoryW(0, nullptr);
        if (needed == 0) {
            return {};
        }
        dir.resize(needed);
        const DWORD n = GetCurrentDirectoryW(needed, dir.data());
        if (n < needed) {
            dir.resize(n);
            return dir;
        }
    }
}

std::wstring modulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return {};
        }
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

const wchar_t* roleName(Role role) {
    switch (role) {
    case Role::Child:
        return L"child";
    case Role::Grandchild:
        return L"grandchild";
    case Role::Tool:
        break;
    }
    return L"tool";
}

std::string recordBlock(const std::vector<std::wstring>& args, Role role) {
    std::string block;
    const auto line = [&block](std::string_view key, std::string_view value) {
        block.append(key).append("=").append(value).append("\n");
    };
    line("pid", std::to_string(GetCurrentProcessId()));
    line("parent", std::to_string(parentProcessId()));
    line("cmdline", toUtf8(GetCommandLineW()));
    line("cwd", toUtf8(currentDirectory()));
    line("argc", std::to_string(args.size()));
    for (std::size_t i = 1; i < args.size(); ++i) {
        line("arg" + std::to_string(i), toUtf8(args[i]));
    }
    line("role", toUtf8(roleName(role)));
    line("console", GetConsoleWindow() != nullptr ? "yes" : "no");
    block.append("end\n");
    return block;
}

bool appendRecord(const std::wstring& path, const std::string& block) {
    // The whole tree appends to one file at once; serialise so blocks never interleave.
    const UniqueHandle mutex(CreateMutexW(nullptr, FALSE, L"Local\\kiv-standin-record"));
    const MutexLock lock(mutex.Get(), 10000);

    UniqueHandle file;
    for (int attempt = 0;; ++attempt) {
        file = UniqueHandle(CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            break;
        }
        // A reader that opened the file without write sharing only holds it briefly.
        if (GetLastError() != ERROR_SHARING_VIOLATION || attempt >= 40) {
            return false;
        }
        Sleep(50);
    }

    std::size_t done = 0;
    while (done < block.size()) {
        DWORD written = 0;
        if (!WriteFile(file.Get(), block.data() + done, static_cast<DWORD>(block.size() - done),
                       &written, nullptr) ||
            written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

std::wstring readyEventName(DWORD pid) {
    return L"Local\\kiv-standin-ready-" + std::to_wstring(pid);
}

struct Descendant {
    UniqueHandle process;
    UniqueHandle ready;
};

// Children start suspended so the ready event, named after their pid, exists before they run.
bool startDescendants(unsigned count, Role role, std::vector<Descendant>& out,
                      DWORD console = CREATE_NO_WINDOW) {
    const std::wstring exe = modulePath();
    if (exe.empty()) {
        return false;
    }
    const std::wstring commandLine =
        L"\"" + exe + L"\" --standin-role " + std::wstring(roleName(role));
    for (unsigned i = 0; i < count; ++i) {
        std::wstring mutableCommandLine = commandLine; // CreateProcessW may write into it
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(exe.c_str(), mutableCommandLine.data(), nullptr, nullptr, FALSE,
                            console | CREATE_SUSPENDED, nullptr, nullptr, &startup, &info)) {
            return false;
        }
        Descendant descendant{UniqueHandle(info.hProcess), UniqueHandle()};
        const UniqueHandle thread(info.hThread);
        descendant.ready = UniqueHandle(
            CreateEventW(nullptr, TRUE, FALSE, readyEventName(info.dwProcessId).c_str()));
        const bool running =
            descendant.ready && ResumeThread(thread.Get()) != static_cast<DWORD>(-1);
        if (!running) {
            TerminateProcess(descendant.process.Get(), static_cast<UINT>(kExitDescendants));
            return false;
        }
        out.push_back(std::move(descendant));
    }
    return true;
}

bool waitUntilReady(const std::vector<Descendant>& descendants, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (const Descendant& d : descendants) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        // A descendant that dies before it is ready would otherwise cost the whole timeout.
        const HANDLE handles[2] = {d.ready.Get(), d.process.Get()};
        if (WaitForMultipleObjects(2, handles, FALSE, left) != WAIT_OBJECT_0) {
            return false;
        }
    }
    return true;
}

std::wstring lateEventName(DWORD pid) {
    return L"Local\\kiv-standin-late-" + std::to_wstring(pid);
}

// Made before the child's record, which tells the test that it may be set.
UniqueHandle makeLateEvent() {
    return UniqueHandle(
        CreateEventW(nullptr, TRUE, FALSE, lateEventName(GetCurrentProcessId()).c_str()));
}

// Plays a process that is inside CreateProcessW when it is told to end: once the event is set,
// it starts a child 50 ms later and exits 50 ms after that.
int startLateChild(HANDLE told, const std::wstring& recordPath) {
    // Until told, or the lifetime is over.
    if (WaitForSingleObject(told, INFINITE) != WAIT_OBJECT_0) {
        return fail(kExitInternal, L"cannot wait for the late child's event");
    }
    Sleep(50);
    std::vector<Descendant> child;
    if (!startDescendants(1, Role::Grandchild, child)) {
        return fail(kExitDescendants, L"the late child did not start");
    }
    const std::string pid = std::to_string(GetProcessId(child.front().process.Get()));
    if (!appendRecord(recordPath, "late=" + pid + "\n")) {
        return fail(kExitRecord, L"cannot record the late child");
    }
    Sleep(50);
    ExitProcess(0);
}

std::wstring releaseEventName(DWORD pid) {
    return L"Local\\kiv-standin-release-" + std::to_wstring(pid);
}

// Everyone may wait for and query this process, nobody may end it: a tree kill fails on it.
bool withholdTheRightToEnd() {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:(A;;0x101000;;;WD)", SDDL_REVISION_1, &descriptor, nullptr)) {
        return false;
    }
    const std::unique_ptr<void, decltype(&LocalFree)> owned(descriptor, &LocalFree);
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    return GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) && present &&
           SetSecurityInfo(GetCurrentProcess(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION,
                           nullptr, nullptr, dacl, nullptr) == ERROR_SUCCESS;
}

void signalReady() {
    const UniqueHandle ready(
        OpenEventW(EVENT_MODIFY_STATE, FALSE, readyEventName(GetCurrentProcessId()).c_str()));
    if (ready) {
        SetEvent(ready.Get());
    }
}

bool sendAll(SOCKET s, std::string_view data) {
    while (!data.empty()) {
        const int n = send(s, data.data(), static_cast<int>(data.size()), 0);
        if (n <= 0) {
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void setTimeouts(SOCKET s, DWORD ms) {
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms),
               static_cast<int>(sizeof(ms)));
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&ms),
               static_cast<int>(sizeof(ms)));
}

std::string makePage(std::uint16_t port) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>kiv stand-in</title>"
           "</head>\n<body><h1>kiv stand-in</h1><p>port " +
           std::to_string(port) + ", pid " + std::to_string(GetCurrentProcessId()) +
           "</p></body></html>\n";
}

std::string makeResponse(std::string_view request, const std::string& page) {
    const bool get = request.substr(0, 4) == "GET ";
    const bool head = request.substr(0, 5) == "HEAD ";
    if (!get && !head) {
        return "HTTP/1.1 405 Method Not Allowed\r\nAllow: GET, HEAD\r\nContent-Length: 0\r\n"
               "Connection: close\r\n\r\n";
    }
    std::string response = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                           "Content-Length: " +
                           std::to_string(page.size()) +
                           "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
    if (get) {
        response += page;
    }
    return response;
}

void handleClient(UniqueSocket client, std::string page) {
    setTimeouts(client.Get(), kRequestTimeoutMs);
    std::string request;
    char buffer[2048];
    while (request.size() < kMaxRequestBytes) {
        const int n = recv(client.Get(), buffer, static_cast<int>(sizeof(buffer)), 0);
        if (n <= 0) {
            break;
        }
        request.append(buffer, static_cast<std::size_t>(n));
        if (request.find("\r\n\r\n") != std::string::npos ||
            request.find("\n\n") != std::string::npos) {
            break;
        }
    }
    // Readiness probes connect and close without a word.
    if (request.empty()) {
        return;
    }
    if (!sendAll(client.Get(), makeResponse(request, page))) {
        return;
    }
    // Closing with unread input would reset the connection and could cost the client the answer.
    shutdown(client.Get(), SD_SEND);
    setTimeouts(client.Get(), kDrainTimeoutMs);
    for (int i = 0; i < 64 && recv(client.Get(), buffer, static_cast<int>(sizeof(buffer)), 0) > 0;
         ++i) {
    }
}

// The local time as the shell's log stamps it, so that a benchmark can compare the two.
std::string localStamp() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    return text;
}

int serve(std::uint16_t port, const std::optional<std::wstring>& recordPath) {
    const WinsockSession winsock;
    if (!winsock) {
        return fail(kExitListen, L"WSAStartup failed");
    }
    const UniqueSocket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!listener) {
        return fail(kExitListen, L"socket failed");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address),
             static_cast<int>(sizeof(address))) == SOCKET_ERROR ||
        listen(listener.Get(), SOMAXCONN) == SOCKET_ERROR) {
        return fail(kExitListen, L"cannot listen on 127.0.0.1:" + std::to_wstring(port));
    }

    const std::string page = makePage(port);
    bool firstAccepted = false;
    for (;;) {
        UniqueSocket client(accept(listener.Get(), nullptr, nullptr));
        if (!client) {
            Sleep(10); // a reset before accept completes is not fatal
            continue;
        }
        if (recordPath && !firstAccepted) {
            firstAccepted = true;
            appendRecord(*recordPath, "accepted=" + localStamp() + "\n");
        }
        // One thread per connection: an idle preconnected socket must not stall the next one.
        try {
            std::thread(handleClient, std::move(client), page).detach();
        } catch (const std::system_error&) {
            // The connection is dropped; the client will retry.
        }
    }
}

// The level below this process, all up; a half-built tree is ended again, since it would make
// the test's pid bookkeeping lie.
bool startTree(Role role, const Settings& settings) {
    const unsigned count = role == Role::Tool    ? settings.children
                           : role == Role::Child ? settings.grandchildren
                                                 : 0;
    if (count == 0) {
        return true;
    }
    const Role below = role == Role::Tool ? Role::Child : Role::Grandchild;
    const DWORD timeoutMs = role == Role::Tool ? kChildReadyTimeoutMs : kGrandchildReadyTimeoutMs;
    // Under Wine a console process ends with its console host. A child that is to start its
    // late child after it was told to end, or that nobody may end, gets no host, so that
    // nothing but the walk or its own release ends it.
    const DWORD console = role == Role::Tool && (settings.lateChild || settings.guardedChildren)
                              ? DETACHED_PROCESS
                              : CREATE_NO_WINDOW;
    std::vector<Descendant> descendants;
    if (startDescendants(count, below, descendants, console) &&
        waitUntilReady(descendants, timeoutMs)) {
        return true;
    }
    for (const Descendant& d : descendants) {
        TerminateProcess(d.process.Get(), static_cast<UINT>(kExitDescendants));
    }
    return false;
}

// Ends the process once its lifetime is over, whatever it is waiting for then.
bool limitLifetime() {
    try {
        std::thread([] {
            Sleep(kLifetimeMs);
            fail(kExitLifetime, L"lifetime over, nobody ended this process");
            ExitProcess(static_cast<UINT>(kExitLifetime));
        }).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

int run() {
    const std::vector<std::wstring> args = commandLineArguments();
    Arguments arguments;
    if (const auto error = parseArguments(args, arguments)) {
        return fail(kExitUsage, *error);
    }
    Settings settings;
    if (const auto bad = readSettings(settings)) {
        return fail(kExitUsage, L"cannot parse " + *bad);
    }
    // A tool that serves runs until it is ended, as the real one does, for as long as a run by
    // hand is used; every other process ends itself in time.
    const bool serves = arguments.role == Role::Tool && !settings.exitCode && !settings.noListen;
    if (!serves && !limitLifetime()) {
        return fail(kExitInternal, L"cannot limit the lifetime");
    }

    UniqueHandle release;
    if (settings.guardedChildren && arguments.role == Role::Child) {
        release = UniqueHandle(
            CreateEventW(nullptr, TRUE, FALSE, releaseEventName(GetCurrentProcessId()).c_str()));
        if (!release || !withholdTheRightToEnd()) {
            return fail(kExitInternal, L"cannot guard the child");
        }
    }
    UniqueHandle told;
    if (settings.lateChild && arguments.role == Role::Child) {
        told = makeLateEvent();
        if (!told || !settings.recordPath) {
            return fail(kExitUsage, L"KIV_STANDIN_LATE_CHILD needs an event and a record");
        }
    }
    if (settings.recordPath &&
        !appendRecord(*settings.recordPath, recordBlock(args, arguments.role))) {
        return fail(kExitRecord, L"cannot append to " + *settings.recordPath);
    }

    const Role role = arguments.role;
    if (!startTree(role, settings)) {
        return fail(kExitDescendants, L"descendants did not start");
    }
    if (role != Role::Tool) {
        signalReady();
        if (told) {
            return startLateChild(told.Get(), *settings.recordPath);
        }
        if (release) {
            // Until released, or the lifetime is over.
            WaitForSingleObject(release.Get(), INFINITE);
            return 0;
        }
        // Until killed, or the lifetime is over.
        Sleep(INFINITE);
        return 0;
    }

    if (settings.exitCode) {
        Sleep(settings.exitDelayMs);
        ExitProcess(*settings.exitCode);
    }
    if (settings.noListen) {
        // As a descendant does.
        Sleep(INFINITE);
        return 0;
    }
    if (settings.listenDelayMs > 0) {
        Sleep(settings.listenDelayMs);
    }
    return serve(arguments.port, settings.recordPath);
}

} // namespace

int wmain(int, wchar_t*[]) {
    try {
        return run();
    } catch (...) {
        return fail(kExitInternal, L"unexpected failure");
    }
}
