// The little of Winsock that the supervisor needs: a started library and loopback TCP sockets.
#pragma once

#include "platform/prelude.h"
#include "platform/unique_handle.h"

#include <cstdint>

namespace Brindle::Shell::Winsock {

// A new IPv4 TCP socket that no child process inherits; invalid when the socket layer refuses.
UniqueSocket NewTcpSocket();
// 127.0.0.1 at port.
sockaddr_in Loopback(std::int32_t port);

} // namespace Brindle::Shell::Winsock
