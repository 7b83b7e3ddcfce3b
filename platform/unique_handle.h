// Move-only owners for the kernel, socket and library handles that the shell holds.
#pragma once

#include "platform/prelude.h"

#include <objbase.h>

#include <utility>

namespace Brindle::Shell {

template <typename Traits>
class Unique {
public:
    using Value = typename Traits::Value;

    Unique() noexcept = default;
    explicit Unique(Value value) noexcept : value_(value) {}
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : value_(other.Release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    ~Unique() { Reset(); }

    [[nodiscard]] Value Get() const noexcept { return value_; }
    [[nodiscard]] bool Valid() const noexcept { return Traits::Valid(value_); }
    explicit operator bool() const noexcept { return Valid(); }

    [[nodiscard]] Value Release() noexcept { return std::exchange(value_, Traits::Invalid()); }
    // For an out parameter: lets go of the old value and hands out the place for the new one.
    [[nodiscard]] Value* Put() noexcept {
        Reset();
        return &value_;
    }

    // Closing must not disturb the last-error value that a caller is about to read.
    void Reset(Value value = Traits::Invalid()) noexcept {
        Value old = std::exchange(value_, value);
        if (Traits::Valid(old)) {
            DWORD lastError = GetLastError();
            Traits::Close(old);
            SetLastError(lastError);
        }
    }

private:
    Value value_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using Value = HANDLE;
    static Value Invalid() noexcept { return nullptr; }
    static bool Valid(Value value) noexcept {
        return value != nullptr && value != INVALID_HANDLE_VALUE;
    }
    static void Close(Value value) noexcept { CloseHandle(value); }
};

struct SocketTraits {
    using Value = SOCKET;
    static Value Invalid() noexcept { return INVALID_SOCKET; }
    static bool Valid(Value value) noexcept { return value != INVALID_SOCKET; }
    static void Close(Value value) noexcept { closesocket(value); }
};

struct ModuleTraits {
    using Value = HMODULE;
    static Value Invalid() noexcept { return nullptr; }
    static bool Valid(Value value) noexcept { return value != nullptr; }
    static void Close(Value value) noexcept { FreeLibrary(value); }
};

// Texts that the system allocates for its caller.
struct CoTaskMemTextTraits {
    using Value = wchar_t*;
    static Value Invalid() noexcept { return nullptr; }
    static bool Valid(Value value) noexcept { return value != nullptr; }
    static void Close(Value value) noexcept { CoTaskMemFree(value); }
};

struct LocalTextTraits {
    using Value = wchar_t*;
    static Value Invalid() noexcept { return nullptr; }
    static bool Valid(Value value) noexcept { return value != nullptr; }
    static void Close(Value value) noexcept { LocalFree(value); }
};

using UniqueHandle = Unique<KernelHandleTraits>;
using UniqueCoTaskMemText = Unique<CoTaskMemTextTraits>;
using UniqueLocalText = Unique<LocalTextTraits>;
using UniqueSocket = Unique<SocketTraits>;
using UniqueModule = Unique<ModuleTraits>;

} // namespace Brindle::Shell
