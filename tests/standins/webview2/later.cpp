#include "later.h"

#include "platform/prelude.h"

#include <map>
#include <mutex>
#include <utility>

namespace Brindle::Standin {

namespace {

// Timers without a window are the thread's own, and so are their numbers.
using Key = std::pair<DWORD, UINT_PTR>;

std::mutex& PendingLock() {
    static std::mutex lock;
    return lock;
}

std::map<Key, std::unique_ptr<Work>>& Pending() {
    static std::map<Key, std::unique_ptr<Work>> pending;
    return pending;
}

std::unique_ptr<Work> TakePending(UINT_PTR timer) {
    const std::lock_guard lock(PendingLock());
    const auto found = Pending().find(Key(GetCurrentThreadId(), timer));
    if (found == Pending().end()) {
        return nullptr;
    }
    std::unique_ptr<Work> work = std::move(found->second);
    Pending().erase(found);
    return work;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD) noexcept {
    // Killed first: the work may run a modal loop that would dispatch the timer again.
    KillTimer(nullptr, timer);
    try {
        if (const std::unique_ptr<Work> work = TakePending(timer)) {
            work->Run();
        }
    } catch (...) {
        // Nobody to tell from inside a dispatched message.
    }
}

} // namespace

bool Post(std::unique_ptr<Work> work) noexcept {
    try {
        const std::lock_guard lock(PendingLock());
        const UINT_PTR timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &OnTimer);
        if (timer == 0) {
            return false;
        }
        // Should this throw, the timer finds nothing and only kills itself.
        Pending()[Key(GetCurrentThreadId(), timer)] = std::move(work);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace Brindle::Standin
