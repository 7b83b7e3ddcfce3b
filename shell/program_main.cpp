#include "shell/program.h"

#include "platform/failure.h"
#include "platform/prelude.h"
#include "shell/log.h"
#include "shell/program_state.h"

namespace Brindle::Shell {

int Program::Main() noexcept {
    Log::Write(L"=== Brindle start ===");
    int exitCode = 1;
    try {
        exitCode = Execute();
    } catch (...) {
        exitCode = CatchSteps();
    }
    EndSteps();
    return exitCode;
}

// Runs inside the handler of the exception that left the road.
int Program::CatchSteps() {
    try {
        CaughtTexts caught = DescribeCurrentException();
        Log::Write(L"FATAAL: " + caught.fullText);
        std::wstring text = L"Brindle could not start.\n\n" + caught.message +
                            L"\n\nDetails are in:\n" + Log::Location();
        MessageBoxW(nullptr, text.c_str(), L"Brindle", MB_OK | MB_ICONERROR);
    } catch (...) {
        // Nothing is left to tell the user with; the exit code still says it.
    }
    return 1;
}

void Program::EndSteps() noexcept {
    StopServer();
    Log::Write(L"=== Brindle einde ===");
}

} // namespace Brindle::Shell
