#include "webview2/com_object.h"

#include "platform/unique_handle.h"

#include <algorithm>

namespace Brindle::Shell {

HRESULT QueryOwnInterface(IUnknown* self, REFIID own, REFIID asked, void** out) noexcept {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (asked != IID_IUnknown && asked != own) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    self->AddRef();
    *out = self;
    return S_OK;
}

ULONG AddReference(std::atomic<ULONG>& references) noexcept {
    return ++references;
}

ULONG DropReference(std::atomic<ULONG>& references) noexcept {
    return --references;
}

HRESULT CopyToTaskMemory(std::wstring_view text, LPWSTR* out) noexcept {
    if (out == nullptr) {
        return E_POINTER;
    }
    UniqueCoTaskMemText copy(
        static_cast<wchar_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t))));
    if (!copy) {
        return E_OUTOFMEMORY;
    }
    std::copy(text.begin(), text.end(), copy.Get());
    copy.Get()[text.size()] = L'\0';
    *out = copy.Release();
    return S_OK;
}

} // namespace Brindle::Shell
