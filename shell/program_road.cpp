#include "shell/program.h"

#include "platform/win32.h"
#include "shell/install_key.h"
#include "shell/log.h"
#include "shell/program_state.h"
#include "webview2/webview2_loader.h"

namespace Brindle::Shell {

int Program::Execute() {
    StartLineStage();
    // Held until the road ends, on every way out: only the name's existence matters.
    UniqueHandle mutex;
    if (auto end = GuardStage(mutex)) {
        return *end;
    }
    if (auto end = ServerStage()) {
        return *end;
    }
    if (auto end = RuntimeProbeStage()) {
        return *end;
    }
    if (auto end = WindowClassStage()) {
        return *end;
    }
    if (auto end = MainWindowStage()) {
        return *end;
    }
    if (auto end = BrowserEnvironmentStage()) {
        return *end;
    }
    return MessageLoopStage();
}

std::wstring Program::InstallKey() {
    return InstallKeyOf(Win32::ExecutableFolder());
}

Program::Statics& Program::State() {
    // Never destroyed: the browser control and its handlers stay referenced until the process
    // is gone, as releasing them would close the control at exit with no message loop left. The
    // end steps have stopped the tool by then.
    static Statics& statics = *new Statics;
    return statics;
}

void Program::StopServer() noexcept {
    try {
        if (Statics& state = State(); state.server) {
            state.server->Stop();
        }
    } catch (...) {
        // The statics could not even be made, so no server was ever started.
    }
}

const std::wstring& Program::WindowClass() {
    return State().windowClass;
}
const std::wstring& Program::MutexName() {
    return State().mutexName;
}

void Program::StartLineStage() {
    Log::Write(L"start " + Win32::ExecutableFolder() + L" sleutel=" + InstallKey());
}

Program::StageResult Program::ServerStage() {
    Statics& state = State();
    // Set before the start, so that the end steps also stop a tool that never answered.
    state.server = std::make_unique<Server>();
    std::optional<std::wstring> error = state.server->Start();
    if (!error) {
        return std::nullopt;
    }
    Log::Write(L"server start mislukt: " + *error);
    std::wstring text = L"Brindle could not start its local server.\n\n" + *error +
                        L"\n\nDetails are in:\n" + Log::Location();
    MessageBoxW(nullptr, text.c_str(), L"Brindle", MB_OK | MB_ICONERROR);
    return 2;
}

Program::StageResult Program::RuntimeProbeStage() {
    std::optional<std::wstring> version = WebView2Loader::RuntimeVersion();
    if (!version) {
        Log::Write(L"geen WebView2-runtime; terugval op de systeembrowser");
        return WithoutWebView2(NoWindow::RuntimeMissing);
    }
    Log::Write(L"WebView2-runtime " + *version);
    return std::nullopt;
}

} // namespace Brindle::Shell
