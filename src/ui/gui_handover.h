// A call carried to another thread through Qt's event queue, made visible to
// ThreadSanitizer.
//
// Debian's Qt is not built with the sanitizer, so the locks inside its event
// queue are invisible to it: every call a worker posts to the GUI thread
// would show as a race between the worker that built the call and the GUI
// thread that runs and frees it. GuiHandover marks the hand-over itself on
// the call's own storage: the worker releases it once the call is in the
// place Qt keeps it, the receiving thread acquires it before running it and
// releases it after, and whichever thread frees the call acquires it first.
// Outside a ThreadSanitizer build the marks are nothing and the wrapper is a
// plain move of the work.
//
// Threads: built on the posting thread, run on the receiving one; the work is
// run at most once per copy Qt makes (it makes none for a queued call).
#pragma once

#include <functional>
#include <utility>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace varnet::ui {

class GuiHandover {
public:
    explicit GuiHandover(std::function<void()> work) : work_(std::move(work)) { Release(); }
    GuiHandover(GuiHandover&& other) noexcept : work_((other.Acquire(), std::move(other.work_))) {
        Release();
    }
    GuiHandover(const GuiHandover& other) : work_((other.Acquire(), other.work_)) { Release(); }
    GuiHandover& operator=(const GuiHandover&) = delete;
    GuiHandover& operator=(GuiHandover&&) = delete;
    ~GuiHandover() { Acquire(); }

    void operator()() {
        Acquire();
        if (work_)
            work_();
        Release();
    }

private:
    void Acquire() const {
#if defined(__SANITIZE_THREAD__)
        __tsan_acquire(const_cast<GuiHandover*>(this));
#endif
    }
    void Release() const {
#if defined(__SANITIZE_THREAD__)
        __tsan_release(const_cast<GuiHandover*>(this));
#endif
    }

    std::function<void()> work_;
};

} // namespace varnet::ui
