#pragma once
// The thread base of the manager, the burst watchdog and the drivers.
//
// A thread is created suspended; Resume starts it, or wakes it when it is held. Holding is cooperative: a
// thread parks only where its own loop says it may (HoldPoint, SuspendSelf), never in the middle of a step
// where it could hold a lock. Terminate wakes every sleep and every park at once, so a held thread ends without
// running its loop again, and its owner joins it. WaitFor on the main thread keeps running the calls workers
// make through Synchronize, so a worker blocked in one never deadlocks the main thread that waits for it.
//
// A derived class must stop its thread (Stop) in its own destructor, before its members go.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class TThread {
public:
    TThread();
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts the thread the first time; later wakes it from a hold.
    void Resume();
    // Asks the thread to end: every sleep and park returns at once.
    void Terminate();
    bool Terminated() const { return terminated_.load(); }
    // Returns when the thread body has returned (at once when it never started); then joins it.
    void WaitFor();
    // Terminate and WaitFor.
    void Stop();

    bool Started() const;
    bool Finished() const { return finished_.load(); }
    // Not started yet, or parked.
    bool Suspended() const;

    // Asks the thread to park at its next hold point; Resume cancels the request or wakes it.
    void RequestHold();
    // Waits (serving Synchronize on the main thread) until the thread is parked, not started or finished.
    bool WaitHeld(std::chrono::milliseconds timeout);

    // Runs fn on the main thread and waits for it.
    static void Synchronize(const std::function<void()>& fn);
    // Hands fn to the main thread without waiting (after the calls handed over before it).
    static void Queue(std::function<void()> fn);

protected:
    virtual void Execute() = 0;
    // Called by Terminate, on the terminating thread: a driver wakes a blocking read here.
    virtual void OnTerminate() {}

    // Sleeps ms milliseconds or until Terminate; false when terminated.
    bool Sleep(int ms);
    // Parks when a hold was requested, until Resume or Terminate.
    void HoldPoint();
    // Parks now, until Resume or Terminate. A Resume that came while the thread was still running is not lost:
    // the park then returns at once.
    void SuspendSelf();

private:
    void run();
    void park(std::unique_lock<std::mutex>& g);

    std::thread thread_;
    mutable std::mutex lock_;
    std::condition_variable changed_;
    bool started_ = false;
    bool parked_ = false;
    bool wake_ = false;
    bool holdRequested_ = false;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
};
