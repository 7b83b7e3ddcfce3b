// A move-only owner of one counted COM reference.
#pragma once

#include "platform/prelude.h"

#include <unknwn.h>

#include <utility>

namespace Brindle::Shell {

template <typename Interface>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.pointer_, nullptr));
        }
        return *this;
    }
    ~ComPtr() { Reset(); }

    // Takes over a reference that the caller already owns (a new object, an out parameter).
    [[nodiscard]] static ComPtr Adopt(Interface* pointer) noexcept {
        ComPtr owner;
        owner.pointer_ = pointer;
        return owner;
    }
    // Takes a reference of its own on an object that someone else owns.
    [[nodiscard]] static ComPtr Retain(Interface* pointer) noexcept {
        if (pointer != nullptr) {
            pointer->AddRef();
        }
        return Adopt(pointer);
    }

    [[nodiscard]] Interface* Get() const noexcept { return pointer_; }
    Interface* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }

    // For an out parameter: lets go of the old reference and hands out the place for the new one.
    [[nodiscard]] Interface** Put() noexcept {
        Reset();
        return &pointer_;
    }
    void Reset(Interface* pointer = nullptr) noexcept {
        Interface* old = std::exchange(pointer_, pointer);
        if (old != nullptr) {
            old->Release();
        }
    }

private:
    Interface* pointer_ = nullptr;
};

} // namespace Brindle::Shell
