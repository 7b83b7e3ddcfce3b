#include "server/server.h"

#include "server/winsock.h"

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

} // namespace

std::int32_t Server::FreePort() {
    for (std::int32_t port = FirstPort; port < FirstPort + PortCount; ++port) {
        if (CanListenOn(port)) {
            return port;
        }
    }
    // The tool gets its chance on the first port all the same; the readiness wait decides.
    return FirstPort;
}

} // namespace Brindle::Shell
