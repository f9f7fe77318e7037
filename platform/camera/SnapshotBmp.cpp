#include "platform/camera/SnapshotBmp.h"

namespace gbcam {

namespace {
void Put16(std::string& s, size_t at, uint32_t v) {
  s[at] = char(v & 0xFF);
  s[at + 1] = char((v >> 8) & 0xFF);
}
void Put32(std::string& s, size_t at, uint32_t v) {
  Put16(s, at, v & 0xFFFF);
  Put16(s, at + 2, v >> 16);
}
}  // namespace

std::string EncodeSnapshotBmp(const CameraFrame& frame) {
  if (frame.width <= 0 || frame.height <= 0 || frame.width > 32768 || frame.height > 32768) return {};
  const uint64_t row = uint64_t(frame.width) * 3;
  if (frame.rgb.size() < row * uint64_t(frame.height)) return {};
  const uint64_t stride = (row + 3) & ~uint64_t(3);
  const uint64_t pixels = stride * uint64_t(frame.height);
  std::string out(size_t(54 + pixels), '\0');
  out[0] = 'B', out[1] = 'M';
  Put32(out, 2, uint32_t(54 + pixels));
  Put32(out, 10, 54);
  Put32(out, 14, 40);
  Put32(out, 18, uint32_t(frame.width));
  Put32(out, 22, uint32_t(frame.height));  // positive: bottom row first
  Put16(out, 26, 1);
  Put16(out, 28, 24);
  for (int y = 0; y < frame.height; ++y) {
    const uint8_t* src = frame.rgb.data() + row * uint64_t(frame.height - 1 - y);
    char* dst = out.data() + 54 + stride * uint64_t(y);
    for (int x = 0; x < frame.width; ++x) {
      dst[x * 3] = char(src[x * 3 + 2]);
      dst[x * 3 + 1] = char(src[x * 3 + 1]);
      dst[x * 3 + 2] = char(src[x * 3]);
    }
  }
  return out;
}

}  // namespace gbcam
