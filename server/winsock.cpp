#include "server/winsock.h"

#include "platform/failure.h"

namespace Brindle::Shell::Winsock {

void Start() {
    // Never cleaned up: a socket may still be in use while the process ends.
    [[maybe_unused]] static const bool started = [] {
        WSADATA data{};
        int code = WSAStartup(MAKEWORD(2, 2), &data);
        if (code != 0) {
            throw Failure::FromWin32(L"WSAStartup", static_cast<unsigned long>(code));
        }
        return true;
    }();
}

UniqueSocket NewTcpSocket() {
    Start();
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
