#include "image/codecs/GbImagePCX.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/io/ByteReader.h"
#include "image/io/GbMemFile.h"
#include "image/io/Bytes.h"
#include "image/io/DecodeLimits.h"

namespace {

constexpr const char* kCantRead = "Can't read PCX image";
constexpr const char* kNotPcx = "Error: Not a PCX file";
constexpr const char* kUnknownEncoding = "PCX file has unknown encoding scheme";
constexpr const char* kTooManyPlanes = "Can't handle image with more than 4 planes";
constexpr const char* kCancelled = "Cancelled";
constexpr const char* kRunTooLong = "repeat count spans end of image";
constexpr const char* kCorrupted = "corrupted PCX";
constexpr const char* kBadSignature = "bad color map signature";
constexpr const char* kPackedPlanes = "PCX_UnpackPixels: Can't handle packed pixels with more than 1 plane";
constexpr const char* kPlanesToPixels = "PCX_PlanesToPixels: more than 4 planes or more than 1 bit per pixel";
constexpr const char* kHeaderWrite = "cannot write PCX header";
constexpr const char* kDataWrite = "cannot write PCX data";

unsigned brightness(const RGBQUAD& c) { return (117u * c.rgbBlue + 601u * c.rgbGreen + 306u * c.rgbRed) >> 10; }

// Run-length coder of the pixel stream: runs of up to 63; a single byte
// stands for itself unless its top two bits are set.
class RunWriter {
 public:
  explicit RunWriter(GbMemFile& out) : out_(out) {}
  void Put(uint8_t b) {
    if (count_ > 0 && b == value_ && count_ < 63) {
      ++count_;
      return;
    }
    Flush();
    value_ = b;
    count_ = 1;
  }
  void Flush() {
    if (count_ == 0) return;
    if (count_ == 1 && value_ < 0xC0) {
      ok_ &= out_.PutC(value_);
    } else {
      ok_ &= out_.PutC(uint8_t(0xC0 | count_));
      ok_ &= out_.PutC(value_);
    }
    count_ = 0;
  }
  void Raw(uint8_t b) { ok_ &= out_.PutC(b); }
  bool Ok() const { return ok_; }

 private:
  GbMemFile& out_;
  uint8_t value_ = 0;
  unsigned count_ = 0;
  bool ok_ = true;
};

}  // namespace

GB_CODEC_FACTORY(GbImagePCX)

const char* GbImagePCX::DecodeStream(GbFile* f) {
  ByteReader in(f);
  uint8_t h[128];
  if (!in.Read(h, sizeof h)) return kCantRead;
  if (h[0] != 10) return kNotPcx;
  if (h[2] != 1) return kUnknownEncoding;
  const unsigned bits = h[3];
  const int width = int(gbio::Le16(h + 8)) - int(gbio::Le16(h + 4)) + 1;
  const int height = int(gbio::Le16(h + 10)) - int(gbio::Le16(h + 6)) + 1;
  const unsigned planes = h[65];
  const uint32_t lineBytes = gbio::Le16(h + 66);
  if (width <= 0 || height <= 0) return kCorrupted;
  info_.dpiX = gbio::Le16(h + 12);
  info_.dpiY = gbio::Le16(h + 14);
  if (Probing()) return SizeFound(width, height, GB_TYPE_PCX);

  if (planes > 4) return kTooManyPlanes;
  if (planes == 0 || lineBytes == 0 || (bits != 1 && bits != 2 && bits != 4 && bits != 8)) return kCorrupted;
  const bool rgb = bits == 8 && planes >= 3;
  if (planes > 1 && !rgb && bits != 1) return bits == 8 ? kPlanesToPixels : kPackedPlanes;
  // 2 to 4 one-bit planes make 4-bit indices.
  const uint32_t depth = rgb ? 24 : (bits == 1 && planes > 1) ? 4 : bits;

  // A plane line too short for the width cannot hold the picture.
  if (uint64_t(lineBytes) * 8 < uint64_t(width) * bits) return kCorrupted;
  // Each 2-byte run can stand for at most 63 bytes.
  const uint64_t rowBytes = uint64_t(lineBytes) * planes;
  const uint64_t total = rowBytes * uint64_t(height);
  const int64_t left = in.Left();
  if (left >= 0 && !gbio::Justifies(gbio::kPcxRatio, uint64_t(left), total)) return kCorrupted;

  if (!Create(uint32_t(width), uint32_t(height), depth, GB_TYPE_PCX)) return LastError();
  info_.dpiX = gbio::Le16(h + 12);
  info_.dpiY = gbio::Le16(h + 14);
  if (planes == 4 && rgb && !CreateAlpha()) return "GbImage::Create can't allocate memory";
  if (Escape()) return kCancelled;

  std::vector<uint8_t> row(size_t(rowBytes), 0);
  uint64_t remaining = total;  // bytes of the image not yet expanded
  unsigned runLeft = 0;
  uint8_t runValue = 0;
  uint8_t* alpha = AlphaPlane();
  for (int fileRow = 0; fileRow < height; ++fileRow) {
    if (Escape()) return kCancelled;
    SetProgress(long(int64_t(fileRow) * 100 / height));
    // Expand one file row; a run may carry on into the next.
    for (size_t i = 0; i < row.size(); ++i) {
      if (runLeft == 0) {
        const int b = in.Next();
        if (b < 0) return kCorrupted;
        if ((b & 0xC0) == 0xC0) {
          runLeft = unsigned(b & 0x3F);
          const int v = in.Next();
          if (v < 0) return kCorrupted;
          runValue = uint8_t(v);
          if (runLeft > remaining) return kRunTooLong;
          if (runLeft == 0) {  // an empty run stands for nothing
            --i;
            continue;
          }
        } else {
          runLeft = 1;
          runValue = uint8_t(b);
        }
      }
      row[i] = runValue;
      --runLeft;
      --remaining;
    }
    const uint32_t y = uint32_t(height - 1 - fileRow);
    auto plane = [&](unsigned p, uint32_t byte) -> uint8_t {
      return byte < lineBytes ? row[size_t(p) * lineBytes + byte] : 0;
    };
    if (rgb) {
      uint8_t* dst = RowBits(y);
      for (int x = 0; x < width; ++x, dst += 3) {
        dst[0] = plane(2, uint32_t(x));
        dst[1] = plane(1, uint32_t(x));
        dst[2] = plane(0, uint32_t(x));
      }
      if (alpha)
        for (int x = 0; x < width; ++x) alpha[size_t(y) * uint32_t(width) + uint32_t(x)] = plane(3, uint32_t(x));
    } else if (planes == 1) {
      for (int x = 0; x < width; ++x) {
        const uint64_t bit = uint64_t(x) * bits;
        const uint8_t byte = plane(0, uint32_t(bit / 8));
        const unsigned shift = 8 - bits - unsigned(bit % 8);
        WritePixelIndex(x, y, uint8_t((byte >> shift) & ((1u << bits) - 1)));
      }
    } else {
      for (int x = 0; x < width; ++x) {
        uint8_t index = 0;
        for (unsigned p = 0; p < planes; ++p) index |= uint8_t(((plane(p, uint32_t(x / 8)) >> (7 - x % 8)) & 1) << p);
        WritePixelIndex(x, y, index);
      }
    }
  }

  // Palette: the header's 16 entries, replaced for 8-bit files by the 256
  // entries after the pixels.
  if (!rgb) {
    const uint32_t entries = PaletteEntryCount();
    if (bits == 8) {
      const int signature = in.Next();
      if (signature < 0) return kCorrupted;
      if (signature != 12) return kBadSignature;
      uint8_t map[768];
      if (!in.Read(map, sizeof map)) return kCorrupted;
      SetPaletteRGB(map, 256);
    } else if (bits == 1 && planes == 1) {
      SetPaletteColor(0, 0, 0, 0);
      SetPaletteColor(1, 255, 255, 255);
    } else {
      SetPaletteRGB(h + 16, std::min<uint32_t>(16, entries));
    }
  }
  return nullptr;
}

bool GbImagePCX::Encode(GbFile* stream) {
  if (CheckEncodable(stream)) return false;
  if (const char* error = EncodeStream(stream)) {
    SetLastError(error);
    return false;
  }
  return true;
}

const char* GbImagePCX::EncodeStream(GbFile* stream) {
  const uint32_t width = Width(), height = Height(), bpp = BitsPerPixel();
  if (width > 0x10000 || height > 0x10000) return kHeaderWrite;
  const bool rgb = bpp == 24;
  const uint8_t* alpha = rgb ? AlphaPlane() : nullptr;
  const unsigned bits = bpp >= 8 ? 8 : 1;
  const unsigned planes = rgb ? (alpha ? 4 : 3) : bpp == 4 && PaletteEntryCount() == 16 ? 4 : 1;
  uint32_t lineBytes = bits == 8 ? width : (width + 7) / 8;
  lineBytes += lineBytes & 1;
  if (lineBytes > 0xFFFF) return kHeaderWrite;

  uint8_t h[128] = {};
  h[0] = 10;
  h[1] = 5;
  h[2] = 1;
  h[3] = uint8_t(bits);
  gbio::PutLe16(h + 8, width - 1);
  gbio::PutLe16(h + 10, height - 1);
  gbio::PutLe16(h + 12, uint32_t(std::clamp(DpiX(), 0, 0xFFFF)));
  gbio::PutLe16(h + 14, uint32_t(std::clamp(DpiY(), 0, 0xFFFF)));
  if (bpp == 1 && planes == 1) {
    std::memset(h + 19, 255, 3);  // entry 0 black, entry 1 white
  } else if (planes == 4 && !rgb) {
    for (uint32_t i = 0; i < 16; ++i) {
      const RGBQUAD c = PaletteColor(i);
      h[16 + 3 * i] = c.rgbRed;
      h[17 + 3 * i] = c.rgbGreen;
      h[18 + 3 * i] = c.rgbBlue;
    }
  }
  h[65] = uint8_t(planes);
  gbio::PutLe16(h + 66, lineBytes);
  gbio::PutLe16(h + 68, rgb ? 1 : 0);

  GbMemFile work;
  if (!work.Open()) return kDataWrite;
  RunWriter out(work);
  // 1-bit files fix index 0 as black; a lighter entry 0 is written inverted.
  const bool invert = bpp == 1 && brightness(PaletteColor(0)) > brightness(PaletteColor(1));
  std::vector<uint8_t> indices(width);
  std::vector<uint8_t> planeLine(lineBytes);
  for (uint32_t i = 0; i < height; ++i) {
    const uint32_t y = height - 1 - i;
    const uint8_t* src = RowBits(y);
    if (rgb) {
      for (unsigned p = 0; p < planes; ++p) {
        for (uint32_t x = 0; x < width; ++x)
          out.Put(p == 3 ? alpha[size_t(y) * width + x] : src[3 * size_t(x) + 2 - p]);
        out.Flush();
        if (width & 1) out.Raw(0);
      }
    } else if (bpp == 8) {
      for (uint32_t x = 0; x < width; ++x) out.Put(src[x]);
      out.Flush();
      if (width & 1) out.Raw(0);
    } else {
      for (uint32_t x = 0; x < width; ++x) {
        uint8_t v = ReadPixelIndexUnchecked(x, y);
        indices[x] = invert ? uint8_t(v ^ 1) : v;
      }
      for (unsigned p = 0; p < planes; ++p) {
        std::fill(planeLine.begin(), planeLine.end(), 0);
        for (uint32_t x = 0; x < width; ++x)
          if ((indices[x] >> p) & 1) planeLine[x / 8] |= uint8_t(0x80 >> (x % 8));
        for (uint8_t b : planeLine) out.Put(b);
        out.Flush();
      }
    }
  }
  if (bpp == 8) {
    out.Raw(12);
    for (uint32_t i = 0; i < 256; ++i) {
      const RGBQUAD c = PaletteColor(i);
      out.Raw(c.rgbRed);
      out.Raw(c.rgbGreen);
      out.Raw(c.rgbBlue);
    }
  }
  if (!out.Ok()) return kDataWrite;

  if (stream->Write(h, 1, sizeof h) != sizeof h) return kHeaderWrite;
  const size_t size = size_t(work.Size());
  if (stream->Write(work.GetBuffer(), 1, size) != size) return kDataWrite;
  return nullptr;
}
