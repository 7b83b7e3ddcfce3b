// The shell's run: the process's frame, the start-up road and its stages.
#pragma once

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

private:
    // A stage either lets the road go on (no value) or ends it with an exit code.
    using StageResult = std::optional<int>;

    static void StartLineStage();
    static int CatchSteps();
    static void EndSteps() noexcept;
};

} // namespace Brindle::Shell
