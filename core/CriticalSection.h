#pragma once
// The critical section the drivers, the journal and the instrument table share between their threads.
#include <mutex>

// Re-entrant: the thread that holds it may enter again (and must leave as often as it entered);
// TryEnter fails only while another thread holds it.
class critsection_t {
public:
    critsection_t() = default;
    critsection_t(const critsection_t&) = delete;
    critsection_t& operator=(const critsection_t&) = delete;

    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }
    bool TryEnter() { return mutex_.try_lock(); }

private:
    std::recursive_mutex mutex_;
};

// Holds a critical section for a scope, so every way out of it leaves the section.
class TCritLock {
public:
    explicit TCritLock(critsection_t& cs) : cs_(cs) { cs_.Enter(); }
    // Takes over a section this thread has entered already (by a TryEnter that succeeded).
    TCritLock(critsection_t& cs, std::adopt_lock_t) : cs_(cs) {}
    ~TCritLock() { cs_.Leave(); }
    TCritLock(const TCritLock&) = delete;
    TCritLock& operator=(const TCritLock&) = delete;

private:
    critsection_t& cs_;
};
