// A Video4Linux2 capture device read through libv4l2, which converts the
// camera's own formats (YUYV, MJPEG, ...) to RGB24. Frames come through
// memory-mapped buffers, one copied out per read.
#pragma once
#include <string>
#include <vector>

#include "platform/camera/CameraSource.h"

namespace gbcam {

class V4l2Camera : public CameraSource {
 public:
  explicit V4l2Camera(std::string node, int wantWidth = 640, int wantHeight = 480);
  ~V4l2Camera() override;
  bool Open(std::string& why) override;
  ReadResult Read(CameraFrame& frame, int timeoutMs, std::string& why) override;
  void Close() override;
  int Width() const override { return width_; }
  int Height() const override { return height_; }

  // The card name when node is a device that captures video; false (why
  // set, and *err the errno behind it) for anything else.
  static bool Probe(const std::string& node, std::string& card, std::string& why, int* err = nullptr);

 private:
  struct Buffer {
    void* start = nullptr;
    size_t length = 0;
  };
  std::string node_;
  int wantWidth_, wantHeight_;
  int fd_ = -1;
  int width_ = 0, height_ = 0;
  unsigned stride_ = 0;
  std::vector<Buffer> buffers_;
  bool streaming_ = false;
  uint64_t sequence_ = 0;
};

// A sentence for an errno from opening or using a camera.
std::string CameraErrorText(int err, const std::string& node);

}  // namespace gbcam
