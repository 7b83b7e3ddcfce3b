// How long the shell takes to notice a ready tool, and to end a tool's tree when its window is
// closed. Run in the test bed, after a build:
//   bash cmake/wine-bed.sh display-up build/wine
//   bash cmake/wine-bed.sh prefix-up build/wine build/wine/prefix-bench 96
//   BRINDLE_WINE_PREFIX=bench build/wine/wine-run build/bin/server_bench.exe [runs]
#include "harness.h"

#include "platform/text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using namespace Brindle::Tests;

namespace {

long long MillisecondsOfDay(const std::wstring& stamp) {
    auto number = [&](std::size_t at, std::size_t digits) {
        return std::stoll(stamp.substr(at, digits));
    };
    return ((number(11, 2) * 60 + number(14, 2)) * 60 + number(17, 2)) * 1000 + number(20, 3);
}

double Seconds() {
    LARGE_INTEGER now{}, frequency{};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Sample {
    // The two clocks differ by up to a millisecond either way, so a valid value can be negative.
    std::optional<long long> readyNoticedMs;
    double treeGoneMs = -1;
    std::size_t treeSize = 0;
};

Sample MeasureOnce() {
    Sample sample;
    Installation installation;
    ScratchFolder records(L"records");
    std::wstring recordPath = records / L"tool.txt";
    LogTail log;
    // A short delay, so that the first accepted connection is one of the readiness wait's.
    Run run(installation, {{L"KIV_STANDIN_RECORD", recordPath},
                           {L"KIV_STANDIN_CHILDREN", L"3"},
                           {L"KIV_STANDIN_GRANDCHILDREN", L"2"},
                           {L"KIV_STANDIN_LISTEN_DELAY_MS", L"300"}});
    HWND window = run.WaitForWindow(L"BrindleShellWindow-" + installation.Key(), 30000);
    if (window == nullptr) {
        std::printf("no window; the log says:\n");
        for (const auto& message : log.Messages()) {
            std::printf("  %s\n", Brindle::Shell::Text::Utf8Lenient(message).c_str());
        }
        return sample;
    }
    ToolRecords tool = ReadToolRecords(recordPath);
    for (const auto& line : log.Lines()) {
        if (line.message.rfind(L"poort ", 0) == 0 && !tool.accepted.empty()) {
            sample.readyNoticedMs =
                MillisecondsOfDay(line.stamp) - MillisecondsOfDay(tool.accepted);
        }
    }
    if (!sample.readyNoticedMs) {
        std::printf("no first accepted connection or no ready line in this run\n");
    }
    DWORD toolPid = StartedToolOf(log).pid;
    if (toolPid == 0) {
        std::printf("no start line in this run\n");
        return sample;
    }
    std::vector<DWORD> tree = TreeOf(toolPid);
    sample.treeSize = tree.size();
    double closed = Seconds();
    PostMessageW(window, WM_CLOSE, 0, 0);
    WaitUntil([&] { return std::none_of(tree.begin(), tree.end(), IsRunning); }, 20000);
    sample.treeGoneMs = (Seconds() - closed) * 1000.0;
    run.WaitForExit(20000);
    return sample;
}
void Report(const char* what, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::printf("%-48s min %7.1f  median %7.1f  max %7.1f ms\n", what, values.front(),
                values[values.size() / 2], values.back());
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    std::vector<double> ready, gone;
    std::size_t treeSize = 0;
    for (int i = 0; i < runs; ++i) {
        Sample sample = MeasureOnce();
        if (!sample.readyNoticedMs || sample.treeGoneMs < 0) {
            std::printf("run %d failed\n", i + 1);
            return 1;
        }
        ready.push_back(static_cast<double>(*sample.readyNoticedMs));
        gone.push_back(sample.treeGoneMs);
        treeSize = sample.treeSize;
    }
    std::printf("%d runs\n", runs);
    Report("first accepted connection to the ready line", ready);
    Report(("WM_CLOSE to the last of " + std::to_string(treeSize) + " processes gone").c_str(),
           gone);
    return 0;
}
