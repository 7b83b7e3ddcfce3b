#include "webview2/webview2_loader.h"

#include "platform/unique_handle.h"
#include "platform/win32.h"
#include "shell/log.h"
#include "shell/log_exception.h"

namespace Brindle::Shell {

namespace {

constexpr const wchar_t* LoaderName = L"WebView2Loader.dll";

bool NotFound(DWORD error) {
    return error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND ||
           error == ERROR_PATH_NOT_FOUND;
}

struct Loaded {
    HMODULE library;
    DWORD error;
};

// Only the copy beside the exe or the system's own: a search by name would also take one from
// the current directory or PATH, and breaks on a folder name with a semicolon in it.
Loaded LoadLoader() {
    const std::wstring beside = Win32::ExecutableFolder() + LoaderName;
    HMODULE library = LoadLibraryExW(
        beside.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    DWORD error = GetLastError();
    if (library == nullptr && NotFound(error)) {
        library = LoadLibraryExW(LoaderName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        error = GetLastError();
    }
    return {library, error};
}

// Kept for the whole process: objects of the library stay referenced until the very end.
HMODULE LoaderLibrary() {
    static const HMODULE library = [] {
        const Loaded loaded = LoadLoader();
        if (loaded.library != nullptr) {
            return loaded.library;
        }
        if (loaded.error == ERROR_BAD_EXE_FORMAT ||
            loaded.error == ERROR_EXE_MACHINE_TYPE_MISMATCH) {
            throw Failure::FromWin32(L"LoadLibraryExW(WebView2Loader.dll)", loaded.error);
        }
        throw LoaderLibraryMissing(loaded.error);
    }();
    return library;
}

template <typename Function>
Function EntryPoint(const char* name) {
    FARPROC found = GetProcAddress(LoaderLibrary(), name);
    if (found == nullptr) {
        DWORD error = GetLastError();
        std::wstring wideName(name, name + std::char_traits<char>::length(name));
        throw Failure::FromWin32(L"WebView2Loader.dll has no entry point " + wideName, error);
    }
    // GetProcAddress hands out a generic function pointer; the caller names the real type.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

void LogProbeFailure() noexcept {
    try {
        throw;
    } catch (const LoaderLibraryMissing&) {
        Log::Write(L"WebView2Loader.dll ontbreekt naast de exe");
    } catch (...) {
        LogCurrentExceptionMessage(L"runtimeversie opvragen mislukt: ");
    }
}

} // namespace

LoaderLibraryMissing::LoaderLibraryMissing(unsigned long code, std::source_location where)
    : Failure(L"LoaderLibraryMissing", Failure::FromWin32(LoaderName, code).Message(), where) {}

HRESULT WebView2Loader::CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder, ICoreWebView2EnvironmentOptions* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    static const auto create = EntryPoint<CreateCoreWebView2EnvironmentWithOptionsFunction>(
        "CreateCoreWebView2EnvironmentWithOptions");
    return create(browserExecutableFolder, userDataFolder, options, handler);
}

HRESULT WebView2Loader::GetAvailableCoreWebView2BrowserVersionString(PCWSTR browserExecutableFolder,
                                                                     LPWSTR* versionInfo) {
    static const auto version = EntryPoint<GetAvailableCoreWebView2BrowserVersionStringFunction>(
        "GetAvailableCoreWebView2BrowserVersionString");
    return version(browserExecutableFolder, versionInfo);
}

std::optional<std::wstring> WebView2Loader::RuntimeVersion() noexcept {
    try {
        UniqueCoTaskMemText version;
        HRESULT hr = GetAvailableCoreWebView2BrowserVersionString(nullptr, version.Put());
        if (FAILED(hr)) {
            // A loader that failed owes us no string: whatever it left there is not ours to free.
            static_cast<void>(version.Release());
            return std::nullopt;
        }
        if (!version) {
            return std::nullopt;
        }
        // The copy may fail; the owner frees the loader's string either way.
        return std::wstring(version.Get());
    } catch (...) {
        LogProbeFailure();
        return std::nullopt;
    }
}

} // namespace Brindle::Shell
