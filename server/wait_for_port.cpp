#include "server/server.h"

#include "platform/text.h"
#include "server/process_exit.h"
#include "server/winsock.h"
#include "shell/log.h"

namespace Brindle::Shell {

namespace {

constexpr std::int64_t UnitsPerSecond = 10'000'000; // 100-ns units
constexpr std::int64_t UnitsPerMillisecond = 10'000;
constexpr std::int64_t TimeLimit = 15 * UnitsPerSecond;
constexpr DWORD PauseMilliseconds = 75;

// Monotonic, so that a change of the wall clock moves neither the limit nor the logged time.
class Stopwatch {
public:
    Stopwatch() noexcept : frequency_(Frequency()), start_(Counter()) {}

    [[nodiscard]] std::int64_t Elapsed() const noexcept {
        const std::int64_t frequency = frequency_;
        std::int64_t ticks = Counter() - start_;
        // Whole seconds first: ticks times ten million would overflow after some 15 minutes of
        // a fast counter.
        return ticks / frequency * UnitsPerSecond + ticks % frequency * UnitsPerSecond / frequency;
    }

private:
    static std::int64_t Counter() noexcept {
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        return now.QuadPart;
    }
    static std::int64_t Frequency() noexcept {
        LARGE_INTEGER frequency{};
        QueryPerformanceFrequency(&frequency);
        return frequency.QuadPart;
    }

    std::int64_t frequency_;
    std::int64_t start_;
};

// Any socket error only means "not yet": the caller pauses and tries again.
bool Connects(std::int32_t port, const Stopwatch& clock) {
    UniqueSocket attempt = Winsock::NewTcpSocket();
    if (!attempt) {
        return false;
    }
    sockaddr_in address = Winsock::Loopback(port);
    if (connect(attempt.Get(), reinterpret_cast<const sockaddr*>(&address),
                static_cast<int>(sizeof(address))) == SOCKET_ERROR) {
        return false;
    }
    std::int64_t milliseconds = clock.Elapsed() / UnitsPerMillisecond;
    Log::Write(L"poort " + Text::Decimal(port) + L" antwoordt na " + Text::Decimal(milliseconds) +
               L" ms");
    shutdown(attempt.Get(), SD_BOTH);
    return true;
}

} // namespace

std::optional<std::wstring> Server::WaitForPort() const {
    const Stopwatch clock;
    for (;;) {
        if (clock.Elapsed() >= TimeLimit) {
            return L"the local server on port " + Text::Decimal(port) +
                   L" did not come up in time.";
        }
        if (process) {
            if (auto code = ProcessExit::CodeIfEnded(process->handle.Get())) {
                return L"kiv.exe stopped immediately (exit code " +
                       Text::Decimal(static_cast<std::int32_t>(*code)) + L").";
            }
        }
        if (Connects(port, clock)) {
            return std::nullopt;
        }
        Sleep(PauseMilliseconds);
    }
}

} // namespace Brindle::Shell
