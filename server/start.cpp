#include "server/server.h"

#include "platform/text.h"
#include "platform/win32.h"
#include "shell/log.h"

namespace Brindle::Shell {

namespace {

// A folder of that name, or a failure to look, is no tool either.
bool IsFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Only the path can hold blanks; the arguments never do.
std::wstring CommandLine(const std::wstring& toolPath, std::int32_t port) {
    return L"\"" + toolPath + L"\" ui --no-browser --port " + Text::Decimal(port);
}

std::wstring RefusalText(const std::wstring& toolPath, const std::wstring& folder, DWORD error) {
    std::wstring reason = error == ERROR_BAD_EXE_FORMAT || error == ERROR_EXE_MACHINE_TYPE_MISMATCH
                              ? L"The specified executable is not a valid application for this "
                                L"OS platform."
                              : Win32::SystemMessage(error);
    return L"kiv.exe could not start: An error occurred trying to start process '" + toolPath +
           L"' with working directory '" + folder + L"'. " + reason;
}

} // namespace

std::optional<std::wstring> Server::Start() {
    std::wstring folder = Win32::ExecutableFolder();
    std::wstring toolPath = folder + L"kiv.exe";
    if (!IsFile(toolPath)) {
        return L"kiv.exe was not found next to the app (" + toolPath + L").";
    }
    ClaimedPort chosen = FreePort();
    port = chosen.port;
    portClaim = std::move(chosen.claim);
    if (auto refused = Launch(folder, toolPath)) {
        return refused;
    }
    Log::Write(L"kiv.exe gestart (pid " + Text::Decimal(process->id) + L") op poort " +
               Text::Decimal(port));
    return WaitForPort();
}

std::optional<std::wstring> Server::Launch(const std::wstring& folder,
                                           const std::wstring& toolPath) {
    // CreateProcessW may write into the command line.
    std::wstring commandLine = CommandLine(toolPath, port);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    // No console of its own: the tool is a command-line program, and the user only sees the app.
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, folder.c_str(), &startup, &started)) {
        return RefusalText(toolPath, folder, GetLastError());
    }
    UniqueHandle thread(started.hThread);
    UniqueHandle tool(started.hProcess);
    if (!tool) {
        return L"kiv.exe could not start.";
    }
    process = ToolProcess{std::move(tool), started.dwProcessId};
    return std::nullopt;
}

} // namespace Brindle::Shell
