#include "server/server.h"
#include "server_standin.h"
#include "support/files.h"
#include "support/shared_log.h"
#include "support/scratch_folder.h"

#include "platform/text.h"
#include "platform/win32.h"
#include "shell/log.h"

#include <doctest.h>

using namespace Brindle::Shell;
using Brindle::Tests::LogSize;
using Brindle::Tests::Member;
using Brindle::Tests::ScopedVariable;
using Brindle::Tests::ScratchFolder;

namespace {

constexpr std::size_t StampWidth = 25; // the stamp and its two blanks

// Readable in a failed check, where wide texts are not.
std::string Narrow(const std::optional<std::wstring>& error) {
    return error ? Text::Utf8Lenient(*error) : "none";
}

// The messages of the lines appended to the shared log since `from`.
std::vector<std::string> LoggedSince(unsigned long long from) {
    std::string appended = Brindle::Tests::LogAppendedSince(from);
    std::vector<std::string> messages;
    for (const std::string& line : Brindle::Tests::SplitLines(appended)) {
        messages.push_back(line.size() < StampWidth ? line : line.substr(StampWidth));
    }
    return messages;
}

std::string PortOf(const Server& server) {
    std::string url = Text::Utf8Lenient(server.Url());
    const std::string prefix = "http://127.0.0.1:";
    REQUIRE(url.rfind(prefix, 0) == 0);
    REQUIRE(url.back() == '/');
    return url.substr(prefix.size(), url.size() - prefix.size() - 1);
}

} // namespace

TEST_SUITE("server_start") {
    TEST_CASE("a tool that answers is started, awaited and stopped with its tree, once") {
        ScratchFolder folder;
        std::wstring record = folder / L"record.txt";
        ScopedVariable recording(L"KIV_STANDIN_RECORD", record);
        ScopedVariable children(L"KIV_STANDIN_CHILDREN", L"1");
        ScopedVariable grandchildren(L"KIV_STANDIN_GRANDCHILDREN", L"1");
        Server server;
        CHECK(server.Url() == L"http://127.0.0.1:0/");
        unsigned long long before = LogSize();

        REQUIRE(Narrow(server.Start()) == "none");
        std::string port = PortOf(server);
        auto records = Brindle::Tests::ReadToolRecords(record).processes;
        REQUIRE(records.size() == 3);
        const auto& tool = records.front();
        REQUIRE(tool.role == L"tool");
        std::wstring folderOfShell = Win32::ExecutableFolder();
        CHECK(tool.commandLine == L"\"" + folderOfShell + L"kiv.exe\" ui --no-browser --port " +
                                      Text::WideFromUtf8(port));
        CHECK(tool.currentDirectory + L"\\" == folderOfShell);
        std::vector<std::string> started = LoggedSince(before);
        REQUIRE(started.size() == 2);
        CHECK(started[0] ==
              "kiv.exe gestart (pid " + std::to_string(tool.pid) + ") op poort " + port);
        CHECK(started[1].rfind("poort " + port + " antwoordt na ", 0) == 0);
        CHECK(started[1].substr(started[1].size() - 3) == " ms");

        std::vector<Member> tree;
        for (const auto& recorded : records) {
            tree.push_back(Brindle::Tests::Open(recorded.pid).value());
        }
        before = LogSize();
        server.Stop();
        CHECK(LoggedSince(before) == std::vector<std::string>{"kiv.exe gestopt"});
        for (const Member& member : tree) {
            CAPTURE(member.pid);
            CHECK(member.EndsWithin(5000));
        }

        before = LogSize();
        server.Stop();
        server.Dispose();
        CHECK(LogSize() == before);
        CHECK(PortOf(server) == port);
    }

    TEST_CASE("a stop that cannot end the whole tree logs why, in place of its usual line") {
        ScratchFolder folder;
        std::wstring record = folder / L"record.txt";
        ScopedVariable recording(L"KIV_STANDIN_RECORD", record);
        ScopedVariable children(L"KIV_STANDIN_CHILDREN", L"1");
        ScopedVariable guarded(L"KIV_STANDIN_GUARDED_CHILDREN", L"1");
        Server server;
        REQUIRE(Narrow(server.Start()) == "none");
        auto records = Brindle::Tests::ReadToolRecords(record).processes;
        REQUIRE(records.size() == 2);
        REQUIRE(records[1].role == L"child");
        Member tool = Brindle::Tests::Open(records[0].pid).value();
        Member child = Brindle::Tests::Open(records[1].pid).value();

        unsigned long long before = LogSize();
        server.Stop();
        const std::string why =
            "the process tree of process " + std::to_string(tool.pid) +
            " was not ended entirely: TerminateProcess for process " + std::to_string(child.pid) +
            " failed: " + Text::Utf8Lenient(Win32::SystemMessage(ERROR_ACCESS_DENIED)) +
            " (error 5).";
        CHECK(LoggedSince(before) == std::vector<std::string>{"kiv.exe stoppen mislukte: " + why});
        CHECK(tool.EndsWithin(5000));
        CHECK_FALSE(child.EndsWithin(0));

        before = LogSize();
        server.Stop();
        CHECK(LogSize() == before);
    }

    TEST_CASE("a tool that ends at once reports its exit code, and is not stopped") {
        struct Case {
            const wchar_t* exitCode;
            const char* text;
        };
        const Case cases[] = {
            {L"259", "kiv.exe stopped immediately (exit code 259)."},
            {L"0", "kiv.exe stopped immediately (exit code 0)."},
            {L"0x80000000", "kiv.exe stopped immediately (exit code -2147483648)."},
        };
        for (const auto& c : cases) {
            ScopedVariable exiting(L"KIV_STANDIN_EXIT", c.exitCode);
            Server server;
            CHECK(Narrow(server.Start()) == c.text);
            unsigned long long before = LogSize();
            server.Stop();
            CHECK(LogSize() == before);
        }
    }

    TEST_CASE("a server that never started stops without a word") {
        unsigned long long before = LogSize();
        {
            Server server;
            server.Stop();
        }
        CHECK(LogSize() == before);
    }
}
