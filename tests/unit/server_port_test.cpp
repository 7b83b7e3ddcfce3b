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
        CHECK(Server::FreePort().port == 3905);

        UniqueSocket answered = ListenOn(3905);
        CHECK(answered);
        busy.push_back(std::move(answered));
        for (std::int32_t port = 3906; port <= 3919; ++port) {
            busy.push_back(ListenOn(port));
        }
        Server::ClaimedPort none = Server::FreePort();
        CHECK(none.port == 3900);
        CHECK_FALSE(none.claim);
    }

    TEST_CASE("a port claimed by another run is passed over, and a claim goes with its handle") {
        UniqueHandle other(CreateMutexW(nullptr, FALSE, L"Local\\BrindleShell-port-3900"));
        REQUIRE(other);
        Server::ClaimedPort first = Server::FreePort();
        CHECK(first.port == 3901);
        REQUIRE(first.claim);
        // Nothing listens on 3901 yet, as before a slow tool binds it: the claim alone keeps it.
        Server::ClaimedPort second = Server::FreePort();
        CHECK(second.port == 3902);
        CHECK(second.claim);

        first.claim.Reset();
        other.Reset();
        CHECK(Server::FreePort().port == 3900);
    }

    TEST_CASE("without a name to be had, the probe alone chooses") {
        std::vector<UniqueHandle> names;
        for (std::int32_t port = 3900; port <= 3919; ++port) {
            std::wstring name = L"Local\\BrindleShell-port-" + std::to_wstring(port);
            names.emplace_back(CreateMutexW(nullptr, FALSE, name.c_str()));
            REQUIRE(names.back());
        }
        UniqueSocket busy = ListenOn(3900);
        REQUIRE(busy);
        Server::ClaimedPort chosen = Server::FreePort();
        CHECK(chosen.port == 3901);
        CHECK_FALSE(chosen.claim);
        // A claim that comes free is taken again before the probe alone.
        names[5].Reset();
        CHECK(Server::FreePort().port == 3905);
    }

    TEST_CASE("a busy port gives up its claim") {
        UniqueSocket busy = ListenOn(3900);
        REQUIRE(busy);
        Server::ClaimedPort chosen = Server::FreePort();
        CHECK(chosen.port == 3901);
        busy.Reset();
        UniqueHandle probe(CreateMutexW(nullptr, FALSE, L"Local\\BrindleShell-port-3900"));
        REQUIRE(probe);
        CHECK(GetLastError() != ERROR_ALREADY_EXISTS);
    }
}
