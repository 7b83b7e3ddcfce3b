#include "harness.h"

#include "platform/text.h"
#include "server/winsock.h"

#include <doctest.h>

#include <memory>
#include <vector>

using namespace Brindle::Tests;
using Brindle::Shell::UniqueHandle;
using Brindle::Shell::UniqueSocket;
using Brindle::Shell::Text::Decimal;

namespace {

// Long enough that a second run chooses its port before the first run's tool listens.
const Environment SlowTool{{L"KIV_STANDIN_LISTEN_DELAY_MS", L"2000"}};

std::wstring ClaimName(int port) {
    return L"Local\\BrindleShell-port-" + Decimal(static_cast<std::int32_t>(port));
}

// Not a blocking connect: one to a listener whose queue is full would wait for minutes.
bool Accepts(int port) {
    UniqueSocket attempt = Brindle::Shell::Winsock::NewTcpSocket();
    u_long nonBlocking = 1;
    if (!attempt ||
        ioctlsocket(attempt.Get(), static_cast<long>(FIONBIO), &nonBlocking) == SOCKET_ERROR) {
        return false;
    }
    sockaddr_in address = Brindle::Shell::Winsock::Loopback(port);
    if (connect(attempt.Get(), reinterpret_cast<const sockaddr*>(&address),
                static_cast<int>(sizeof(address))) == 0) {
        return true;
    }
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
        return false;
    }
    fd_set connected;
    FD_ZERO(&connected);
    FD_SET(attempt.Get(), &connected);
    fd_set failed = connected;
    timeval limit{5, 0};
    return select(0, nullptr, &connected, &failed, &limit) > 0 &&
           FD_ISSET(attempt.Get(), &connected) && !FD_ISSET(attempt.Get(), &failed);
}

// A run with records of its own, so that its tool and its page can be told from another run's.
struct RecordedRun {
    ToolRecorder tool;
    RuntimeRecorder runtime;
    Run run;
    RecordedRun(const Installation& installation, const Environment& extra)
        : run(installation, runtime.With(tool.With(extra))) {}
};

struct ShownPage {
    HWND window = nullptr;
    DWORD toolPid = 0;
    int port = 0;
};

// The run's window shows the page that its own tool served, on its own tool's port.
ShownPage ExpectOwnPage(const RecordedRun& recorded, const Installation& installation) {
    ShownPage shown;
    shown.window = recorded.run.WaitForWindow(installation.WindowClass(), 30000);
    REQUIRE(shown.window != nullptr);
    auto fetched = recorded.runtime.WaitForEvents(L"fetch", 1, 30000);
    REQUIRE(fetched.size() == 1);
    ToolRecord tool = recorded.tool.Tool();
    REQUIRE(tool.pid != 0);
    shown.toolPid = tool.pid;
    shown.port = std::stoi(tool.arguments.back());
    CHECK(recorded.runtime.Events(L"navigate").front().Field(L"uri") ==
          StartedTool{tool.pid, shown.port}.Address());
    CHECK(fetched.front().Field(L"page") == L"yes");
    CHECK(fetched.front().Field(L"pid") == Decimal(tool.pid));
    CHECK(IsRunning(tool.pid));
    return shown;
}

void CloseAndExpectEnd(const RecordedRun& recorded, const ShownPage& shown) {
    std::vector<DWORD> tree = TreeOf(shown.toolPid);
    PostMessageW(shown.window, WM_CLOSE, 0, 0);
    CHECK(recorded.run.WaitForExit(20000) == 0u);
    for (DWORD pid : tree) {
        CHECK_FALSE(IsRunning(pid));
    }
}

// Two runs that choose their ports close together: each shows its own tool, and closing one
// window leaves the other's tool serving.
void ExpectTwoOwnPages(const Installation& first, const Installation& second, DWORD gap,
                       bool closeFirstBefore) {
    auto one = std::make_unique<RecordedRun>(first, SlowTool);
    Sleep(gap);
    auto two = std::make_unique<RecordedRun>(second, SlowTool);
    ShownPage shownOne = ExpectOwnPage(*one, first);
    ShownPage shownTwo = ExpectOwnPage(*two, second);
    CHECK(shownOne.port != shownTwo.port);

    if (!closeFirstBefore) {
        std::swap(one, two);
        std::swap(shownOne, shownTwo);
    }
    CloseAndExpectEnd(*one, shownOne);
    CHECK(IsRunning(shownTwo.toolPid));
    CHECK(Accepts(shownTwo.port));
    CloseAndExpectEnd(*two, shownTwo);
}

// Names that any program of the session can take, here all of the shell's.
std::vector<UniqueHandle> HoldEveryName() {
    std::vector<UniqueHandle> names;
    for (int port = 3900; port < 3920; ++port) {
        names.emplace_back(CreateMutexW(nullptr, FALSE, ClaimName(port).c_str()));
        REQUIRE(names.back());
    }
    return names;
}

} // namespace

TEST_SUITE("port_claims") {
    TEST_CASE("a port that another run claimed is passed over although it is free") {
        UniqueHandle claimed(CreateMutexW(nullptr, FALSE, ClaimName(3900).c_str()));
        REQUIRE(claimed);
        Installation installation;
        LogTail log;
        RecordedRun recorded(installation, {});
        ShownPage shown = ExpectOwnPage(recorded, installation);
        CHECK(shown.port == 3901);
        CHECK(log.Contains(L"kiv.exe gestart (pid " + Decimal(shown.toolPid) + L") op poort 3901"));
        CloseAndExpectEnd(recorded, shown);
    }

    TEST_CASE("with every name held elsewhere, the probe alone keeps runs apart") {
        std::vector<UniqueHandle> names = HoldEveryName();
        SUBCASE("a port in use is passed over") {
            HeldPorts inUse(3900, 3900, true);
            Installation installation;
            RecordedRun recorded(installation, {});
            ShownPage shown = ExpectOwnPage(recorded, installation);
            CHECK(shown.port == 3901);
            CloseAndExpectEnd(recorded, shown);
        }
        SUBCASE("a second folder started once the first one's tool listens") {
            Installation one(L"One");
            Installation two(L"Two");
            RecordedRun first(one, {});
            ShownPage shownOne = ExpectOwnPage(first, one);
            RecordedRun second(two, {});
            ShownPage shownTwo = ExpectOwnPage(second, two);
            CHECK(shownOne.port != shownTwo.port);
            CloseAndExpectEnd(first, shownOne);
            CloseAndExpectEnd(second, shownTwo);
        }
    }

    TEST_CASE("two folders started at the same moment get a port and a tool each") {
        Installation one(L"One");
        Installation two(L"Two");
        ExpectTwoOwnPages(one, two, 0, true);
    }

    TEST_CASE("one folder started again while its first run waits for the tool") {
        for (bool closeFirstBefore : {true, false}) {
            CAPTURE(closeFirstBefore);
            Installation installation;
            LogTail log;
            ExpectTwoOwnPages(installation, installation, 600, closeFirstBefore);
            CHECK(log.Contains(L"mutex bezet maar geen venster gevonden; toch doorstarten"));
            CHECK(CountStartingWith(log.Messages(), L"kiv.exe gestart") == 2);
        }
    }

    TEST_CASE("the claim goes with the tool: the next run gets the first port again") {
        Installation installation;
        for (int run = 0; run < 2; ++run) {
            CAPTURE(run);
            RecordedRun recorded(installation, {});
            ShownPage shown = ExpectOwnPage(recorded, installation);
            CHECK(shown.port == 3900);
            UniqueHandle held(OpenMutexW(SYNCHRONIZE, FALSE, ClaimName(3900).c_str()));
            CHECK(held);
            held.Reset();
            CloseAndExpectEnd(recorded, shown);
            CHECK_FALSE(UniqueHandle(OpenMutexW(SYNCHRONIZE, FALSE, ClaimName(3900).c_str())));
        }
    }
}
