#pragma once
// A camera through Video4Linux, with libv4l2 converting whatever the camera gives (YUYV, MJPEG, ...) into
// 24-bit BGR. Frames are streamed through memory-mapped buffers; the options command steps through the
// frame sizes the camera offers.
#include "tools/velt-capture/FrameSource.h"

#include <memory>

class TV4l2Camera : public TFrameSource {
public:
    // The camera streaming at 640 x 480 or the size nearest to it, or null with the reason in error.
    static std::unique_ptr<TV4l2Camera> Open(const std::string& device, std::string* error);
    ~TV4l2Camera() override;

    std::string Name() const override { return device_; }
    ipc::FrameFormat Format() const override { return format_; }
    int PollFd() const override { return streaming_ ? fd_ : -1; }
    bool Grab(std::vector<uint8_t>& out) override;
    bool NextFormat(std::string* error) override;

private:
    struct Buffer {
        void* start = nullptr;
        size_t length = 0;
    };

    TV4l2Camera(std::string device, int fd);
    bool start(uint32_t width, uint32_t height, std::string* error);
    void stop();
    std::string fail(const char* what) const;

    std::string device_;
    int fd_ = -1;
    bool streaming_ = false;
    ipc::FrameFormat format_;
    uint32_t bytesPerLine_ = 0;
    std::vector<Buffer> buffers_;
    std::vector<std::pair<uint32_t, uint32_t>> sizes_; // offered frame sizes
    size_t size_ = 0;
};
