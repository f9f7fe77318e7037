// The synthetic camera: a deterministic moving picture of 640 x 480 at a
// steady 30 frames a second, for tests, screenshots and machines without a
// camera. Frame n depends on n alone, so a test can predict what it gets.
#pragma once
#include <chrono>

#include "platform/camera/CameraSource.h"

namespace gbcam {

class TestPatternCamera : public CameraSource {
 public:
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 480;
  static constexpr int kFramesPerSecond = 30;

  bool Open(std::string& why) override;
  ReadResult Read(CameraFrame& frame, int timeoutMs, std::string& why) override;
  void Close() override { open_ = false; }
  int Width() const override { return kWidth; }
  int Height() const override { return kHeight; }

  // Frame n of the pattern: colour bars, a grey ramp along the bottom and a
  // square that moves with n.
  static void Paint(uint64_t n, CameraFrame& frame);

  // A stalled camera delivers nothing until released (tests of the bounded
  // snapshot wait); an unplugged one fails its next read as a lost device does.
  static void SetStalled(bool stalled);
  static void SetUnplugged(bool unplugged);
  // Reads that found the camera stalled. Once this grows after SetStalled(true),
  // the frame that may have been on its way is delivered and no other follows.
  static uint64_t StalledReads();

 private:
  using Clock = std::chrono::steady_clock;
  bool open_ = false;
  uint64_t next_ = 0;
  Clock::time_point start_;
};

}  // namespace gbcam
