#include "support/files.h"
#include "support/scratch_folder.h"

#include "platform/prelude.h"
#include "platform/text.h"
#include "platform/unique_handle.h"

#include <doctest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace Brindle::Shell;
using namespace Brindle::Tests;

namespace {

// The folder that a ScratchFolder named `name` made for itself, without its last backslash.
std::wstring RootOf(const ScratchFolder& folder, std::wstring_view name) {
    const std::wstring& path = folder.Path();
    return path.substr(0, path.size() - name.size() - 2);
}

// The name that the next ScratchFolder of this process tries first, after `root`.
std::wstring NextRoot(const std::wstring& root) {
    const std::size_t dash = root.rfind(L'-');
    const unsigned long counter = std::stoul(root.substr(dash + 1));
    return root.substr(0, dash + 1) + Text::Decimal(static_cast<std::uint32_t>(counter + 1));
}

std::vector<std::wstring> Entries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().wstring());
    }
    return names;
}

} // namespace

TEST_SUITE("scratch_folder") {
    TEST_CASE("a folder that is already there is never handed out") {
        std::wstring planted;
        {
            const ScratchFolder before;
            planted = NextRoot(RootOf(before, L"scratch"));
        }
        // As an earlier run of a test process with the same id may have left it.
        REQUIRE(CreateDirectoryW(planted.c_str(), nullptr));
        REQUIRE(WriteBytes(planted + L"\\stale.txt", "stale"));
        {
            const ScratchFolder fresh;
            const std::wstring root = RootOf(fresh, L"scratch");
            CHECK(root != planted);
            // Its own folder and nothing else.
            CHECK(Entries(root) == std::vector<std::wstring>{L"scratch"});
            CHECK(Entries(fresh.Path()).empty());
        }
        CHECK(ReadBytes(planted + L"\\stale.txt") == "stale");
        RemoveTree(planted);
    }

    TEST_CASE("a folder whose file is held for a moment is removed once it is let go") {
        std::optional<ScratchFolder> folder(std::in_place, L"held");
        const std::wstring root = RootOf(*folder, L"held");
        // Opened without delete sharing, as by a process that a test ended and that is still
        // going.
        UniqueHandle held(CreateFileW((*folder / L"held.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        REQUIRE(held);
        std::thread release([&held] {
            Sleep(300);
            held.Reset();
        });
        folder.reset();
        release.join();
        CHECK_FALSE(IsFolder(root));
    }
}
