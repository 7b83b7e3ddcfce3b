// Work for later on the calling thread, from inside its message loop, as the runtime delivers
// its completions. A modal loop (a message box) dispatches it as well.
#pragma once

#include "platform/prelude.h"

#include <memory>
#include <type_traits>
#include <utility>

namespace Brindle::Standin {

class Work {
public:
    Work() = default;
    Work(const Work&) = delete;
    Work& operator=(const Work&) = delete;
    virtual ~Work() = default;
    virtual void Run() = 0;
};

// False when the thread cannot take a timer; the work is dropped then.
bool Post(std::unique_ptr<Work> work) noexcept;

// Holds the work until `window`, one of the calling thread's, gets WM_DESTROY, then posts it.
// Posted, not timed: a timer message comes only after the quit message that the window's
// destruction posts, and a loop ends there; a posted one comes before it, as an answer that was
// queued by then would. False when the work cannot be held; it is dropped then.
bool PostAfterDestroy(HWND window, std::unique_ptr<Work> work) noexcept;

// The calling thread's first shown top-level window that is not a dialog box, or none.
HWND ShownWindowOfThread() noexcept;

// Takes move-only callables too, which std::function cannot hold.
template <typename Call>
std::unique_ptr<Work> MakeWork(Call&& call) {
    class CallWork final : public Work {
    public:
        explicit CallWork(Call&& held) : call_(std::forward<Call>(held)) {}
        void Run() override { call_(); }

    private:
        std::decay_t<Call> call_;
    };
    return std::make_unique<CallWork>(std::forward<Call>(call));
}

// Soon, from the thread's message loop; or, given a window, once that window is destroyed.
template <typename Call>
bool RunLater(Call&& call, HWND afterDestroyOf = nullptr) noexcept {
    try {
        std::unique_ptr<Work> work = MakeWork(std::forward<Call>(call));
        return afterDestroyOf == nullptr ? Post(std::move(work))
                                         : PostAfterDestroy(afterDestroyOf, std::move(work));
    } catch (...) {
        return false;
    }
}

} // namespace Brindle::Standin
