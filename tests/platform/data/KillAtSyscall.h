#pragma once
// Runs a piece of work in a child process and kills it (SIGKILL) at its n-th stop on the way into or out
// of a system call that can change files. Files change only inside such calls, so walking n from 1 up
// kills the work at every instant that can leave something different on disk.
#include <functional>
#include <initializer_list>

#include <csignal>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/user.h>
#include <sys/wait.h>
#include <unistd.h>

namespace killat {

enum class Outcome { Killed, Finished, Failed };

inline bool changesFiles(pid_t child)
{
#if defined(__x86_64__)
    user_regs_struct regs {};
    if (::ptrace(PTRACE_GETREGS, child, nullptr, &regs) != 0)
        return true;
    for (long call : {SYS_write, SYS_pwrite64, SYS_writev, SYS_openat, SYS_open, SYS_rename, SYS_renameat, SYS_renameat2,
                      SYS_link, SYS_linkat, SYS_unlink, SYS_unlinkat, SYS_ftruncate, SYS_fsync, SYS_fdatasync, SYS_mkdir,
                      SYS_mkdirat})
        if (long(regs.orig_rax) == call)
            return true;
    return false;
#else
    (void)child;
    return true;
#endif
}

inline Outcome run(int stop, const std::function<void()>& work)
{
    const pid_t child = ::fork();
    if (child < 0)
        return Outcome::Failed;
    if (child == 0) {
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            ::_exit(3);
        ::raise(SIGSTOP);
        try {
            work();
        } catch (...) {
            ::_exit(2);
        }
        ::_exit(0);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFSTOPPED(status)) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        return Outcome::Failed;
    }
    for (int n = 0;;) {
        if (n == stop) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return Outcome::Killed;
        }
        if (::ptrace(PTRACE_SYSCALL, child, nullptr, nullptr) != 0 || ::waitpid(child, &status, 0) != child) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return Outcome::Failed;
        }
        if (WIFEXITED(status))
            return WEXITSTATUS(status) == 0 ? Outcome::Finished : Outcome::Failed;
        if (WIFSIGNALED(status))
            return Outcome::Failed;
        n += changesFiles(child);
    }
}

} // namespace killat
