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
    // The first loopback port of 3900..3919 that can be listened on, or 3900 when none can.
    [[nodiscard]] static std::int32_t FreePort();
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
    std::int32_t port = 0;
};

} // namespace Brindle::Shell
