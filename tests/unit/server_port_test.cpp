#include "server/server.h"
#include "server/winsock.h"

#include <doctest.h>

#include <vector>

using namespace Brindle::Shell;

namespace {

// Another program's listener; invalid when the port is busy already, which serves as well.
UniqueSocket ListenOn(std::int32_t port) {
    UniqueSocket listener = Winsock::NewTcpSocket();
    sockaddr_in address = Winsock::Loopback(port);
    if (bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address),
             static_cast<int>(sizeof(address))) == SOCKET_ERROR ||
        listen(listener.Get(), SOMAXCONN) == SOCKET_ERROR) {
        return UniqueSocket();
    }
    return listener;
}

} // namespace

TEST_SUITE("server_port") {
    TEST_CASE("busy ports are passed over, and the probe holds on to nothing") {
        std::vector<UniqueSocket> busy;
        for (std::int32_t port = 3900; port <= 3904; ++port) {
            busy.push_back(ListenOn(port));
        }
        CHECK(Server::FreePort() == 3905);

        UniqueSocket answered = ListenOn(3905);
        CHECK(answered);
        busy.push_back(std::move(answered));
        for (std::int32_t port = 3906; port <= 3919; ++port) {
            busy.push_back(ListenOn(port));
        }
        CHECK(Server::FreePort() == 3900);
    }
}
