#pragma once
// Puts state back when a scope ends, however it ends: the one way the program restores what a failed
// operation left changed. Dismiss keeps the guard from running, for work to be undone only when it fails.
#include <exception>
#include <utility>

namespace rtl {

template <class Fn>
class TScopeGuard {
public:
    explicit TScopeGuard(Fn fn) : fn_(std::move(fn)) {}
    TScopeGuard(const TScopeGuard&) = delete;
    TScopeGuard& operator=(const TScopeGuard&) = delete;

    // On a normal exit an error of the restore reaches the caller. While an error already leaves the scope,
    // one of the restore is dropped: the first error is the one that says what went wrong.
    ~TScopeGuard() noexcept(false)
    {
        if (!armed_)
            return;
        if (std::uncaught_exceptions() == exceptions_) {
            fn_();
            return;
        }
        try {
            fn_();
        } catch (...) {
        }
    }

    void Dismiss() { armed_ = false; }

private:
    Fn fn_;
    const int exceptions_ = std::uncaught_exceptions();
    bool armed_ = true;
};

template <class Fn>
TScopeGuard(Fn) -> TScopeGuard<Fn>;

} // namespace rtl
