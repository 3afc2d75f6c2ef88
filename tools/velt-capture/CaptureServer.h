#pragma once
// The capture server's loop: one thread polls the listening socket, the clients and the devices. Each device
// keeps its newest frame; a client reads status, formats and frames on request and is told of new frames and
// format changes it subscribed to. A client that does not read is not sent more frame notices than fit a
// small queue, so it can never hold the server up.
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
        bool closing = false;
    };

    void accept();
    void receive(Client& c);
    void handle(Client& c, const uint8_t* request);
    void flush(Client& c);
    void reply(Client& c, uint16_t op, uint32_t status, const uint8_t* data, uint32_t n);
    void notify(uint16_t event, bool frames);
    void options(uint32_t device);
    void grab(size_t device);

    std::vector<Device> devices_;
    std::vector<std::unique_ptr<Client>> clients_;
    int listenFd_;
    int idleExitMs_;
    std::chrono::steady_clock::time_point lastClient_;
    std::atomic<bool> stop_{false};
};
