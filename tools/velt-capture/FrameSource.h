#pragma once
// One capture device of the server: a camera or the test pattern. Frames are handed over as the client
// expects them: rows of blue, green, red (and a spare byte at 4 bytes per pixel), bottom row first, with no
// padding between rows.
#include "platform/ipc/CaptureProtocol.h"

#include <cstdint>
#include <string>
#include <vector>

class TFrameSource {
public:
    virtual ~TFrameSource() = default;
    virtual std::string Name() const = 0;
    virtual ipc::FrameFormat Format() const = 0;
    // A descriptor that becomes readable when a frame is ready, or -1 for a source run by the clock.
    virtual int PollFd() const { return -1; }
    // Milliseconds until the next frame of a clocked source (-1: not clocked).
    virtual int MsUntilFrame() const { return -1; }
    // The newest frame into out, sized to the format; false when none is ready (or the device failed).
    virtual bool Grab(std::vector<uint8_t>& out) = 0;
    // The options command: the next format the device offers, in turn; false (with the reason) when it
    // cannot change.
    virtual bool NextFormat(std::string* error) = 0;
};
