// The process entry of brindle.exe.
#include "platform/prelude.h"

#include <objbase.h>

#include "shell/program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // WebView2 needs a single-threaded apartment on the thread that owns the window. COM is never
    // uninitialised: the browser control's objects are held until the process ends.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    return Brindle::Shell::Program::Main();
}
