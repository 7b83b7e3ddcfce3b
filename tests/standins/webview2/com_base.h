// IUnknown for the stand-in's objects, and the guard that keeps exceptions inside them.
#pragma once

#include "platform/prelude.h"

#include <unknwn.h>

#include <atomic>
#include <new>

namespace Brindle::Standin {

// Hands out IUnknown and Own only. The virtual destructor's slot comes after every slot of the
// interface, so the layout the caller sees is the interface's.
template <typename Interface, const IID& Own>
class ComObject : public Interface {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID asked, void** out) noexcept override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (!IsEqualIID(asked, Own) && !IsEqualIID(asked, IID_IUnknown)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<Interface*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

private:
    std::atomic<ULONG> references_{1};
};

// No exception may cross the interface: it becomes the HRESULT that says most about it.
template <typename Call>
HRESULT Guarded(Call&& call) noexcept {
    try {
        return call();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace Brindle::Standin
