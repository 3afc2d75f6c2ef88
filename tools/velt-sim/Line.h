#pragma once
// The simulator's end of the line: a pseudo-terminal pair in raw mode whose slave path is printed as the first
// line of the output (and, with a link path, also reachable under that name) for the program to open.
#include <cstdio>
#include <functional>
#include <fcntl.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>

// The master descriptor, or -1 (said on stderr).
inline int OpenSimulatorLine(const std::string& link)
{
    int master = -1, slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("velt-sim: openpty");
        return -1;
    }
    termios t{};
    ::tcgetattr(master, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(master, TCSANOW, &t);
    ::close(slave);
    if (!link.empty()) {
        ::unlink(link.c_str());
        if (::symlink(name, link.c_str()) != 0)
            std::perror("velt-sim: symlink");
    }
    std::printf("%s\n", name);
    std::fflush(stdout);
    return master;
}

// Hangs the line up: the program's end sees the instrument gone, and the link name goes with it.
inline void CloseSimulatorLine(int fd, const std::string& link)
{
    ::close(fd);
    if (!link.empty())
        ::unlink(link.c_str());
}

// A mode's whole run: the line opened, played on, hung up. What play returns, or 1 when there was no line.
inline int PlayOnSimulatorLine(const std::string& link, const std::function<int(int fd)>& play)
{
    const int fd = OpenSimulatorLine(link);
    if (fd < 0)
        return 1;
    const int status = play(fd);
    CloseSimulatorLine(fd, link);
    return status;
}
