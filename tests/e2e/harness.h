// What the end-to-end tests do with a real brindle.exe: install it into a folder, start it, watch
// its windows, boxes, log lines, exit code and the processes it leaves.
#pragma once

#include "support/browser_record.h"
#include "support/runtime_records.h"
#include "support/scratch_folder.h"
#include "support/shared_log.h"
#include "support/tool_records.h"

#include "platform/prelude.h"
#include "platform/unique_handle.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Brindle::Tests {

// The folder of the test executable, where the build puts brindle.exe and the stand-ins.
std::wstring BuildFolder();

// An installation folder: a temporary folder with a copy of brindle.exe and, unless told
// otherwise, the stand-in tool as kiv.exe.
class Installation {
public:
    enum class Tool { StandIn, None };
    // The loader library beside the exe: the stand-in runtime, the stand-in without its version
    // entry point, a text file of that name, or none at all.
    enum class Runtime { StandIn, WithoutVersionEntry, NotALibrary, None };

    explicit Installation(std::wstring_view name = L"Brindle", Tool tool = Tool::StandIn,
                          Runtime runtime = Runtime::StandIn);

    // Ends in a backslash.
    [[nodiscard]] const std::wstring& Folder() const { return folder_.Path(); }
    [[nodiscard]] std::wstring operator/(std::wstring_view child) const { return folder_ / child; }
    [[nodiscard]] std::wstring Key() const;
    // The class of the main window that a run from this folder shows.
    [[nodiscard]] std::wstring WindowClass() const { return L"BrindleShellWindow-" + Key(); }
    // Copies a file of the build folder into the installation under another name.
    void CopyFromBuild(std::wstring_view buildName, std::wstring_view installedName) const;
    // The browser control's profile of this installation, in the prefix's shared folder.
    [[nodiscard]] std::wstring ProfileFolder() const;

private:
    // A folder name can come back once Wine hands out the same process ids again, so neither a
    // profile found at the start nor one left at the end may carry into another test.
    struct ProfileCleaner {
        std::wstring path;
        explicit ProfileCleaner(std::wstring profile);
        ProfileCleaner(const ProfileCleaner&) = delete;
        ProfileCleaner& operator=(const ProfileCleaner&) = delete;
        ~ProfileCleaner();
    };

    ScratchFolder folder_;
    ProfileCleaner profile_;
};

using Environment = std::vector<std::pair<std::wstring, std::wstring>>;

struct MessageBoxInfo {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
};

// How a run is started: from the test's console, which Wine lets the shell share although it is
// a GUI program, or without any console, as Explorer starts it.
enum class Console { Shared, None };

// One run of brindle.exe from an installation, started from the given current directory, or
// from the test's own when none is given.
class Run {
public:
    explicit Run(const Installation& installation, const Environment& extra = {},
                 const std::wstring& currentDirectory = L"", Console console = Console::Shared);
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    // A run that a failed check left behind is ended, so it cannot disturb the next test.
    ~Run();

    [[nodiscard]] DWORD Pid() const { return pid_; }
    // The exit code, or none when the process is still running after the limit.
    std::optional<DWORD> WaitForExit(DWORD milliseconds) const;
    // The first visible top-level window of this process with that class.
    HWND WaitForWindow(const std::wstring& className, DWORD milliseconds) const;
    std::optional<MessageBoxInfo> WaitForBox(DWORD milliseconds) const;
    [[nodiscard]] std::vector<MessageBoxInfo> Boxes() const;

private:
    Shell::UniqueHandle process_;
    DWORD pid_ = 0;
};

void PressOk(const MessageBoxInfo& box);

// The shared log of the prefix, read from the size it had when the reader was made.
class LogTail {
public:
    LogTail();
    struct Line {
        std::wstring stamp;
        std::wstring message;
    };
    // Lines whose stamp is not of the right form keep the whole text as message and no stamp.
    [[nodiscard]] std::vector<Line> Lines() const;
    [[nodiscard]] std::vector<std::wstring> Messages() const;
    [[nodiscard]] bool Contains(const std::wstring& message) const;
    [[nodiscard]] long long Count(const std::wstring& message) const;
    // The first message that begins so, or the empty text.
    [[nodiscard]] std::wstring StartingWith(const std::wstring& start) const;
    static std::wstring Path();

private:
    unsigned long long start_;
};

// The index of the first message that begins so, or the count of messages when none does.
std::size_t IndexStartingWith(const std::vector<std::wstring>& messages, const std::wstring& start);
long long CountStartingWith(const std::vector<std::wstring>& messages, const std::wstring& start);

// The tool as the log reports its start: "kiv.exe gestart (pid N) op poort P".
struct StartedTool {
    DWORD pid = 0;
    int port = 0;
    [[nodiscard]] std::wstring Address() const;
};
StartedTool StartedToolOf(const LogTail& log);

// The stand-in tool's record file, with the variable that makes the tool write it.
struct ToolRecorder {
    ScratchFolder folder{L"records"};
    std::wstring path = folder / L"tool.txt";
    [[nodiscard]] Environment With(Environment more = {}) const;
    // The tool's own record, not its descendants'.
    [[nodiscard]] ToolRecord Tool() const;
};

// The stand-in runtime's record file, with the variable that makes the runtime write it.
struct RuntimeRecorder {
    ScratchFolder folder{L"runtime"};
    std::wstring path = folder / L"runtime.txt";
    [[nodiscard]] Environment With(Environment more = {}) const;
    [[nodiscard]] std::vector<RuntimeEvent> Events(std::wstring_view name) const;
    // Waits until that many events of the name have been recorded; answers them all.
    [[nodiscard]] std::vector<RuntimeEvent> WaitForEvents(std::wstring_view name, std::size_t count,
                                                          DWORD milliseconds) const;
};

// A window handle's value in hexadecimal, as the log writes it.
std::wstring HandleHex(HWND window, bool upper);

struct ProcessInfo {
    DWORD pid;
    DWORD parent;
    std::wstring exe;
};
std::vector<ProcessInfo> Processes();
bool IsRunning(DWORD pid);
// The process and every process descended from it that runs now, found by parent ids.
std::vector<DWORD> TreeOf(DWORD pid);

// Loopback ports that the test holds: bound, so that nobody else can bind them, and listening
// only when asked, so that a connection to them is otherwise refused.
class HeldPorts {
public:
    HeldPorts(int first, int last, bool listening = false);
    HeldPorts(const HeldPorts&) = delete;
    HeldPorts& operator=(const HeldPorts&) = delete;
    ~HeldPorts();

private:
    std::vector<Shell::UniqueSocket> sockets_;
};

// Polls until the check holds or the limit has passed; answers the last check.
template <typename Check>
bool WaitUntil(Check check, DWORD milliseconds) {
    ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        if (check()) {
            return true;
        }
        if (GetTickCount64() >= end) {
            return false;
        }
        Sleep(20);
    }
}

} // namespace Brindle::Tests
