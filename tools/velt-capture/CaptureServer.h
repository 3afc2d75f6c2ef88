#pragma once
// The capture server's loop: one thread polls the listening socket, the clients and the devices. Each device
// keeps its newest frame; a client reads status, formats and frames on request and is told of new frames and
// format changes it subscribed to. What waits for a client that does not read is bounded: past a small
// queue its requests are left unread, its frame notices are skipped and its other notices are kept once
// each, so it can neither grow the server nor hold the other clients up. Out of descriptors, new clients
// are turned away at once rather than left waiting on a listening socket that keeps the loop awake.
#include "tools/velt-capture/FrameSource.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

class TCaptureServer {
public:
    // listenFd: a listening socket (owned); idleExitMs > 0: end that long after the last client left (or
    // after start when none comes).
    TCaptureServer(std::vector<std::unique_ptr<TFrameSource>> devices, int listenFd, int idleExitMs);
    ~TCaptureServer();

    // Serves until Stop() or the idle time-out; returns the exit status.
    int Run();
    void Stop() { stop_ = true; }

private:
    struct Device {
        std::unique_ptr<TFrameSource> source;
        std::vector<uint8_t> frame; // newest frame, empty until one came in the current format
    };
    struct Client {
        int fd = -1;
        uint32_t id = 0;
        bool status = false, frames = false; // subscriptions
        uint32_t device = 0;                 // the device it last read a frame of: its options command's
        std::vector<uint8_t> in;
        std::vector<uint8_t> out;
        size_t sent = 0;
        std::vector<uint16_t> held; // status and format notices waiting for the queue to go down
        bool closing = false;
        size_t Unsent() const { return out.size() - sent; }
    };

    void accept();
    void turnAway();
    void receive(Client& c);
    void serve(Client& c);
    void handle(Client& c, const uint8_t* request);
    void flush(Client& c);
    void queueNotice(Client& c, uint16_t event);
    void reply(Client& c, uint16_t op, uint32_t status, const uint8_t* data, uint32_t n);
    void notify(uint16_t event, bool frames);
    void options(uint32_t device);
    void grab(size_t device);

    std::vector<Device> devices_;
    std::vector<std::unique_ptr<Client>> clients_;
    int listenFd_;
    int reserveFd_ = -1; // kept free for turning clients away when the descriptors run out
    bool turningAway_ = false;
    std::chrono::steady_clock::time_point listenPausedUntil_{};
    int idleExitMs_;
    std::chrono::steady_clock::time_point lastClient_;
    std::atomic<bool> stop_{false};
};
