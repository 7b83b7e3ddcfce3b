// The loader library's two entry points, exported undecorated through the .def files.

#include "answer.h"
#include "com_base.h"
#include "completion.h"
#include "fakes.h"
#include "options_probe.h"
#include "record.h"
#include "text.h"

#include "platform/com_ptr.h"
#include "platform/webview2.h"

namespace {

using namespace Brindle::Standin;
using Brindle::Shell::ComPtr;
using Brindle::Shell::ICoreWebView2Environment;
using Brindle::Shell::ICoreWebView2EnvironmentOptions;
using Handler = Brindle::Shell::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;

HRESULT CreateEnvironment(PCWSTR folder, PCWSTR userData, ICoreWebView2EnvironmentOptions* options,
                          Handler* handler) {
    Record line(L"create");
    const Answer call = ReadCreateAnswer(options != nullptr);
    HRESULT answer = handler == nullptr ? E_POINTER : call.code;
    if (SUCCEEDED(answer) && call.object) {
        const Answer result = ReadAnswer(L"WEBVIEW2_STANDIN_ENVIRONMENT");
        // The runtime knows no window yet; a held answer waits for the one the shell shows.
        if (!CompleteLater(L"environment", ShownWindowOfThread(), ComPtr<Handler>::Retain(handler),
                           result.code,
                           result.object ? NewEnvironment() : ComPtr<ICoreWebView2Environment>())) {
            answer = E_UNEXPECTED;
        }
    }
    line.TextOrNull(L"folder", folder)
        .TextOrNull(L"userData", userData)
        .YesNo(L"options", options != nullptr)
        .Code(L"answer", answer)
        .Apartment()
        .Write();
    // The runtime reads the options whatever it answers.
    if (options != nullptr) {
        ProbeAndRecord(options);
    }
    return answer;
}

HRESULT AvailableVersion(LPWSTR* versionInfo) {
    Record line(L"version");
    HRESULT answer = E_POINTER;
    if (versionInfo != nullptr) {
        *versionInfo = nullptr;
        const VersionAnswer version = ReadVersionAnswer();
        answer = version.code;
        if (version.text) {
            *versionInfo = TaskMemoryCopy(*version.text);
            answer = *versionInfo == nullptr ? E_OUTOFMEMORY : answer;
        }
    }
    line.Code(L"answer", answer)
        .TextOrNull(L"value", versionInfo == nullptr ? nullptr : *versionInfo)
        .Write();
    return answer;
}

} // namespace

extern "C" HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder, ICoreWebView2EnvironmentOptions* options,
    Handler* handler) noexcept {
    return Guarded([&] {
        return CreateEnvironment(browserExecutableFolder, userDataFolder, options, handler);
    });
}

// Left out of the export table of the library that plays an older loader.
extern "C" HRESULT STDAPICALLTYPE
GetAvailableCoreWebView2BrowserVersionString(PCWSTR, LPWSTR* versionInfo) noexcept {
    return Guarded([&] { return AvailableVersion(versionInfo); });
}
