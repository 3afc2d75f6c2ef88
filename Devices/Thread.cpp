#include "Devices/Thread.h"
#include "core/Debug.h"
#include "platform/controls/Synchronize.h"

#include <exception>

TThread::TThread() = default;

TThread::~TThread()
{
    // The derived class has stopped its thread already; this only catches a forgotten Stop of a thread that
    // never ran or has ended.
    Stop();
}

void TThread::Resume()
{
    std::lock_guard<std::mutex> g(lock_);
    if (terminated_)
        return;
    holdRequested_ = false;
    if (!started_) {
        started_ = true;
        thread_ = std::thread([this] { run(); });
        return;
    }
    wake_ = true;
    changed_.notify_all();
}

void TThread::Terminate()
{
    {
        std::lock_guard<std::mutex> g(lock_);
        terminated_ = true;
    }
    changed_.notify_all();
    OnTerminate();
}

void TThread::WaitFor()
{
    if (thread_.get_id() == std::this_thread::get_id())
        return;
    {
        std::lock_guard<std::mutex> g(lock_);
        if (!started_)
            return;
    }
    ctl::WaitServing([this] { return finished_.load(); });
    if (thread_.joinable())
        thread_.join();
}

void TThread::Stop()
{
    Terminate();
    WaitFor();
}

bool TThread::Started() const
{
    std::lock_guard<std::mutex> g(lock_);
    return started_;
}

bool TThread::Suspended() const
{
    std::lock_guard<std::mutex> g(lock_);
    return !started_ || parked_;
}

void TThread::RequestHold()
{
    std::lock_guard<std::mutex> g(lock_);
    holdRequested_ = true;
    wake_ = false;
}

bool TThread::WaitHeld(std::chrono::milliseconds timeout)
{
    return ctl::WaitServing(
        [this] {
            std::lock_guard<std::mutex> g(lock_);
            return !started_ || parked_ || finished_;
        },
        timeout);
}

void TThread::Synchronize(const std::function<void()>& fn)
{
    ctl::Synchronize(fn);
}

void TThread::Queue(std::function<void()> fn)
{
    ctl::Queue(std::move(fn));
}

bool TThread::Sleep(int ms)
{
    std::unique_lock<std::mutex> g(lock_);
    changed_.wait_for(g, std::chrono::milliseconds(ms), [this] { return terminated_.load(); });
    return !terminated_;
}

void TThread::HoldPoint()
{
    std::unique_lock<std::mutex> g(lock_);
    if (holdRequested_ && !terminated_)
        park(g);
}

void TThread::SuspendSelf()
{
    std::unique_lock<std::mutex> g(lock_);
    park(g);
}

void TThread::park(std::unique_lock<std::mutex>& g)
{
    if (wake_) { // resumed while still running
        wake_ = false;
        return;
    }
    parked_ = true;
    changed_.wait(g, [this] { return wake_ || terminated_.load(); });
    parked_ = false;
    wake_ = false;
    holdRequested_ = false;
}

void TThread::run()
{
    try {
        Execute();
    } catch (const std::exception& e) {
        Dbg().Print("Thread: unhandled exception: %s", e.what());
    } catch (...) {
        Dbg().Print("Thread: unhandled exception");
    }
    {
        std::lock_guard<std::mutex> g(lock_);
        finished_ = true;
    }
    changed_.notify_all();
}
