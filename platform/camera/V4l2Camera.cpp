#include "platform/camera/V4l2Camera.h"

#include <fcntl.h>
#include <libv4l2.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace gbcam {

namespace {

int Ioctl(int fd, unsigned long request, void* arg) {
  int r;
  do {
    r = v4l2_ioctl(fd, request, arg);
  } while (r == -1 && errno == EINTR);
  return r;
}

// What a device can do: the node's own capabilities when it reports them.
uint32_t NodeCaps(const v4l2_capability& cap) {
  return (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
}

}  // namespace

std::string CameraErrorText(int err, const std::string& node) {
  switch (err) {
    case EBUSY:
      return "The camera " + node +
             " is in use by another program (device or resource busy). Close that program and switch the webcam on "
             "again.";
    case EACCES:
    case EPERM:
      return "Glimmerbox may not use the camera " + node +
             " (permission denied). Add yourself to the video group (sudo adduser $USER video), then log in again.";
    case ENODEV:
    case ENXIO: return "The camera " + node + " was unplugged (no such device).";
    case ENOENT: return "The camera " + node + " is no longer connected (no such file).";
    case ENOTTY:
    case EINVAL: return node + " is not a camera.";
    default: return "The camera " + node + " cannot be used: " + std::strerror(err) + ".";
  }
}

V4l2Camera::V4l2Camera(std::string node, int wantWidth, int wantHeight)
    : node_(std::move(node)), wantWidth_(wantWidth), wantHeight_(wantHeight) {}

V4l2Camera::~V4l2Camera() { Close(); }

bool V4l2Camera::Probe(const std::string& node, std::string& card, std::string& why, int* err) {
  int ignored = 0;
  if (!err) err = &ignored;
  *err = 0;
  struct stat st {};
  if (::stat(node.c_str(), &st) != 0) {
    *err = errno;
    why = CameraErrorText(errno, node);
    return false;
  }
  if (!S_ISCHR(st.st_mode)) {
    why = node + " is not a camera.";
    return false;
  }
  // The plain descriptor: probing needs no conversion.
  const int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *err = errno;
    why = CameraErrorText(errno, node);
    return false;
  }
  v4l2_capability cap{};
  int r;
  do {
    r = ::ioctl(fd, VIDIOC_QUERYCAP, &cap);
  } while (r == -1 && errno == EINTR);
  const int queryErr = errno;
  ::close(fd);
  if (r != 0) {
    *err = ENOTTY;
    why = CameraErrorText(queryErr == EINVAL ? ENOTTY : queryErr, node);
    return false;
  }
  const uint32_t caps = NodeCaps(cap);
  if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING)) {
    *err = ENOTTY;
    why = node + " is not a camera (it cannot capture video).";
    return false;
  }
  card.assign(reinterpret_cast<const char*>(cap.card),
              strnlen(reinterpret_cast<const char*>(cap.card), sizeof cap.card));
  if (card.empty()) card = node;
  return true;
}

bool V4l2Camera::Open(std::string& why) {
  Close();
  std::string card;
  if (!Probe(node_, card, why)) return false;
  fd_ = v4l2_open(node_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    why = CameraErrorText(errno, node_);
    return false;
  }
  v4l2_format fmt{};
  fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  fmt.fmt.pix.width = unsigned(wantWidth_);
  fmt.fmt.pix.height = unsigned(wantHeight_);
  fmt.fmt.pix.pixelformat = V4L2_PIX_FMT_RGB24;
  fmt.fmt.pix.field = V4L2_FIELD_ANY;
  if (Ioctl(fd_, VIDIOC_S_FMT, &fmt) != 0) {
    why = CameraErrorText(errno, node_);
    Close();
    return false;
  }
  // libv4l2 answers with another format when it cannot convert what the
  // camera sends.
  if (fmt.fmt.pix.pixelformat != V4L2_PIX_FMT_RGB24 || fmt.fmt.pix.width == 0 || fmt.fmt.pix.height == 0 ||
      fmt.fmt.pix.width > 8192 || fmt.fmt.pix.height > 8192) {
    why = "The camera " + node_ + " sends only picture formats Glimmerbox cannot convert.";
    Close();
    return false;
  }
  width_ = int(fmt.fmt.pix.width);
  height_ = int(fmt.fmt.pix.height);
  stride_ = fmt.fmt.pix.bytesperline ? fmt.fmt.pix.bytesperline : fmt.fmt.pix.width * 3;
  if (stride_ < unsigned(width_) * 3) stride_ = unsigned(width_) * 3;

  v4l2_requestbuffers req{};
  req.count = 4;
  req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  req.memory = V4L2_MEMORY_MMAP;
  if (Ioctl(fd_, VIDIOC_REQBUFS, &req) != 0 || req.count == 0) {
    why = CameraErrorText(req.count == 0 ? ENOMEM : errno, node_);
    Close();
    return false;
  }
  for (unsigned i = 0; i < req.count; ++i) {
    v4l2_buffer buf{};
    buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buf.memory = V4L2_MEMORY_MMAP;
    buf.index = i;
    if (Ioctl(fd_, VIDIOC_QUERYBUF, &buf) != 0) {
      why = CameraErrorText(errno, node_);
      Close();
      return false;
    }
    void* start = v4l2_mmap(nullptr, buf.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, buf.m.offset);
    if (start == MAP_FAILED) {
      why = CameraErrorText(errno, node_);
      Close();
      return false;
    }
    buffers_.push_back({start, buf.length});
    if (Ioctl(fd_, VIDIOC_QBUF, &buf) != 0) {
      why = CameraErrorText(errno, node_);
      Close();
      return false;
    }
  }
  v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (Ioctl(fd_, VIDIOC_STREAMON, &type) != 0) {
    why = CameraErrorText(errno, node_);
    Close();
    return false;
  }
  streaming_ = true;
  sequence_ = 0;
  return true;
}

ReadResult V4l2Camera::Read(CameraFrame& frame, int timeoutMs, std::string& why) {
  if (fd_ < 0) {
    why = "The camera " + node_ + " is not open.";
    return ReadResult::Failed;
  }
  pollfd p{fd_, POLLIN, 0};
  const int n = ::poll(&p, 1, timeoutMs);
  if (n == 0 || (n < 0 && errno == EINTR)) return ReadResult::NoFrameYet;
  if (n < 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
    why = CameraErrorText(n < 0 ? errno : ENODEV, node_);
    return ReadResult::Failed;
  }
  v4l2_buffer buf{};
  buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  buf.memory = V4L2_MEMORY_MMAP;
  if (Ioctl(fd_, VIDIOC_DQBUF, &buf) != 0) {
    if (errno == EAGAIN) return ReadResult::NoFrameYet;
    why = CameraErrorText(errno, node_);
    return ReadResult::Failed;
  }
  ReadResult result = ReadResult::NoFrameYet;
  // The last row needs no padding after it.
  const size_t need = size_t(stride_) * size_t(height_ - 1) + size_t(width_) * 3;
  // A buffer shorter than a whole picture (a damaged frame) is skipped.
  if (buf.index < buffers_.size() && buffers_[buf.index].length >= need && buf.bytesused >= need &&
      !(buf.flags & V4L2_BUF_FLAG_ERROR)) {
    frame.width = width_;
    frame.height = height_;
    frame.sequence = sequence_++;
    const size_t row = size_t(width_) * 3;
    frame.rgb.resize(row * size_t(height_));
    const auto* src = static_cast<const uint8_t*>(buffers_[buf.index].start);
    for (int y = 0; y < height_; ++y) std::memcpy(frame.rgb.data() + row * y, src + size_t(stride_) * y, row);
    result = ReadResult::Frame;
  }
  if (Ioctl(fd_, VIDIOC_QBUF, &buf) != 0) {
    why = CameraErrorText(errno, node_);
    return ReadResult::Failed;
  }
  return result;
}

void V4l2Camera::Close() {
  if (fd_ < 0) return;
  if (streaming_) {
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    Ioctl(fd_, VIDIOC_STREAMOFF, &type);
    streaming_ = false;
  }
  for (const Buffer& b : buffers_) v4l2_munmap(b.start, b.length);
  buffers_.clear();
  v4l2_close(fd_);
  fd_ = -1;
}

}  // namespace gbcam
