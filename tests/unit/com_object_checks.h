// What every COM object of the shell owes its callers through IUnknown.
#pragma once

#include "platform/prelude.h"
#include "platform/webview2.h"

#include <doctest.h>

#include <unknwn.h>

namespace Brindle::Tests {

// The object's count, seen the only way a caller can see it.
inline ULONG ReferencesOf(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

// IUnknown and `own` give the object itself with a new reference; any other interface gives none.
inline void CheckQueryInterface(IUnknown* object, REFIID own) {
    constexpr IID unrelated = {
        0x5b0f6c1e, 0x2d47, 0x4a93, {0x8e, 0x11, 0xc7, 0x3a, 0x90, 0x5d, 0x28, 0xb4}};
    const IID* const answered[] = {&IID_IUnknown, &own};
    const IID* const refused[] = {
        &Shell::IID_ICoreWebView2,
        &Shell::IID_ICoreWebView2Controller,
        &Shell::IID_ICoreWebView2Environment,
        &Shell::IID_ICoreWebView2EnvironmentOptions,
        &Shell::IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
        &Shell::IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
        &unrelated};
    ULONG references = ReferencesOf(object);
    for (const IID* asked : answered) {
        void* out = nullptr;
        CHECK(object->QueryInterface(*asked, &out) == S_OK);
        CHECK(out == object);
        CHECK(ReferencesOf(object) == references + 1);
        if (out != nullptr) {
            static_cast<IUnknown*>(out)->Release();
        }
    }
    for (const IID* asked : refused) {
        if (*asked == own) {
            continue;
        }
        void* out = object;
        CHECK(object->QueryInterface(*asked, &out) == E_NOINTERFACE);
        CHECK(out == nullptr);
    }
    CHECK(object->QueryInterface(own, nullptr) == E_POINTER);
    CHECK(object->QueryInterface(unrelated, nullptr) == E_POINTER);
    CHECK(ReferencesOf(object) == references);
}

} // namespace Brindle::Tests
