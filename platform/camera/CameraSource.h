// A camera as the streaming thread sees it: open, read frames one by one,
// close. Frames are RGB24, top row first, red first in each pixel, whatever
// the device itself sends.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace gbcam {

struct CameraFrame {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3, rows top-down, no padding
  uint64_t sequence = 0;     // counts the frames of one stream from 0
};

// What a read brought.
enum class ReadResult { Frame, NoFrameYet, Failed };

class CameraSource {
 public:
  virtual ~CameraSource() = default;
  // False with why set to a sentence a user can act on.
  virtual bool Open(std::string& why) = 0;
  // Waits at most timeoutMs for the next frame. Failed ends the stream; why
  // then says what happened (unplugged, ...).
  virtual ReadResult Read(CameraFrame& frame, int timeoutMs, std::string& why) = 0;
  virtual void Close() = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
};

struct CameraInfo {
  std::string name;  // what the user sees: the card name
  std::string node;  // "/dev/video0"; empty for the test pattern
};

// The cameras that can capture video. With GLIMMERBOX_CAMERA=test-pattern
// only the synthetic camera is listed; GLIMMERBOX_CAMERA=none lists nothing.
// GLIMMERBOX_VIDEO_DEVICES (colon-separated nodes) replaces the /dev scan.
std::vector<CameraInfo> ListCameras();
std::unique_ptr<CameraSource> MakeCamera(const CameraInfo& info);

// The synthetic camera's name in the device list.
inline constexpr const char* kTestPatternName = "Test pattern camera";

}  // namespace gbcam
