#pragma once
// Single-instance guard: a named lock that one process holds for its whole run.
// It lives in a lock file held with flock(), so the kernel drops it when the holder ends in any way,
// a crash included: a lock is never left stale.
#include <QString>

namespace sys {

class TInstanceLock {
public:
    enum class Result { Acquired, AlreadyExists, Failed };

    // folder empty: the user's runtime folder ($XDG_RUNTIME_DIR), else the temporary folder.
    explicit TInstanceLock(const QString& name, const QString& folder = QString());
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    Result Acquire();
    void Release();
    bool Held() const { return fd_ >= 0; }
    QString FilePath() const { return path_; }
    // errno of the last failure (Failed), for the log
    int LastError() const { return error_; }

private:
    QString path_;
    int fd_ = -1;
    int error_ = 0;
};

} // namespace sys
