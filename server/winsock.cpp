#include "server/winsock.h"

namespace Brindle::Shell::Winsock {

namespace {

// Once per process, and never cleaned up: a socket may still be in use while the process ends.
// A socket layer that cannot start fails like any socket call, so the callers' retries apply.
int StartError() {
    static const int error = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    return error;
}

} // namespace

UniqueSocket NewTcpSocket() {
    if (int error = StartError(); error != 0) {
        WSASetLastError(error);
        return UniqueSocket();
    }
    return UniqueSocket(
        WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT));
}

sockaddr_in Loopback(std::int32_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

} // namespace Brindle::Shell::Winsock
