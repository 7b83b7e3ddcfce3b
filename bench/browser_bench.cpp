// How quickly the shell gets from its start to the page, and what it costs: the shell's own time
// from process start to the Navigate call without the time the tool took to answer, the time from
// the tool's answer to Navigate, the peak working set, and the size of brindle.exe. Run in the
// test bed after a build, with the stand-in runtime and a tool that listens at once:
//   bash cmake/wine-bed.sh display-up build/wine
//   bash cmake/wine-bed.sh prefix-up build/wine build/wine/prefix-bench 96
//   BRINDLE_WINE_PREFIX=bench build/wine/wine-run build/bin/browser_bench.exe [runs]
#include "harness.h"

#include "platform/text.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace Brindle::Tests;

namespace {

constexpr double TicksPerMillisecond = 10000.0;

double MillisecondsOfDay(const std::wstring& stamp) {
    auto number = [&](std::size_t at, std::size_t digits) {
        return std::stod(stamp.substr(at, digits));
    };
    return ((number(11, 2) * 60 + number(14, 2)) * 60 + number(17, 2)) * 1000 + number(20, 3);
}

// A UTC time in 100-ns ticks, as local milliseconds of the day, the log's clock.
double LocalMillisecondsOfDay(unsigned long long ticks) {
    FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME universal{}, local{};
    FileTimeToSystemTime(&utc, &universal);
    SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local);
    double subMillisecond = static_cast<double>(ticks % 10000) / TicksPerMillisecond;
    return ((local.wHour * 60.0 + local.wMinute) * 60.0 + local.wSecond) * 1000.0 +
           local.wMilliseconds + subMillisecond;
}

unsigned long long Ticks(const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

struct Sample {
    double ownMs = -1;
    double answerToNavigateMs = -1;
    double peakWorkingSetKb = -1;
};

Sample MeasureOnce() {
    Sample sample;
    Installation installation;
    RuntimeRecorder runtime;
    LogTail log;
    Run run(installation, runtime.With());
    Brindle::Shell::UniqueHandle shell(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, run.Pid()));
    auto navigated = runtime.WaitForEvents(L"navigate", 1, 30000);
    HWND window = run.WaitForWindow(installation.WindowClass(), 10000);
    if (navigated.empty() || window == nullptr || !shell) {
        std::printf("no page in the window\n");
        return sample;
    }
    unsigned long long navigateTicks = std::stoull(navigated.front().Field(L"time"));
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(shell.Get(), &created, &exited, &kernel, &user);

    for (const auto& line : log.Lines()) {
        std::size_t after = line.message.find(L" antwoordt na ");
        if (line.message.rfind(L"poort ", 0) == 0 && after != std::wstring::npos) {
            double waitedMs = std::stod(line.message.substr(after + 14));
            double sinceStartMs =
                static_cast<double>(navigateTicks - Ticks(created)) / TicksPerMillisecond;
            sample.ownMs = sinceStartMs - waitedMs;
            sample.answerToNavigateMs =
                LocalMillisecondsOfDay(navigateTicks) - MillisecondsOfDay(line.stamp);
        }
    }
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(shell.Get(), &memory, sizeof memory)) {
        sample.peakWorkingSetKb = static_cast<double>(memory.PeakWorkingSetSize) / 1024.0;
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    run.WaitForExit(20000);
    return sample;
}

void Report(const char* what, std::vector<double> values, const char* unit) {
    std::sort(values.begin(), values.end());
    std::printf("%-44s min %8.1f  median %8.1f  max %8.1f %s\n", what, values.front(),
                values[values.size() / 2], values.back(), unit);
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    std::vector<double> own, answerToNavigate, peak;
    for (int i = 0; i < runs; ++i) {
        Sample sample = MeasureOnce();
        if (sample.ownMs < 0 || sample.peakWorkingSetKb < 0) {
            std::printf("run %d failed\n", i + 1);
            return 1;
        }
        own.push_back(sample.ownMs);
        answerToNavigate.push_back(sample.answerToNavigateMs);
        peak.push_back(sample.peakWorkingSetKb);
    }
    std::printf("%d runs\n", runs);
    Report("start to Navigate, less the tool's answer", own, "ms");
    Report("the tool's answer to Navigate", answerToNavigate, "ms");
    Report("peak working set of brindle.exe", peak, "KB");
    WIN32_FILE_ATTRIBUTE_DATA exe{};
    GetFileAttributesExW((BuildFolder() + L"brindle.exe").c_str(), GetFileExInfoStandard, &exe);
    std::printf("size of brindle.exe: %lu bytes\n", exe.nFileSizeLow);
    return 0;
}
