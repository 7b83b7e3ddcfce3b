// Records every load of the library, with the path it was loaded from, so that a test can tell
// that the shell never took a copy that lies where it should not look.

#include "record.h"

#include "platform/prelude.h"

#include <string>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        try {
            std::wstring path(32768, L'\0');
            path.resize(GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size())));
            // The record's lock is held by writers only around one append and its wait has a
            // limit, so taking it here, under the loader lock, cannot hang the load.
            Brindle::Standin::Record(L"loaded").Text(L"path", path).Write();
        } catch (...) {
            // Unrecorded, the load goes on: the library must not fail for its record.
        }
    }
    return TRUE;
}
