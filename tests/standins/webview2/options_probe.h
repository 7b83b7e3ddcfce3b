// What the runtime asks of the shell's options object while it creates an environment.
#pragma once

#include "platform/webview2.h"

namespace Brindle::Standin {

// Records an `options` line with the answers.
void ProbeAndRecord(Shell::ICoreWebView2EnvironmentOptions* options) noexcept;

} // namespace Brindle::Standin
