// Work for later on the calling thread, from inside its message loop, as the runtime delivers
// its completions. A modal loop (a message box) dispatches it as well.
#pragma once

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

// Takes move-only callables too, which std::function cannot hold.
template <typename Call>
bool RunLater(Call&& call) noexcept {
    class CallWork final : public Work {
    public:
        explicit CallWork(Call&& held) : call_(std::forward<Call>(held)) {}
        void Run() override { call_(); }

    private:
        std::decay_t<Call> call_;
    };
    try {
        return Post(std::make_unique<CallWork>(std::forward<Call>(call)));
    } catch (...) {
        return false;
    }
}

} // namespace Brindle::Standin
