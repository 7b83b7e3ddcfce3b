#include "shell/log_location.h"
#include "platform/folders.h"
#include "support/files.h"
#include "support/scratch_folder.h"

#include "platform/prelude.h"

#include <doctest.h>

using namespace Brindle::Shell;
using Brindle::Tests::IsFolder;
using Brindle::Tests::ScratchFolder;

namespace {

std::wstring FakeTemp() {
    return L"T:\\temp\\";
}
std::wstring NoTemp() {
    return L"";
}

// Runs a check with the current directory moved, and moves it back.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::wstring& folder) {
        wchar_t buffer[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, buffer);
        old_ = buffer;
        SetCurrentDirectoryW(folder.c_str());
    }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;
    ~CurrentDirectory() { SetCurrentDirectoryW(old_.c_str()); }

private:
    std::wstring old_;
};

} // namespace

TEST_SUITE("log_location") {
    TEST_CASE("joining") {
        CHECK(JoinPath(L"", L"Brindle") == L"Brindle");
        CHECK(JoinPath(L"C:\\Users\\a", L"Brindle") == L"C:\\Users\\a\\Brindle");
        CHECK(JoinPath(L"C:\\", L"Brindle") == L"C:\\Brindle");
        CHECK(JoinPath(L"C:/x/", L"Brindle") == L"C:/x/Brindle");
    }

    TEST_CASE("the log folder is made under the local application-data folder") {
        ScratchFolder local(L"Local Data \x00e9");
        std::wstring location = LogLocation::Choose(local / L"missing\\parent", &FakeTemp);
        CHECK(location == local / L"missing\\parent\\Brindle\\app.log");
        CHECK(IsFolder(local / L"missing\\parent\\Brindle"));
        CHECK(Brindle::Tests::FileSize(location) == 0);
        // An existing folder is used as it is.
        CHECK(LogLocation::Choose(local / L"missing\\parent", &FakeTemp) == location);
    }

    TEST_CASE("a file where the folder should be sends the log to the temporary folder") {
        ScratchFolder local;
        REQUIRE(Brindle::Tests::WriteBytes(local / L"Brindle", "in the way"));
        CHECK(LogLocation::Choose(local.Path(), &FakeTemp) == L"T:\\temp\\brindle-app.log");
        CHECK(LogLocation::Choose(local.Path(), &NoTemp) == L"");
    }

    TEST_CASE("without a local application-data folder the log is relative") {
        ScratchFolder current;
        CurrentDirectory moved(current.Path());
        CHECK(LogLocation::Choose(L"", &FakeTemp) == L"Brindle\\app.log");
        CHECK(IsFolder(current / L"Brindle"));
    }

    TEST_CASE("without either folder the temporary folder is used") {
        ScratchFolder current;
        REQUIRE(Brindle::Tests::WriteBytes(current / L"Brindle", ""));
        CurrentDirectory moved(current.Path());
        CHECK(LogLocation::Choose(L"", &FakeTemp) == L"T:\\temp\\brindle-app.log");
    }

    TEST_CASE("a drive that does not exist") {
        CHECK(LogLocation::Choose(L"Q:\\nowhere", &FakeTemp) == L"T:\\temp\\brindle-app.log");
    }
}
