#include "fetch.h"

#include "record.h"
#include "text.h"

#include "platform/prelude.h"
#include "platform/unique_handle.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

namespace Brindle::Standin {

namespace {

constexpr DWORD kSocketTimeoutMs = 3000;
// A server that trickles its answer would pass every single receive's limit.
constexpr ULONGLONG kAnswerTimeoutMs = 10000;
constexpr std::size_t kMaxAnswerBytes = 1024 * 1024;
constexpr std::string_view kToolPageText = "kiv stand-in";
// The stand-in tool names its own process in the page.
constexpr std::string_view kToolPidText = ", pid ";

class WinsockSession {
public:
    WinsockSession() noexcept {
        WSADATA data{};
        error_ = WSAStartup(MAKEWORD(2, 2), &data);
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    ~WinsockSession() {
        if (error_ == 0) {
            WSACleanup();
        }
    }
    [[nodiscard]] int Error() const noexcept { return error_; }

private:
    int error_ = 0;
};

struct AddressFree {
    void operator()(ADDRINFOW* found) const noexcept { FreeAddrInfoW(found); }
};

struct HttpAddress {
    std::wstring host;
    std::wstring port;
    std::wstring authority;
    std::wstring path;
};

// http://host[:port][/path]; nothing else is for the stand-in to load.
std::optional<HttpAddress> ParseHttp(std::wstring_view uri) {
    constexpr std::wstring_view kScheme = L"http://";
    if (uri.substr(0, kScheme.size()) != kScheme) {
        return std::nullopt;
    }
    uri.remove_prefix(kScheme.size());
    uri = uri.substr(0, uri.find(L'#'));
    const std::size_t slash = uri.find(L'/');
    const std::wstring_view authority = uri.substr(0, slash);
    const std::size_t colon = authority.rfind(L':');
    HttpAddress address{
        std::wstring(authority.substr(0, colon)),
        colon == std::wstring_view::npos ? L"80" : std::wstring(authority.substr(colon + 1)),
        std::wstring(authority),
        slash == std::wstring_view::npos ? L"/" : std::wstring(uri.substr(slash))};
    if (address.host.empty() || address.port.empty()) {
        return std::nullopt;
    }
    return address;
}

// A socket, or the Winsock error that kept it from being one.
struct Connection {
    Shell::UniqueSocket socket;
    int error = 0;
};

// A blocking connect has no limit of ours: a listener whose queue is full keeps it for minutes.
int ConnectWithin(SOCKET socket, const ADDRINFOW& address, DWORD milliseconds) {
    u_long nonBlocking = 1;
    if (ioctlsocket(socket, static_cast<long>(FIONBIO), &nonBlocking) == SOCKET_ERROR) {
        return WSAGetLastError();
    }
    if (connect(socket, address.ai_addr, static_cast<int>(address.ai_addrlen)) == SOCKET_ERROR) {
        if (const int error = WSAGetLastError(); error != WSAEWOULDBLOCK) {
            return error;
        }
        fd_set connected;
        FD_ZERO(&connected);
        FD_SET(socket, &connected);
        fd_set failed = connected;
        timeval limit{static_cast<long>(milliseconds / 1000),
                      static_cast<long>(milliseconds % 1000 * 1000)};
        const int ready = select(0, nullptr, &connected, &failed, &limit);
        if (ready == SOCKET_ERROR) {
            return WSAGetLastError();
        }
        if (ready == 0) {
            return WSAETIMEDOUT;
        }
        if (FD_ISSET(socket, &failed)) {
            int error = 0;
            int size = static_cast<int>(sizeof error);
            getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
            return error != 0 ? error : WSAECONNREFUSED;
        }
    }
    u_long blocking = 0;
    return ioctlsocket(socket, static_cast<long>(FIONBIO), &blocking) == SOCKET_ERROR
               ? WSAGetLastError()
               : 0;
}

Connection Connect(const HttpAddress& address) {
    ADDRINFOW hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    ADDRINFOW* first = nullptr;
    const int found = GetAddrInfoW(address.host.c_str(), address.port.c_str(), &hints, &first);
    const std::unique_ptr<ADDRINFOW, AddressFree> list(first);
    if (found != 0) {
        return {Shell::UniqueSocket(), found};
    }
    Shell::UniqueSocket socket(::socket(first->ai_family, first->ai_socktype, first->ai_protocol));
    if (!socket) {
        return {Shell::UniqueSocket(), WSAGetLastError()};
    }
    // A tool that accepts and never answers must not hold the shell's thread for long.
    const DWORD timeout = kSocketTimeoutMs;
    const char* option = reinterpret_cast<const char*>(&timeout);
    setsockopt(socket.Get(), SOL_SOCKET, SO_RCVTIMEO, option, static_cast<int>(sizeof timeout));
    setsockopt(socket.Get(), SOL_SOCKET, SO_SNDTIMEO, option, static_cast<int>(sizeof timeout));
    if (const int error = ConnectWithin(socket.Get(), *first, kSocketTimeoutMs); error != 0) {
        return {Shell::UniqueSocket(), error};
    }
    return {std::move(socket), 0};
}

// The whole answer, up to the server's close, or the Winsock error.
struct Exchange {
    std::string answer;
    int error = 0;
};

Exchange Ask(SOCKET socket, std::string_view request) {
    while (!request.empty()) {
        const int sent = send(socket, request.data(), static_cast<int>(request.size()), 0);
        if (sent == SOCKET_ERROR) {
            return {{}, WSAGetLastError()};
        }
        request.remove_prefix(static_cast<std::size_t>(sent));
    }
    Exchange exchange;
    char buffer[4096];
    const ULONGLONG end = GetTickCount64() + kAnswerTimeoutMs;
    while (exchange.answer.size() < kMaxAnswerBytes) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            exchange.error = WSAETIMEDOUT;
            break;
        }
        // Each wait ends with the answer's time, not only after its own.
        const DWORD wait = static_cast<DWORD>(std::min<ULONGLONG>(kSocketTimeoutMs, end - now));
        setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait),
                   static_cast<int>(sizeof wait));
        const int received = recv(socket, buffer, static_cast<int>(sizeof buffer), 0);
        if (received == SOCKET_ERROR) {
            exchange.error = WSAGetLastError();
            break;
        }
        if (received == 0) {
            break;
        }
        exchange.answer.append(buffer, static_cast<std::size_t>(received));
    }
    return exchange;
}

// Which tool served the page, so that a test can tell two tools apart; empty when none is named.
std::string ServingPid(const std::string& answer, std::size_t body) {
    const std::size_t marker = answer.find(kToolPidText, body);
    if (marker == std::string::npos) {
        return {};
    }
    const std::size_t first = marker + kToolPidText.size();
    std::size_t end = first;
    while (end < answer.size() && answer[end] >= '0' && answer[end] <= '9') {
        ++end;
    }
    return answer.substr(first, end - first);
}

std::string Request(const HttpAddress& address) {
    return "GET " + Utf8(address.path) + " HTTP/1.1\r\nHost: " + Utf8(address.authority) +
           "\r\nConnection: close\r\n\r\n";
}

void Fetch(std::wstring_view uri, Record& line) {
    const std::optional<HttpAddress> address = ParseHttp(uri);
    if (!address) {
        line.Text(L"error", L"address");
        return;
    }
    const WinsockSession session;
    if (session.Error() != 0) {
        line.Number(L"error", session.Error());
        return;
    }
    const Connection connection = Connect(*address);
    if (connection.error != 0) {
        line.Number(L"error", connection.error);
        return;
    }
    const Exchange exchange = Ask(connection.socket.Get(), Request(*address));
    if (exchange.error != 0) {
        line.Number(L"error", exchange.error);
        return;
    }
    const std::string& answer = exchange.answer;
    const std::size_t body = answer.find("\r\n\r\n");
    const bool page =
        body != std::string::npos && answer.find(kToolPageText, body) != std::string::npos;
    line.Text(L"status", WideFromUtf8(answer.substr(0, answer.find("\r\n")))).YesNo(L"page", page);
    if (page) {
        if (const std::string pid = ServingPid(answer, body); !pid.empty()) {
            line.Text(L"pid", WideFromUtf8(pid));
        }
    }
}

} // namespace

void FetchAndRecord(std::wstring_view uri) noexcept {
    try {
        Record line(L"fetch");
        Fetch(uri, line);
        line.Write();
    } catch (...) {
        // Only the record is lost.
    }
}

} // namespace Brindle::Standin
