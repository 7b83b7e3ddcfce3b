#include "shell/install_key.h"
#include "shell/lower_case.h"
#include "shell/program.h"
#include "platform/win32.h"

#include <doctest.h>

using namespace Brindle::Shell;

TEST_SUITE("install_key") {
    TEST_CASE("keys of known folders") {
        struct Case {
            const wchar_t* folder;
            const wchar_t* key;
        };
        const Case cases[] = {
            {L"C:\\Apps\\Demo\\", L"485986becc74059f"},
            {L"C:\\APPS\\demo\\", L"485986becc74059f"},
            {L"C:\\Apps\\Demo", L"485986becc74059f"},
            {L"C:\\Apps\\Demo\\\\\\", L"485986becc74059f"},
            {L"D:\\\x03a9mega\\\\", L"c8ce64b69d866732"},
            {L"d:\\\x03c9mega", L"c8ce64b69d866732"},
            {L"C:\\", L"08a28407b54a70d8"},
            {L"", L"cbf29ce484222325"},
            {L"\\\\", L"cbf29ce484222325"},
        };
        for (const auto& c : cases) {
            CAPTURE(std::wstring(c.folder).size());
            CHECK(InstallKeyOf(c.folder) == c.key);
        }
    }

    TEST_CASE("only trailing backslashes are dropped") {
        CHECK(InstallKeyOf(L"C:\\Apps\\Demo/") != InstallKeyOf(L"C:\\Apps\\Demo"));
        CHECK(InstallKeyOf(L"C:\\Apps\\Demo.") != InstallKeyOf(L"C:\\Apps\\Demo"));
        CHECK(InstallKeyOf(L"C:\\Apps\\Demo ") != InstallKeyOf(L"C:\\Apps\\Demo"));
    }

    TEST_CASE("lower-casing by Unicode's simple mappings") {
        struct Case {
            std::wstring text;
            std::wstring lower;
        };
        const Case cases[] = {
            {L"ABC xyz 09\\:", L"abc xyz 09\\:"},
            {L"\x00c9\x00de\x0178", L"\x00e9\x00fe\x00ff"}, // Latin-1 and Ÿ, which maps outside it
            {L"\x0130I\x0131", L"\x0130i\x0131"},           // İ kept, I to i, ı unchanged
            {L"\x03a9\x1e9e\x2c6f", L"\x03c9\x00df\x0250"}, // Ω, capital sharp s, Ɐ
            {L"\x01c5\x1f88", L"\x01c6\x1f80"},             // title-case letters
            {L"\xd801\xdc00\xd83a\xdd21", L"\xd801\xdc28\xd83a\xdd43"}, // Deseret, Adlam
            {L"\xd801\xdc28", L"\xd801\xdc28"},                         // already lowercase
            {L"A\xd801"
             L"B\xdc00"
             L"C",
             L"a\xd801"
             L"b\xdc00"
             L"c"},                                         // unpaired surrogates stay
            {L"\x2160\x24b6\xff21", L"\x2170\x24d0\xff41"}, // Roman numeral, circled, full-width
        };
        for (const auto& c : cases) {
            CHECK(LowerCase(c.text) == c.lower);
        }
    }

    TEST_CASE("a supplementary capital hashes like its lowercase pair") {
        CHECK(InstallKeyOf(L"C:\\\xd801\xdc00") == InstallKeyOf(L"c:\\\xd801\xdc28"));
        CHECK(InstallKeyOf(L"C:\\\x0130") != InstallKeyOf(L"C:\\i"));
    }

    TEST_CASE("the running executable's key is its folder's") {
        CHECK(Program::InstallKey() == InstallKeyOf(Win32::ExecutableFolder()));
        CHECK(Win32::ExecutableFolder().back() == L'\\');
    }
}
