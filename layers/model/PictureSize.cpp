// The size a picture file says it has, read from its first bytes, so that a
// decoration too large to use is refused before it is decoded: a 9000 x 9000
// PNG is within the engine's memory limit and takes seconds to decode.
#include <cstdio>
#include <cstring>
#include <memory>

#include "image/io/Bytes.h"
#include "layers/model/MixLayers.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// JPEG: the first start-of-frame marker, walking the segments from the start.
bool JpegSize(std::FILE* f, uint32_t& w, uint32_t& h) {
  if (std::fseek(f, 2, SEEK_SET) != 0) return false;
  for (int segments = 0; segments < 1000; ++segments) {
    uint8_t m[4];
    if (std::fread(m, 1, 4, f) != 4 || m[0] != 0xFF) return false;
    const uint8_t marker = m[1];
    const uint16_t length = gbio::Be16(m + 2);
    if (length < 2) return false;
    const bool sof = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (sof) {
      uint8_t s[5];
      if (std::fread(s, 1, 5, f) != 5) return false;
      h = gbio::Be16(s + 1);
      w = gbio::Be16(s + 3);
      return true;
    }
    if (std::fseek(f, long(length) - 2, SEEK_CUR) != 0) return false;
  }
  return false;
}

}  // namespace

bool PeekPictureSize(const std::string& path, uint32_t& width, uint32_t& height) {
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  if (!f) return false;
  uint8_t b[26] = {};
  const size_t n = std::fread(b, 1, sizeof b, f.get());
  if (n >= 24 && std::memcmp(b, "\x89PNG\r\n\x1a\n", 8) == 0 && std::memcmp(b + 12, "IHDR", 4) == 0) {
    width = gbio::Be32(b + 16);
    height = gbio::Be32(b + 20);
    return true;
  }
  if (n >= 26 && b[0] == 'B' && b[1] == 'M') {
    const uint32_t headerSize = gbio::Le32(b + 14);
    if (headerSize == 12) {
      width = gbio::Le16(b + 18);
      height = gbio::Le16(b + 20);
    } else {
      width = gbio::Le32(b + 18);
      const int32_t h = int32_t(gbio::Le32(b + 22));
      height = h < 0 ? uint32_t(-int64_t(h)) : uint32_t(h);
    }
    return true;
  }
  if (n >= 10 && (std::memcmp(b, "GIF87a", 6) == 0 || std::memcmp(b, "GIF89a", 6) == 0)) {
    width = gbio::Le16(b + 6);
    height = gbio::Le16(b + 8);
    return true;
  }
  if (n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return JpegSize(f.get(), width, height);
  return false;
}
