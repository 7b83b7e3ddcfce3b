// The WebView2 loader library, loaded at run time from beside the executable or the system
// folder, and the runtime probe.
#pragma once

#include "platform/failure.h"
#include "platform/webview2.h"

#include <optional>
#include <string>

namespace Brindle::Shell {

// The loader library could not be found or loaded: no WebView2 on this machine, as far as the
// shell can tell.
class LoaderLibraryMissing final : public Failure {
public:
    explicit LoaderLibraryMissing(unsigned long code,
                                  std::source_location where = std::source_location::current());
};

class WebView2Loader {
public:
    WebView2Loader() = delete;

    // The first call of either entry point loads the library. Both raise LoaderLibraryMissing
    // when it is not there, and Failure for a library of the wrong format or without the entry.
    static HRESULT CreateCoreWebView2EnvironmentWithOptions(
        PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
        ICoreWebView2EnvironmentOptions* options,
        ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);
    static HRESULT GetAvailableCoreWebView2BrowserVersionString(PCWSTR browserExecutableFolder,
                                                                LPWSTR* versionInfo);

    // The installed runtime's version, or none; a failure of the call itself is logged here.
    static std::optional<std::wstring> RuntimeVersion() noexcept;
};

} // namespace Brindle::Shell
