#include "shell/program.h"

#include "platform/text.h"
#include "platform/win32.h"
#include "shell/log.h"
#include "shell/program_state.h"
#include "shell/scaled_length.h"

namespace Brindle::Shell {

namespace {

constexpr WORD IconResource = 32512;

std::wstring LastErrorText(DWORD error) {
    return Text::Decimal(static_cast<std::int32_t>(error));
}

} // namespace

std::int32_t Program::Scale(std::int32_t value) {
    return ScaledLength(State().dpi, value);
}

Program::StageResult Program::WindowClassStage() {
    Statics& state = State();
    HINSTANCE module = GetModuleHandleW(nullptr);
    UINT systemDpi = Win32::GetDpiForSystem();
    state.dpi = systemDpi == 0 ? 96 : systemDpi;
    HICON icon = LoadIconW(module, MAKEINTRESOURCEW(IconResource));
    HCURSOR cursor = LoadCursorW(nullptr, IDC_ARROW);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &Program::WindowProc;
    windowClass.hInstance = module;
    windowClass.hIcon = icon;
    windowClass.hCursor = cursor;
    // The system colour brushes are passed as the colour index plus one.
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = state.windowClass.c_str();
    windowClass.hIconSm = icon;

    SetLastError(0);
    ATOM atom = RegisterClassExW(&windowClass);
    DWORD error = GetLastError();
    if (atom == 0) {
        Log::Write(L"RegisterClassExW faalde, lasterror=" + LastErrorText(error));
        return 3;
    }
    return std::nullopt;
}

Program::StageResult Program::MainWindowStage() {
    Statics& state = State();
    std::int32_t width = Scale(1280);
    std::int32_t height = Scale(800);
    HINSTANCE module = GetModuleHandleW(nullptr);
    SetLastError(0);
    HWND window = CreateWindowExW(0, state.windowClass.c_str(), L"Brindle", WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, width, height, nullptr, nullptr,
                                  module, nullptr);
    DWORD error = GetLastError();
    state.hwnd = window;
    if (window == nullptr) {
        Log::Write(L"CreateWindowExW faalde, lasterror=" + LastErrorText(error));
        return 4;
    }
    Log::Write(L"venster 0x" +
               Text::Hex(reinterpret_cast<std::uintptr_t>(window), Text::Case::Upper) + L" op " +
               Text::Decimal(state.dpi) + L" dpi");
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    return std::nullopt;
}

int Program::MessageLoopStage() {
    MSG message{};
    for (;;) {
        BOOL result = GetMessageW(&message, nullptr, 0, 0);
        if (result == 0 || result == -1) {
            return 0;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace Brindle::Shell
