// The effects through glimmerbox-cli: the picture crosses from the image
// engine's bottom-up rows to the effects engine's top-down rows and back, so
// orientation and offsets are checked on files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

struct Pixel {
  uint8_t b, g, r;
  friend bool operator==(const Pixel&, const Pixel&) = default;
};

// rows[0] is the top row.
using Picture = std::vector<std::vector<Pixel>>;

void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}
uint32_t Get32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(s[at + size_t(i)]);
  return v;
}

std::string Bmp24(const Picture& pic) {
  const uint32_t w = uint32_t(pic[0].size()), h = uint32_t(pic.size());
  const uint32_t stride = (w * 3 + 3) / 4 * 4;
  std::string out(54 + stride * h, '\0');
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, uint32_t(out.size()));
  Put32(out, 10, 54);
  Put32(out, 14, 40);
  Put32(out, 18, w);
  Put32(out, 22, h);
  out[26] = 1;
  out[28] = 24;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      const size_t at = 54 + size_t(h - 1 - y) * stride + x * 3;
      out[at] = char(pic[y][x].b);
      out[at + 1] = char(pic[y][x].g);
      out[at + 2] = char(pic[y][x].r);
    }
  return out;
}

// Reads back an uncompressed 24-bit, bottom-up file as the writer makes it.
bool ReadBmp24(const std::string& bytes, Picture& pic) {
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  const uint32_t off = Get32(bytes, 10), w = Get32(bytes, 18), h = Get32(bytes, 22);
  if (uint8_t(bytes[28]) != 24 || w == 0 || h == 0 || w > 4096 || h > 4096) return false;
  const uint32_t stride = (w * 3 + 3) / 4 * 4;
  if (bytes.size() < size_t(off) + size_t(stride) * h) return false;
  pic.assign(h, std::vector<Pixel>(w));
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      const size_t at = off + size_t(h - 1 - y) * stride + x * 3;
      pic[y][x] = {uint8_t(bytes[at]), uint8_t(bytes[at + 1]), uint8_t(bytes[at + 2])};
    }
  return true;
}

Pixel Letter(char c) { return {uint8_t(c), uint8_t(c + 1), uint8_t(c + 2)}; }

class FxCli : public ::testing::Test {
 protected:
  int Convert(const Picture& in, const std::vector<std::string>& ops, Picture& out) {
    gbtest::WriteFile(dir.file("in.bmp"), Bmp24(in));
    std::string cmd = gbtest::CliPath() + " convert '" + dir.file("in.bmp") + "' '" + dir.file("out.bmp") + "'";
    for (const std::string& op : ops) cmd += " --op '" + op + "'";
    const int rc = gbtest::Run(cmd + " 2>/dev/null");
    if (rc == 0 && !ReadBmp24(gbtest::ReadFile(dir.file("out.bmp")), out)) return -1;
    return rc;
  }
  gbtest::TempDir dir;
};

}  // namespace

TEST_F(FxCli, TurnsKeepTheirOrientationThroughFiles) {
  const Picture abc = {{Letter('A'), Letter('B'), Letter('C')}, {Letter('D'), Letter('E'), Letter('F')}};
  Picture out;
  ASSERT_EQ(Convert(abc, {"TurnLeft"}, out), 0);
  const Picture left = {{Letter('C'), Letter('F')}, {Letter('B'), Letter('E')}, {Letter('A'), Letter('D')}};
  EXPECT_EQ(out, left);
  ASSERT_EQ(Convert(abc, {"TurnRight"}, out), 0);
  const Picture right = {{Letter('D'), Letter('A')}, {Letter('E'), Letter('B')}, {Letter('F'), Letter('C')}};
  EXPECT_EQ(out, right);
}

TEST_F(FxCli, LayerBlendPlacesTheSourceFromTheTop) {
  const Picture base(3, std::vector<Pixel>(4, Pixel{10, 20, 30}));
  const Picture over = {{Pixel{200, 200, 200}}};
  gbtest::WriteFile(dir.file("over.bmp"), Bmp24(over));
  Picture out;
  ASSERT_EQ(Convert(base, {"LayerBlend " + dir.file("over.bmp") + " 255 2 0"}, out), 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(out[size_t(y)][size_t(x)], (x == 2 && y == 0 ? Pixel{200, 200, 200} : Pixel{10, 20, 30}))
          << x << "," << y;
}

TEST_F(FxCli, EffectsByNameAndRefusedRequirements) {
  const Picture flat(4, std::vector<Pixel>(5, Pixel{1, 2, 250}));
  Picture out;
  ASSERT_EQ(Convert(flat, {"ScaleContrast 0"}, out), 0);
  EXPECT_EQ(out[3][4], (Pixel{128, 128, 128}));
  ASSERT_EQ(Convert(flat, {"ShiftChannels 10 20 30", "ScaleBrightness 100"}, out), 0);
  EXPECT_EQ(out[0][0], (Pixel{31, 22, 255}));
  ASSERT_EQ(Convert(flat, {"RotateByAngle 45"}, out), 0);
  EXPECT_EQ(out.size(), 7u);                             // trunc(5 * 0.7071 + 4 * 0.7071 + 1)
  EXPECT_EQ(out[0].size(), 7u);                          // trunc(4 * 0.7071 + 5 * 0.7071 + 1)
  EXPECT_NE(Convert(flat, {"MosaicBlocks 4"}, out), 0);  // not below the height
  EXPECT_NE(Convert(flat, {"RotateByAngle 90"}, out), 0);
  EXPECT_NE(Convert(flat, {"WindSmear 4"}, out), 0);
}
