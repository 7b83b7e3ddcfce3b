#include "shell/log.h"
#include "support/files.h"
#include "support/shared_log.h"

#include "platform/prelude.h"
#include "platform/text.h"
#include "platform/unique_handle.h"

#include <doctest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace Brindle::Shell;
using namespace Brindle::Tests;

namespace {

constexpr int Writers = 4;
constexpr int LinesEach = 25;

// Each message names its writer and index; the padding makes a torn or merged line stand out.
std::wstring Message(int writer, int index) {
    std::wstring message =
        L"writer " + std::to_wstring(writer) + L" line " + std::to_wstring(index) + L" ";
    message.append(64, static_cast<wchar_t>(L'a' + writer));
    return message + L" end";
}

// Other runs in the middle of their lines: the file is open for writing, with read and write
// sharing, at every moment until the holder is stopped. A new handle is opened before the old
// one is closed, so the opens and closes of the runs overlap as well.
class OtherRuns {
public:
    OtherRuns() : thread_([this] { Hold(); }) {
        const ULONGLONG end = GetTickCount64() + 10000;
        while (!held_ && !stop_ && GetTickCount64() < end) {
            Sleep(1);
        }
    }
    OtherRuns(const OtherRuns&) = delete;
    OtherRuns& operator=(const OtherRuns&) = delete;
    ~OtherRuns() {
        stop_ = true;
        thread_.join();
    }
    // Whether the file is held from now on.
    [[nodiscard]] bool Held() const { return held_.load(); }

private:
    static UniqueHandle Open() {
        return UniqueHandle(CreateFileW(Log::Location().c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    void Hold() {
        UniqueHandle current = Open();
        held_ = static_cast<bool>(current);
        stop_ = stop_ || !held_;
        while (!stop_) {
            if (UniqueHandle next = Open()) {
                current = std::move(next);
            }
            Sleep(1);
        }
    }

    std::atomic<bool> stop_{false};
    std::atomic<bool> held_{false};
    std::thread thread_;
};

struct Tally {
    std::map<std::string, int> counts; // every expected message, with how often it came
    int malformed = 0;
};

Tally Expected() {
    Tally tally;
    for (int writer = 0; writer < Writers; ++writer) {
        for (int index = 0; index < LinesEach; ++index) {
            tally.counts[Text::Utf8Lenient(Message(writer, index))] = 0;
        }
    }
    return tally;
}

void Count(Tally& tally, const std::string& appended) {
    for (const std::string& line : SplitLines(appended)) {
        auto found = line.size() > 25 ? tally.counts.find(line.substr(25)) : tally.counts.end();
        if (found == tally.counts.end() || !IsStamp(Text::WideFromUtf8(line.substr(0, 23))) ||
            line.substr(23, 2) != "  ") {
            ++tally.malformed;
            continue;
        }
        ++found->second;
    }
}

} // namespace

TEST_SUITE("log_writers") {
    TEST_CASE("no line of several writers is lost or torn while other runs hold the file") {
        REQUIRE_FALSE(Log::Location().empty());
        Tally tally = Expected();
        unsigned long long before = LogSize();
        {
            const OtherRuns others;
            REQUIRE(others.Held());
            // Under Wine a write at the end of the file is not one step across handles, as it
            // is on Windows: lines written at the very same moment can land on each other there.
            // So the writers take turns line by line; the other runs hold the file throughout.
            std::mutex turn;
            std::vector<std::thread> writers;
            for (int writer = 0; writer < Writers; ++writer) {
                writers.emplace_back([writer, &turn] {
                    for (int index = 0; index < LinesEach; ++index) {
                        const std::lock_guard mine(turn);
                        Log::Write(Message(writer, index));
                    }
                });
            }
            // Each line costs at most five attempts, so the writers end on their own.
            for (std::thread& writer : writers) {
                writer.join();
            }
        }
        const std::string appended = LogAppendedSince(before);
        Count(tally, appended);
        int missing = 0;
        int repeated = 0;
        for (const auto& [message, count] : tally.counts) {
            missing += count == 0 ? 1 : 0;
            repeated += count > 1 ? 1 : 0;
        }
        CHECK(tally.malformed == 0);
        CHECK(missing == 0);
        CHECK(repeated == 0);
        CHECK(appended.ends_with("\r\n"));
    }
}
