// GIF files other programs write that are legal but unusual: wide minimum
// code sizes, images off the screen, files without any image.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/codecs/GbImageGIF.h"
#include "image/io/GbMemFile.h"

namespace {

void U16(std::string& s, uint32_t v) {
  s += char(v & 0xFF);
  s += char(v >> 8);
}

// Header, a 256-entry global table (entry i = (i, 255 - i, 7)), nothing else.
std::string Head(uint32_t screenW, uint32_t screenH) {
  std::string s = "GIF89a";
  U16(s, screenW);
  U16(s, screenH);
  s += char(0xF7);
  s += '\0';
  s += '\0';
  for (int i = 0; i < 256; ++i) {
    s += char(i);
    s += char(255 - i);
    s += char(7);
  }
  return s;
}

// An image whose indices are sent as literal codes, the code size growing
// as a decoder's table does, with a fresh table now and then.
std::string Image(uint32_t left, uint32_t top, uint32_t w, uint32_t h, int minCode,
                  const std::vector<uint8_t>& indices) {
  std::string s = ",";
  U16(s, left);
  U16(s, top);
  U16(s, w);
  U16(s, h);
  s += '\0';
  s += char(minCode);
  const int clear = 1 << minCode;
  std::string data;
  uint32_t acc = 0;
  int held = 0, size = minCode + 1, next = clear + 2;
  bool first = true;
  auto put = [&](int code) {
    acc |= uint32_t(code) << held;
    held += size;
    while (held >= 8) {
      data += char(acc & 0xFF);
      acc >>= 8;
      held -= 8;
    }
  };
  put(clear);
  for (size_t i = 0; i < indices.size(); ++i) {
    if (next >= 4000) {
      put(clear);
      size = minCode + 1;
      next = clear + 2;
      first = true;
    }
    put(indices[i]);
    if (!first) {
      if (next < 4096) ++next;
      if (next == (1 << size) && size < 12) ++size;
    }
    first = false;
  }
  put(clear + 1);
  if (held) data += char(acc & 0xFF);
  for (size_t at = 0; at < data.size(); at += 255) {
    const std::string block = data.substr(at, 255);
    s += char(block.size());
    s += block;
  }
  s += '\0';
  return s;
}

bool Decode(GbImage& img, const std::string& bytes) {
  GbMemFile in(reinterpret_cast<uint8_t*>(const_cast<char*>(bytes.data())), int32_t(bytes.size()));
  return img.Decode(&in, GB_TYPE_GIF);
}

}  // namespace

TEST(GifOddFiles, EveryMinimumCodeSizeUpToEleven) {
  const uint32_t w = 37, h = 23;
  std::vector<uint8_t> indices(w * h);
  for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t((i * 7 + i / w) % 4);
  for (int minCode = 2; minCode <= 11; ++minCode) {
    GbImage img;
    ASSERT_TRUE(Decode(img, Head(w, h) + Image(0, 0, w, h, minCode, indices) + ";")) << minCode;
    int bad = 0;
    for (uint32_t i = 0; i < w * h; ++i) {
      const RGBQUAD c = img.ReadPixelColor(long(i % w), long(h - 1 - i / w), false);
      bad += c.rgbRed != indices[i] || c.rgbGreen != 255 - indices[i];
    }
    EXPECT_EQ(bad, 0) << "minimum code size " << minCode;
  }
}

TEST(GifOddFiles, ImagesOffTheScreenAndFilesWithoutImages) {
  const std::vector<uint8_t> four{1, 2, 3, 4};
  GbImage img;
  // Wholly outside its screen: the empty screen, as a viewer shows it.
  ASSERT_TRUE(Decode(img, Head(9, 5) + Image(20, 1, 2, 2, 2, four) + ";")) << img.LastError();
  EXPECT_EQ(img.Width(), 9u);
  EXPECT_EQ(img.Height(), 5u);
  EXPECT_EQ(img.ReadPixelColor(8, 4, false).rgbGreen, 255);  // index 0
  EXPECT_EQ(img.FrameCount(), 1);

  struct Case {
    std::string bytes, says;
  } cases[] = {
      {Head(9, 5) + ";", "holds no image"},
      {Head(9, 5) + Image(0, 0, 0, 3, 2, {}) + ";", "have no size"},
      {Head(0, 0) + Image(0, 0, 0, 0, 2, {}) + ";", "have no size"},
      {Head(9, 5) + Image(8, 0, 2, 2, 2, four) + ";", "reach past its 9 x 5 screen"},
  };
  for (const Case& c : cases) {
    GbImage refused;
    EXPECT_FALSE(Decode(refused, c.bytes)) << c.says;
    EXPECT_NE(std::string(refused.LastError()).find(c.says), std::string::npos) << refused.LastError();
  }
}
