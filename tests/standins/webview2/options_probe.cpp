#include "options_probe.h"

#include "record.h"
#include "text.h"

#include "platform/com_ptr.h"
#include "platform/unique_handle.h"

#include <string>

namespace Brindle::Standin {

namespace {

using Options = Shell::ICoreWebView2EnvironmentOptions;

// Stands for a later version of the options interface, which the shell's object does not have.
constexpr IID kLaterOptions = {
    0x5be0d7a2, 0x93c1, 0x4f6e, {0xb8, 0x2d, 0x61, 0x0a, 0xe4, 0x37, 0xc9, 0x15}};

std::wstring Failed(HRESULT code) {
    return L"(failed " + HexCode(code) + L")";
}

// The text is freed as the receiver must: with CoTaskMemFree.
template <typename Get>
std::wstring AskText(Get get) {
    Shell::UniqueCoTaskMemText text;
    const HRESULT code = get(text.Put());
    if (FAILED(code)) {
        return Failed(code);
    }
    return text ? std::wstring(text.Get()) : std::wstring(L"(null)");
}

std::wstring AskSingleSignOn(Options* options) {
    BOOL allow = FALSE;
    const HRESULT code = options->get_AllowSingleSignOnUsingOSPrimaryAccount(&allow);
    if (FAILED(code)) {
        return Failed(code);
    }
    return allow ? L"1" : L"0";
}

void AskLaterInterface(Options* options, Record& line) {
    void* marker = nullptr;
    void* other = &marker;
    const HRESULT code = options->QueryInterface(kLaterOptions, &other);
    line.Code(L"other", code).YesNo(L"otherNulled", other == nullptr);
    if (SUCCEEDED(code) && other != nullptr && other != &marker) {
        // A wrong yes still hands over a reference, which is given back here.
        const auto unwanted = Shell::ComPtr<IUnknown>::Adopt(static_cast<IUnknown*>(other));
    }
}

} // namespace

void ProbeAndRecord(Options* options) noexcept {
    try {
        Record line(L"options");
        line.Text(L"arguments", AskText([&](LPWSTR* out) {
                      return options->get_AdditionalBrowserArguments(out);
                  }))
            .Text(L"language", AskText([&](LPWSTR* out) { return options->get_Language(out); }))
            .Text(L"target", AskText([&](LPWSTR* out) {
                      return options->get_TargetCompatibleBrowserVersion(out);
                  }))
            .Text(L"sso", AskSingleSignOn(options));
        AskLaterInterface(options, line);
        line.Write();
    } catch (...) {
        // Only the record is lost.
    }
}

} // namespace Brindle::Standin
