// The runtime's objects as the stand-in plays them, each new with one reference for the caller.
#pragma once

#include "platform/com_ptr.h"
#include "platform/webview2.h"

namespace Brindle::Standin {

Shell::ComPtr<Shell::ICoreWebView2Environment> NewEnvironment();
Shell::ComPtr<Shell::ICoreWebView2Controller> NewController();
Shell::ComPtr<Shell::ICoreWebView2> NewView();

} // namespace Brindle::Standin
