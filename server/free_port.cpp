#include "server/server.h"

#include "platform/text.h"
#include "server/winsock.h"

#include <vector>

namespace Brindle::Shell {

namespace {

constexpr std::int32_t FirstPort = 3900;
constexpr std::int32_t PortCount = 20;

// Binds without any address-sharing option, so that a port someone listens on counts as busy.
bool CanListenOn(std::int32_t port) {
    UniqueSocket probe = Winsock::NewTcpSocket();
    if (!probe) {
        return false;
    }
    sockaddr_in address = Winsock::Loopback(port);
    if (bind(probe.Get(), reinterpret_cast<const sockaddr*>(&address),
             static_cast<int>(sizeof(address))) == SOCKET_ERROR ||
        listen(probe.Get(), SOMAXCONN) == SOCKET_ERROR) {
        return false;
    }
    // The port is only probed: it must be free again before the tool binds it.
    return closesocket(probe.Release()) == 0;
}

// A probe alone leaves a gap until the tool binds the port, in which another run would find it
// free too; the name keeps the port for this run while its tool may run. Not inheritable, so
// the tool cannot keep it past its run.
UniqueHandle ClaimPort(std::int32_t port) {
    std::wstring name = L"Local\\BrindleShell-port-" + Text::Decimal(port);
    UniqueHandle claim(CreateMutexExW(nullptr, name.c_str(), 0, SYNCHRONIZE));
    if (claim && GetLastError() == ERROR_ALREADY_EXISTS) {
        claim.Reset();
    }
    return claim;
}

} // namespace

Server::ClaimedPort Server::FreePort() {
    std::vector<std::int32_t> unclaimed;
    for (std::int32_t port = FirstPort; port < FirstPort + PortCount; ++port) {
        UniqueHandle claim = ClaimPort(port);
        if (!claim) {
            unclaimed.push_back(port);
        } else if (CanListenOn(port)) {
            return {port, std::move(claim)};
        }
    }
    // Without names to be had (any program may hold them all), the probe alone still keeps a
    // run off a port in use. A port found busy a moment ago is not probed again, which keeps
    // the probes at 20.
    for (std::int32_t port : unclaimed) {
        if (CanListenOn(port)) {
            return {port, UniqueHandle()};
        }
    }
    // The tool gets its chance on the first port all the same; the readiness wait decides.
    return {FirstPort, UniqueHandle()};
}

} // namespace Brindle::Shell
