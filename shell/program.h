// The shell's run: the process's frame, the start-up road and its stages, and the main window.
#pragma once

#include "platform/prelude.h"
#include "platform/unique_handle.h"

#include <cstdint>
#include <optional>
#include <string>

namespace Brindle::Shell {

class Program {
public:
    Program() = delete;

    // Runs the whole shell once and answers the process's exit code; never raises.
    static int Main() noexcept;
    // The start-up road: its stages in their fixed order, ended by the first that ends it.
    static int Execute();
    // The installation key of the folder that the running executable lies in.
    static std::wstring InstallKey();
    // A length in pixels at 96 DPI, scaled to the system DPI of this run.
    static std::int32_t Scale(std::int32_t value);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept;

    // The per-installation names that a second start looks for.
    static const std::wstring& WindowClass();
    static const std::wstring& MutexName();

    // The road's stages, in the order Execute runs them. A stage either lets the road go on (no
    // value) or ends it with an exit code.
    using StageResult = std::optional<int>;
    static void StartLineStage();
    static StageResult GuardStage(UniqueHandle& mutex);
    static StageResult ServerStage();
    static StageResult WindowClassStage();
    static StageResult MainWindowStage();
    static int MessageLoopStage();

private:
    struct Statics;
    static Statics& State();

    static int CatchSteps();
    static void EndSteps() noexcept;
    // Stops the tool when there is a server; harmless when it has stopped already.
    static void StopServer() noexcept;
};

} // namespace Brindle::Shell
