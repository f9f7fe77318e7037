#include "platform/camera/TestPatternCamera.h"

#include <atomic>
#include <thread>

namespace gbcam {

namespace {
std::atomic<bool> gStalled{false};
std::atomic<bool> gUnplugged{false};
std::atomic<uint64_t> gStalledReads{0};

constexpr uint8_t kBars[8][3] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
                                 {235, 16, 235},  {235, 16, 16},  {16, 16, 235},  {16, 16, 16}};
constexpr int kSquare = 96;
constexpr int kRampHeight = 48;
}  // namespace

void TestPatternCamera::SetStalled(bool stalled) { gStalled = stalled; }
void TestPatternCamera::SetUnplugged(bool unplugged) { gUnplugged = unplugged; }
uint64_t TestPatternCamera::StalledReads() { return gStalledReads; }

void TestPatternCamera::Paint(uint64_t n, CameraFrame& frame) {
  frame.width = kWidth;
  frame.height = kHeight;
  frame.sequence = n;
  frame.rgb.resize(size_t(kWidth) * kHeight * 3);
  // The square bounces left to right and drifts down, so consecutive frames
  // always differ and no two of the first few hundred are alike.
  const int span = kWidth - kSquare;
  const int phase = int((n * 7) % uint64_t(2 * span));
  const int sx = phase < span ? phase : 2 * span - phase;
  const int sy = 40 + int((n * 3) % uint64_t(kHeight - kRampHeight - kSquare - 40));
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = frame.rgb.data() + size_t(y) * kWidth * 3;
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* p = row + x * 3;
      if (y >= kHeight - kRampHeight) {
        const uint8_t v = uint8_t(x * 255 / (kWidth - 1));
        p[0] = p[1] = p[2] = v;
      } else if (x >= sx && x < sx + kSquare && y >= sy && y < sy + kSquare) {
        p[0] = 250, p[1] = 200, p[2] = uint8_t(n & 0xFF);
      } else {
        const uint8_t* bar = kBars[x * 8 / kWidth];
        p[0] = bar[0], p[1] = bar[1], p[2] = bar[2];
      }
    }
  }
}

bool TestPatternCamera::Open(std::string& why) {
  if (gUnplugged) {
    why = "The camera is no longer connected.";
    return false;
  }
  open_ = true;
  next_ = 0;
  start_ = Clock::now();
  return true;
}

ReadResult TestPatternCamera::Read(CameraFrame& frame, int timeoutMs, std::string& why) {
  if (!open_) {
    why = "The camera is not open.";
    return ReadResult::Failed;
  }
  const auto period = std::chrono::microseconds(1000000 / kFramesPerSecond);
  const Clock::time_point limit = Clock::now() + std::chrono::milliseconds(timeoutMs);
  Clock::time_point due = start_ + period * int64_t(next_);
  // A reader that fell behind gets the current frame, not a burst of old ones.
  const Clock::time_point now = Clock::now();
  if (due + period < now) {
    next_ = uint64_t((now - start_) / period);
    due = start_ + period * int64_t(next_);
  }
  if (due > limit) {
    std::this_thread::sleep_until(limit);
    return ReadResult::NoFrameYet;
  }
  std::this_thread::sleep_until(due);
  if (gUnplugged) {
    why = "The camera was unplugged (no such device).";
    open_ = false;
    return ReadResult::Failed;
  }
  if (gStalled) {
    // Time passes, nothing arrives.
    ++next_;
    ++gStalledReads;
    return ReadResult::NoFrameYet;
  }
  Paint(next_++, frame);
  return ReadResult::Frame;
}

}  // namespace gbcam
