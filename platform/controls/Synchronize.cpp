#include "platform/controls/Synchronize.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace ctl {

namespace {

// Static initialisation runs on the thread that starts the program.
const std::thread::id g_mainThread = std::this_thread::get_id();

struct Call {
    std::function<void()> fn;
    std::exception_ptr error;
    bool done = false;
};

struct CallQueue {
    std::mutex lock;
    std::condition_variable changed; // a call finished, or one was queued
    std::deque<std::shared_ptr<Call>> calls;
};

CallQueue& queue()
{
    static CallQueue* q = new CallQueue; // never destroyed: workers may still touch it while the program ends
    return *q;
}

void wakeMainLoop()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] { ProcessSynchronizeQueue(); }, Qt::QueuedConnection);
}

} // namespace

bool IsMainThread()
{
    return std::this_thread::get_id() == g_mainThread;
}

void Synchronize(const std::function<void()>& fn)
{
    if (IsMainThread()) {
        fn();
        return;
    }
    auto call = std::make_shared<Call>();
    call->fn = fn;
    CallQueue& q = queue();
    {
        std::lock_guard<std::mutex> g(q.lock);
        q.calls.push_back(call);
    }
    q.changed.notify_all();
    wakeMainLoop();
    {
        std::unique_lock<std::mutex> g(q.lock);
        q.changed.wait(g, [&] { return call->done; });
    }
    if (call->error)
        std::rethrow_exception(call->error);
}

void Queue(std::function<void()> fn)
{
    if (IsMainThread()) {
        try {
            fn();
        } catch (...) {
        }
        return;
    }
    auto call = std::make_shared<Call>();
    call->fn = std::move(fn);
    CallQueue& q = queue();
    bool wasEmpty;
    {
        std::lock_guard<std::mutex> g(q.lock);
        wasEmpty = q.calls.empty();
        q.calls.push_back(call);
    }
    q.changed.notify_all();
    // A queue that was not empty has a wake-up on its way already, or the main thread is running it.
    if (wasEmpty)
        wakeMainLoop();
}

int ProcessSynchronizeQueue()
{
    if (!IsMainThread())
        return 0;
    CallQueue& q = queue();
    int ran = 0;
    for (;;) {
        std::shared_ptr<Call> call;
        {
            std::lock_guard<std::mutex> g(q.lock);
            if (q.calls.empty())
                break;
            call = q.calls.front();
            q.calls.pop_front();
        }
        try {
            call->fn();
        } catch (...) {
            call->error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> g(q.lock);
            call->done = true;
        }
        q.changed.notify_all();
        ++ran;
    }
    return ran;
}

int PendingSynchronizeCalls()
{
    CallQueue& q = queue();
    std::lock_guard<std::mutex> g(q.lock);
    return int(q.calls.size());
}

bool WaitServing(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    using clock = std::chrono::steady_clock;
    const bool waitAlways = timeout.count() < 0;
    const auto deadline = clock::now() + (waitAlways ? std::chrono::milliseconds(0) : timeout);
    const bool main = IsMainThread();
    CallQueue& q = queue();
    for (;;) {
        if (main)
            ProcessSynchronizeQueue();
        if (done())
            return true;
        const auto now = clock::now();
        if (!waitAlways && now >= deadline)
            return false;
        auto step = std::chrono::milliseconds(5);
        if (!waitAlways)
            step = std::min(step, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
                                      std::chrono::milliseconds(1));
        // A queued call wakes this wait at once; the end of a worker is seen within one step.
        std::unique_lock<std::mutex> g(q.lock);
        if (main && !q.calls.empty())
            continue;
        q.changed.wait_for(g, step);
    }
}

} // namespace ctl
