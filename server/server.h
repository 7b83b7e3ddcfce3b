// Supervises one run of the sibling tool kiv.exe: its port, its start, its readiness and its end.
#pragma once

#include "platform/prelude.h"
#include "platform/unique_handle.h"

#include <cstdint>
#include <optional>
#include <string>

namespace Brindle::Shell {

class Server final {
public:
    Server() = default;
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    // A tool that is still running must not outlive its supervisor.
    ~Server() { Stop(); }

    // The address of the tool's page; names port 0 until a port has been chosen.
    [[nodiscard]] std::wstring Url() const { return UrlOf(port); }
    // The address of the tool's page when it is served on that port.
    [[nodiscard]] static std::wstring UrlOf(std::int32_t toolPort);
    // A port of the shell's range, and the name that keeps it from the shell's other runs.
    struct ClaimedPort {
        std::int32_t port = 0;
        UniqueHandle claim; // none when no port could be claimed
    };
    // The first loopback port of 3900..3919 that no other run has claimed and that can be
    // listened on, with its claim; else the first that can be listened on, without a claim;
    // else 3900 without a claim.
    [[nodiscard]] static ClaimedPort FreePort();
    // Starts the tool and waits until it answers; an error text for the user when it does not.
    // Once per Server.
    [[nodiscard]] std::optional<std::wstring> Start();
    // Ends the tool's whole process tree while the tool runs; any number of calls, never fails.
    void Stop() noexcept;
    void Dispose() noexcept { Stop(); }

private:
    struct ToolProcess {
        UniqueHandle handle;
        DWORD id = 0;
    };

    [[nodiscard]] std::optional<std::wstring> WaitForPort() const;
    [[nodiscard]] std::optional<std::wstring> Launch(const std::wstring& folder,
                                                     const std::wstring& toolPath);

    std::optional<ToolProcess> process;
    // Held while the tool may run; a tool that never started leaves it until the process ends.
    UniqueHandle portClaim;
    std::int32_t port = 0;
};

} // namespace Brindle::Shell
