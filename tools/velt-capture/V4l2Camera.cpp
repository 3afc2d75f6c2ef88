#include "tools/velt-capture/V4l2Camera.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libv4l2.h>
#include <linux/videodev2.h>
#include <sys/mman.h>

namespace {

constexpr uint32_t kBuffers = 4;
constexpr uint32_t kMaxSide = 65535; // the format's 16-bit width and height

int xioctl(int fd, unsigned long request, void* arg)
{
    int r;
    do
        r = v4l2_ioctl(fd, request, arg);
    while (r == -1 && errno == EINTR);
    return r;
}

} // namespace

std::string TV4l2Camera::fail(const char* what) const
{
    return device_ + ": " + what + ": " + std::strerror(errno);
}

TV4l2Camera::TV4l2Camera(std::string device, int fd) : device_(std::move(device)), fd_(fd) {}

TV4l2Camera::~TV4l2Camera()
{
    stop();
    if (fd_ >= 0)
        v4l2_close(fd_);
}

std::unique_ptr<TV4l2Camera> TV4l2Camera::Open(const std::string& device, std::string* error)
{
    const int fd = v4l2_open(device.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0) {
        if (error)
            *error = device + ": cannot open: " + std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<TV4l2Camera> cam(new TV4l2Camera(device, fd));

    v4l2_capability cap{};
    if (xioctl(fd, VIDIOC_QUERYCAP, &cap) != 0) {
        if (error)
            *error = cam->fail("not a Video4Linux device");
        return nullptr;
    }
    const uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING)) {
        if (error)
            *error = device + ": not a video capture device that streams";
        return nullptr;
    }

    // The sizes it offers in BGR24 (libv4l2 lists what it can convert to); 640 x 480 first when offered.
    v4l2_frmsizeenum fs{};
    fs.pixel_format = V4L2_PIX_FMT_BGR24;
    for (fs.index = 0; xioctl(fd, VIDIOC_ENUM_FRAMESIZES, &fs) == 0 && fs.index < 32; ++fs.index)
        if (fs.type == V4L2_FRMSIZE_TYPE_DISCRETE && fs.discrete.width <= kMaxSide && fs.discrete.height <= kMaxSide)
            cam->sizes_.emplace_back(fs.discrete.width, fs.discrete.height);
    const std::pair<uint32_t, uint32_t> vga{640, 480};
    std::erase(cam->sizes_, vga);
    cam->sizes_.insert(cam->sizes_.begin(), vga);

    if (!cam->start(vga.first, vga.second, error))
        return nullptr;
    return cam;
}

bool TV4l2Camera::start(uint32_t width, uint32_t height, std::string* error)
{
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    fmt.fmt.pix.width = width;
    fmt.fmt.pix.height = height;
    fmt.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
    fmt.fmt.pix.field = V4L2_FIELD_ANY;
    if (xioctl(fd_, VIDIOC_S_FMT, &fmt) != 0) {
        if (error)
            *error = fail("cannot set the picture format");
        return false;
    }
    // The driver may give another size; only the pixel layout must be the one asked for.
    if (fmt.fmt.pix.pixelformat != V4L2_PIX_FMT_BGR24 || fmt.fmt.pix.width == 0 || fmt.fmt.pix.height == 0 ||
        fmt.fmt.pix.width > kMaxSide || fmt.fmt.pix.height > kMaxSide ||
        fmt.fmt.pix.bytesperline < fmt.fmt.pix.width * 3) {
        if (error)
            *error = device_ + ": the camera gives no picture that can be converted to 24-bit BGR";
        return false;
    }
    format_ = {};
    format_.width = uint16_t(fmt.fmt.pix.width);
    format_.height = uint16_t(fmt.fmt.pix.height);
    format_.bytesPerPixel = 3;
    bytesPerLine_ = fmt.fmt.pix.bytesperline;

    v4l2_requestbuffers req{};
    req.count = kBuffers;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    if (xioctl(fd_, VIDIOC_REQBUFS, &req) != 0 || req.count < 2) {
        if (error)
            *error = fail("cannot get capture buffers");
        return false;
    }
    for (uint32_t i = 0; i < req.count; ++i) {
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        buf.index = i;
        if (xioctl(fd_, VIDIOC_QUERYBUF, &buf) != 0) {
            if (error)
                *error = fail("cannot query a capture buffer");
            stop();
            return false;
        }
        void* p = v4l2_mmap(nullptr, buf.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, buf.m.offset);
        if (p == MAP_FAILED) {
            if (error)
                *error = fail("cannot map a capture buffer");
            stop();
            return false;
        }
        buffers_.push_back({p, buf.length});
        if (xioctl(fd_, VIDIOC_QBUF, &buf) != 0) {
            if (error)
                *error = fail("cannot queue a capture buffer");
            stop();
            return false;
        }
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (xioctl(fd_, VIDIOC_STREAMON, &type) != 0) {
        if (error)
            *error = fail("cannot start streaming");
        stop();
        return false;
    }
    streaming_ = true;
    return true;
}

void TV4l2Camera::stop()
{
    if (streaming_) {
        v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        xioctl(fd_, VIDIOC_STREAMOFF, &type);
        streaming_ = false;
    }
    for (const Buffer& b : buffers_)
        v4l2_munmap(b.start, b.length);
    if (!buffers_.empty()) {
        v4l2_requestbuffers req{};
        req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        req.memory = V4L2_MEMORY_MMAP;
        xioctl(fd_, VIDIOC_REQBUFS, &req);
    }
    buffers_.clear();
}

bool TV4l2Camera::Grab(std::vector<uint8_t>& out)
{
    if (!streaming_)
        return false;
    v4l2_buffer buf{};
    buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buf.memory = V4L2_MEMORY_MMAP;
    if (xioctl(fd_, VIDIOC_DQBUF, &buf) != 0) {
        if (errno != EAGAIN) {
            // Unplugged or broken: the device stays in the list without frames.
            stop();
        }
        return false;
    }
    const size_t row = size_t(format_.width) * 3;
    const bool whole = buf.index < buffers_.size() && !(buf.flags & V4L2_BUF_FLAG_ERROR) &&
                       buf.bytesused >= size_t(bytesPerLine_) * (format_.height - 1) + row &&
                       buf.bytesused <= buffers_[buf.index].length;
    if (whole) {
        out.resize(row * format_.height);
        const auto* src = static_cast<const uint8_t*>(buffers_[buf.index].start);
        for (uint32_t y = 0; y < format_.height; ++y) // the camera's top row is the frame's last
            std::memcpy(out.data() + (format_.height - 1 - y) * row, src + size_t(y) * bytesPerLine_, row);
    }
    if (xioctl(fd_, VIDIOC_QBUF, &buf) != 0)
        stop();
    return whole;
}

bool TV4l2Camera::NextFormat(std::string* error)
{
    if (sizes_.size() < 2) {
        if (error)
            *error = device_ + ": the camera offers one frame size only";
        return false;
    }
    const auto keep = sizes_[size_];
    stop();
    size_ = (size_ + 1) % sizes_.size();
    if (start(sizes_[size_].first, sizes_[size_].second, error))
        return true;
    // Back to the size that worked.
    size_ = std::find(sizes_.begin(), sizes_.end(), keep) - sizes_.begin();
    start(keep.first, keep.second, nullptr);
    return false;
}
