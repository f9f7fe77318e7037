// The component picture behind GbImageJAS: the JPEG-2000 family and the
// small formats beside it (PGX, PNM, Sun raster) all read into and write
// from this one model, so the rules that turn components into an image
// (precision shift, colour conversion, one frame per grey component) live
// in one place.
#pragma once

#include <cstdint>
#include <vector>

#include "image/io/GbFile.h"

namespace jas {

// Largest sample count of one component we agree to hold (as int32 samples).
constexpr uint64_t kMaxComponentSamples = 1ull << 28;
// Largest sample count of a whole picture.
constexpr uint64_t kMaxPictureSamples = 1ull << 28;
constexpr uint32_t kMaxComponents = 64;

enum class Format { None, JP2, JPC, PGX, PNM, RAS };

enum class ColourSpace { Unknown, SRGB, Grey, SYCC, Other };

struct Component {
  uint32_t width = 0, height = 0;
  uint32_t dx = 1, dy = 1;  // subsampling against the picture grid
  int precision = 8;        // bits per sample, 1..38
  bool isSigned = false;
  bool isAlpha = false;  // the picture's opacity, not a colour
  // Largest value a sample may take; 2^precision - 1 except for PNM files
  // whose maxval is not a power of two minus one.
  uint32_t maxValue = 255;
  std::vector<int32_t> samples;  // width * height, top row first
};

struct Picture {
  std::vector<Component> components;
  ColourSpace space = ColourSpace::Unknown;
};

// The format of a stream from its first bytes (None when nothing matches).
Format Detect(const uint8_t* head, size_t size);

// Readers. With headerOnly the components carry their sizes and precision
// but no samples. Each returns null on success, else the message.
const char* ReadJpeg2000(GbFile* stream, Format format, bool headerOnly, Picture& picture);
const char* ReadPnm(GbFile* stream, bool headerOnly, Picture& picture);
const char* ReadPgx(GbFile* stream, bool headerOnly, Picture& picture);
const char* ReadSunRaster(GbFile* stream, bool headerOnly, Picture& picture);

// Writers of an 8-bit picture: one grey component or red, green, blue.
// rate is the JPEG-2000 target size as a fraction of the raw size (1 or
// more: lossless). Each returns null on success, else the message.
const char* WriteJpeg2000(GbFile* stream, Format format, const Picture& picture, double rate);
const char* WritePnm(GbFile* stream, const Picture& picture);
const char* WritePgx(GbFile* stream, const Picture& picture);
const char* WriteSunRaster(GbFile* stream, const Picture& picture);

// Shared helpers of the small readers.
size_t ReadSome(GbFile* stream, void* buffer, size_t n);
// Bytes left in the stream from the current position (-1 when unknown).
int64_t BytesLeft(GbFile* stream);
// A component of the given size with room for its samples; false when the
// size is zero or beyond the limits.
bool Allocate(Component& component, uint32_t width, uint32_t height, bool headerOnly);

// Bytes pulled through a buffer; next() is -1 at the end of the stream.
class ByteReader {
 public:
  explicit ByteReader(GbFile* stream) : stream_(stream) {}
  int next() {
    if (pos_ == len_ && !refill()) return -1;
    return buf_[pos_++];
  }
  int peek() {
    if (pos_ == len_ && !refill()) return -1;
    return buf_[pos_];
  }
  // Copies n bytes; false when the stream ends first.
  bool read(uint8_t* out, size_t n);

 private:
  bool refill() {
    len_ = ReadSome(stream_, buf_, sizeof buf_);
    pos_ = 0;
    return len_ != 0;
  }
  GbFile* stream_;
  uint8_t buf_[16384];
  size_t pos_ = 0, len_ = 0;
};

// Bytes written through a buffer; flush() reports whether all arrived.
class ByteWriter {
 public:
  explicit ByteWriter(GbFile* stream) : stream_(stream) {}
  void put(uint8_t b) {
    if (len_ == sizeof buf_) flush();
    buf_[len_++] = b;
  }
  void put(const void* data, size_t n);
  bool flush();

 private:
  GbFile* stream_;
  uint8_t buf_[16384];
  size_t len_ = 0;
  bool ok_ = true;
};

}  // namespace jas
