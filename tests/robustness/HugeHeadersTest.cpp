// Headers that claim enormous pictures over a few bytes of data. Every
// reader must turn them down (or, where a few bytes can honestly describe a
// large picture, decode it) without asking for memory the file cannot
// justify: a 60-byte file must not cost hundreds of megabytes.
//
// One table for every format: a reader adds its lines to cases() below,
// with a small builder for its header like bmp().
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/codecs/CodecRegistry.h"
#include "image/core/GbImage.h"
#include "image/io/GbMemFile.h"
#include "tests/robustness/AllocationMeter.h"

namespace {

enum class Expect {
  Fail,  // the file cannot justify the picture: a clean failure
  Any,   // may decode; memory stays within the picture it produces
};

struct Case {
  const char* name;
  uint32_t type;  // the reader that must handle it (the dispatch's type id)
  std::string bytes;
  Expect expect;
};

// ---- BMP -------------------------------------------------------------------

void put16(std::string& s, uint32_t v) {
  s += char(v & 0xFF);
  s += char((v >> 8) & 0xFF);
}
void put32(std::string& s, uint32_t v) {
  put16(s, v & 0xFFFF);
  put16(s, v >> 16);
}

struct Bmp {
  int32_t width = 1, height = 1;
  uint16_t bpp = 24;
  uint32_t compression = 0, sizeImage = 0, colorsUsed = 0;
  uint32_t headerSize = 40;
  uint32_t dataOffset = 0;  // 0: right after header and palette
  bool fileHeader = true;
  std::string tail = std::string(16, '\x55');  // palette and pixels
};

std::string bmp(const Bmp& b) {
  std::string info;
  if (b.headerSize == 12) {
    put32(info, 12);
    put16(info, uint32_t(b.width));
    put16(info, uint32_t(b.height));
    put16(info, 1);
    put16(info, b.bpp);
  } else {
    put32(info, b.headerSize);
    put32(info, uint32_t(b.width));
    put32(info, uint32_t(b.height));
    put16(info, 1);
    put16(info, b.bpp);
    put32(info, b.compression);
    put32(info, b.sizeImage);
    put32(info, 2835);
    put32(info, 2835);
    put32(info, b.colorsUsed);
    put32(info, 0);
  }
  std::string out;
  if (b.fileHeader) {
    const uint32_t offset = b.dataOffset ? b.dataOffset : uint32_t(14 + info.size());
    out = "BM";
    put32(out, uint32_t(14 + info.size() + b.tail.size()));
    put32(out, 0);
    put32(out, offset);
  }
  return out + info + b.tail;
}

Bmp with(void (*edit)(Bmp&)) {
  Bmp b;
  edit(b);
  return b;
}

const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      {"BMP 24-bit 16384 x 16384 (768 MB)", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.width = b.height = 16384; })), Expect::Fail},
      {"BMP 24-bit 8000 x 8000, under the engine's size limit", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.width = b.height = 8000; })), Expect::Fail},
      {"BMP 24-bit 8000 x 8000, top-down", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.width = 8000, b.height = -8000; })), Expect::Fail},
      {"BMP 32-bit 8000 x 6000", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.width = 8000, b.height = 6000, b.bpp = 32; })), Expect::Fail},
      {"BMP 32-bit bit fields 8000 x 6000", GB_TYPE_BMP,
       bmp(with([](Bmp& b) {
         b.width = 8000, b.height = 6000, b.bpp = 32, b.compression = 3;
         b.tail.clear();
         put32(b.tail, 0xFF0000), put32(b.tail, 0xFF00), put32(b.tail, 0xFF);
       })),
       Expect::Fail},
      {"BMP 16-bit 10000 x 9000", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.width = 10000, b.height = 9000, b.bpp = 16; })), Expect::Fail},
      {"BMP 8-bit 15000 x 15000", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.width = b.height = 15000, b.bpp = 8; })), Expect::Fail},
      {"BMP 1-bit 60000 x 30000", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.width = 60000, b.height = 30000, b.bpp = 1; })), Expect::Fail},
      {"BMP old 12-byte header 65535 x 65535", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.headerSize = 12, b.width = b.height = 65535; })), Expect::Fail},
      {"BMP headerless packed bitmap 9000 x 9000", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.fileHeader = false, b.width = b.height = 9000; })), Expect::Fail},
      {"BMP width 2^31 - 1", GB_TYPE_BMP, bmp(with([](Bmp& b) { b.width = INT32_MAX; })),
       Expect::Fail},
      {"BMP height -2^31", GB_TYPE_BMP, bmp(with([](Bmp& b) { b.height = INT32_MIN; })),
       Expect::Fail},
      {"BMP negative width", GB_TYPE_BMP, bmp(with([](Bmp& b) { b.width = -5000; })),
       Expect::Fail},
      {"BMP 8-bit RLE8 20000 x 10000 holding only the end-of-bitmap code", GB_TYPE_BMP,
       bmp(with([](Bmp& b) {
         b.width = 20000, b.height = 10000, b.bpp = 8, b.compression = 1, b.colorsUsed = 2;
         b.tail = std::string(8, '\0') + std::string("\0\1", 2);
       })),
       Expect::Any},
      {"BMP 4-bit RLE4 20000 x 10000 with one delta", GB_TYPE_BMP,
       bmp(with([](Bmp& b) {
         b.width = 20000, b.height = 10000, b.bpp = 4, b.compression = 2, b.colorsUsed = 2;
         b.tail = std::string(8, '\0') + std::string("\0\2\377\377\0\1", 6);
       })),
       Expect::Any},
      {"BMP 8-bit 4 x 4 claiming a 2 GB image size", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.width = b.height = 4, b.bpp = 8, b.sizeImage = 0x7FFFFFFF; })),
       Expect::Any},
      {"BMP 8-bit claiming 2^32 - 1 palette colours", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.width = b.height = 4, b.bpp = 8, b.colorsUsed = 0xFFFFFFFF; })),
       Expect::Any},
      {"BMP pixel data offset near 4 GB", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.width = b.height = 4, b.dataOffset = 0xFFFFFFF0; })),
       Expect::Any},
      {"BMP header size 2^32 - 1", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.headerSize = 0xFFFFFFFF, b.width = b.height = 4; })),
       Expect::Any},
      {"BMP bit count 65535", GB_TYPE_BMP,
       bmp(with([](Bmp& b) { b.width = b.height = 4000, b.bpp = 65535; })), Expect::Fail},
  };
  return all;
}

// Working memory any decoder may use besides the picture it returns.
size_t workingSetFor(const std::string& bytes) { return (size_t(4) << 20) + 4 * bytes.size(); }

size_t pictureBytes(const GbImage& image) {
  if (!image.HasPixels()) return 0;
  const size_t plane = size_t(image.Width()) * image.Height();
  return image.PackedSize() + (image.HasAlpha() ? plane : 0) +
         (image.HasSelection() ? plane : 0);
}

void checkCase(const Case& c, uint32_t requestedType) {
  std::string bytes = c.bytes;
  GbMemFile stream(reinterpret_cast<uint8_t*>(bytes.data()), int32_t(bytes.size()));
  GbImage image;
  gbtest::AllocationMeter meter;
  meter.Start();
  const bool ok = image.Decode(&stream, requestedType);
  const size_t peak = meter.PeakGrowth();
  if (c.expect == Expect::Fail) {
    EXPECT_FALSE(ok) << "decoded " << image.Width() << " x " << image.Height();
    EXPECT_STRNE(image.LastError(), "") << "a failure must say why";
    EXPECT_FALSE(image.HasPixels());
  }
  if (gbtest::AllocationMeter::Available()) {
    // A decoded picture may need up to three times its size while it is
    // built (a 32-bit file is read whole before it becomes 24 bits).
    const size_t bound = workingSetFor(bytes) + (ok ? 3 * pictureBytes(image) : 0);
    EXPECT_LE(peak, bound) << "peak heap " << (peak >> 20) << " MiB for a " << bytes.size()
                           << "-byte file; largest block " << (meter.LargestBlock() >> 20)
                           << " MiB";
  }
}

// The meter itself, so a broken hook cannot make every case pass.
TEST(HugeHeaders, MeterSeesAnAllocation) {
  if (!gbtest::AllocationMeter::Available()) GTEST_SKIP() << "no sanitizer allocation hooks";
  gbtest::AllocationMeter meter;
  meter.Start();
  GbImage image;
  ASSERT_TRUE(image.Create(2048, 2048, 24));
  EXPECT_GE(meter.PeakGrowth(), size_t(2048) * 2048 * 3);
  EXPECT_GE(meter.LargestBlock(), size_t(2048) * 2048 * 3);
}

TEST(HugeHeaders, EachReaderFailsCleanlyWithinBoundedMemory) {
  if (!gbtest::AllocationMeter::Available())
    std::printf("note: no sanitizer allocation hooks in this build; memory is not measured\n");
  int checked = 0;
  for (const Case& c : cases()) {
    if (!GbHasCodec(c.type)) continue;  // that reader does not exist yet
    SCOPED_TRACE(c.name);
    {
      SCOPED_TRACE("its own type");
      checkCase(c, c.type);
    }
    {
      SCOPED_TRACE("format detection");
      checkCase(c, GB_TYPE_UNKNOWN);
    }
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
