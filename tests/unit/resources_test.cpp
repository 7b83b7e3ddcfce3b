#include "platform/prelude.h"
#include "platform/unique_handle.h"
#include "platform/win32.h"
#include "support/files.h"

#include <doctest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Brindle::Shell;

namespace {

std::wstring BrindleExe() {
    return Win32::ExecutableFolder() + L"brindle.exe";
}

UniqueModule OpenForResources() {
    return UniqueModule(LoadLibraryExW(BrindleExe().c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

std::string Resource(HMODULE module, LPCWSTR name, LPCWSTR type) {
    HRSRC found = FindResourceW(module, name, type);
    if (found == nullptr) {
        return {};
    }
    HGLOBAL loaded = LoadResource(module, found);
    const auto* bytes = static_cast<const char*>(LockResource(loaded));
    return std::string(bytes, SizeofResource(module, found));
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

std::wstring VersionString(const std::vector<char>& block, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || length == 0) {
        return {};
    }
    return std::wstring(static_cast<const wchar_t*>(value));
}

// The names of the libraries that the loader must resolve before the exe runs, read from the
// file's import directory.
std::vector<std::string> LoadTimeImports(const std::string& image) {
    auto at = [&image](std::size_t offset, auto value) {
        if (offset + sizeof value > image.size()) {
            throw std::out_of_range("past the end of the image");
        }
        std::memcpy(&value, image.data() + offset, sizeof value);
        return value;
    };
    auto pe = static_cast<std::size_t>(at(0, IMAGE_DOS_HEADER{}).e_lfanew);
    auto headers = at(pe, IMAGE_NT_HEADERS64{});
    std::size_t sections =
        pe + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + headers.FileHeader.SizeOfOptionalHeader;
    auto fileOffset = [&](DWORD rva) -> std::size_t {
        for (WORD i = 0; i < headers.FileHeader.NumberOfSections; ++i) {
            auto section = at(sections + i * sizeof(IMAGE_SECTION_HEADER), IMAGE_SECTION_HEADER{});
            if (rva >= section.VirtualAddress &&
                rva < section.VirtualAddress + section.SizeOfRawData) {
                return rva - section.VirtualAddress + section.PointerToRawData;
            }
        }
        throw std::out_of_range("an address outside every section");
    };
    std::vector<std::string> names;
    DWORD directory =
        headers.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (std::size_t entry = fileOffset(directory);; entry += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        auto import = at(entry, IMAGE_IMPORT_DESCRIPTOR{});
        if (import.Name == 0) {
            break;
        }
        names.emplace_back(image.c_str() + fileOffset(import.Name));
    }
    return names;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return CompareStringOrdinal(std::wstring(a.begin(), a.end()).c_str(), -1,
                                std::wstring(b.begin(), b.end()).c_str(), -1, TRUE) == CSTR_EQUAL;
}

} // namespace

TEST_SUITE("resources") {
    TEST_CASE("the loader library is looked up at run time, not imported") {
        std::vector<std::string> imports = LoadTimeImports(Brindle::Tests::ReadBytes(BrindleExe()));
        auto imported = [&imports](const std::string& name) {
            return std::any_of(imports.begin(), imports.end(), [&](const std::string& import) {
                return SameNameIgnoringCase(import, name);
            });
        };
        CHECK(imported("kernel32.dll"));
        CHECK(imported("user32.dll"));
        CHECK_FALSE(imported("WebView2Loader.dll"));
    }

    TEST_CASE("one icon group of seven PNG images") {
        UniqueModule module = OpenForResources();
        REQUIRE(module);
        std::string group = Resource(module.Get(), MAKEINTRESOURCEW(32512), RT_GROUP_ICON);
        REQUIRE(group.size() >= 6);
        WORD count = 0;
        std::memcpy(&count, group.data() + 4, sizeof count);
        REQUIRE(count == 7);
        REQUIRE(group.size() == 6 + 7 * sizeof(GroupIconEntry));
        const int sizes[] = {16, 24, 32, 48, 64, 128, 256};
        for (int i = 0; i < 7; ++i) {
            GroupIconEntry entry{};
            std::memcpy(&entry, group.data() + 6 + static_cast<std::size_t>(i) * sizeof entry,
                        sizeof entry);
            CHECK((entry.width == 0 ? 256 : entry.width) == sizes[i]);
            CHECK(entry.bitCount == 32);
            std::string image = Resource(module.Get(), MAKEINTRESOURCEW(entry.id), RT_ICON);
            CHECK(image.size() == entry.bytes);
            CHECK(image.substr(0, 8) == "\x89PNG\r\n\x1a\n");
        }
        int groups = 0;
        EnumResourceNamesW(
            module.Get(), RT_GROUP_ICON,
            [](HMODULE, LPCWSTR, LPWSTR, LONG_PTR counter) -> BOOL {
                ++*reinterpret_cast<int*>(counter);
                return TRUE;
            },
            reinterpret_cast<LONG_PTR>(&groups));
        CHECK(groups == 1);
    }

    TEST_CASE("the manifest") {
        UniqueModule module = OpenForResources();
        REQUIRE(module);
        std::string manifest = Resource(module.Get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
        for (const char* piece : {
                 ">PerMonitorV2</dpiAwareness>",
                 ">true/pm</dpiAware>",
                 "level=\"asInvoker\"",
                 ">true</longPathAware>",
                 "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                 "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
             }) {
            CAPTURE(piece);
            CHECK(manifest.find(piece) != std::string::npos);
        }
    }

    TEST_CASE("the version block") {
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(BrindleExe().c_str(), &ignored);
        REQUIRE(size > 0);
        std::vector<char> block(size);
        REQUIRE(GetFileVersionInfoW(BrindleExe().c_str(), 0, size, block.data()));
        CHECK(VersionString(block, L"ProductName") == L"Brindle");
        CHECK(VersionString(block, L"FileDescription") == L"Brindle desktop shell");
        CHECK(VersionString(block, L"OriginalFilename") == L"brindle.exe");
        CHECK_FALSE(VersionString(block, L"FileVersion").empty());
    }
}
