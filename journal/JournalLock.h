#pragma once
// Holds a critsection_t for a scope, so a statement that raises still leaves the lock.
#include "core/CriticalSection.h"

class JournalLock {
public:
    enum AdoptTag { Adopt };
    explicit JournalLock(critsection_t& lock) : lock_(lock) { lock_.Enter(); }
    JournalLock(critsection_t& lock, AdoptTag) : lock_(lock) {}
    ~JournalLock() { lock_.Leave(); }
    JournalLock(const JournalLock&) = delete;
    JournalLock& operator=(const JournalLock&) = delete;

private:
    critsection_t& lock_;
};
