#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "image/io/DibPixels.h"

namespace {

// Rows of `stride` bytes with one guard row after them, so that a write
// that wraps past the last row shows.
struct Rows {
  size_t stride, height;
  std::vector<uint8_t> bytes;
  Rows(size_t s, size_t h) : stride(s), height(h), bytes(s * (h + 1), 0) {
    for (size_t i = s * h; i < bytes.size(); ++i) bytes[i] = 0xEE;
  }
  std::vector<uint8_t> Row(size_t r) const {
    return {bytes.begin() + long(r * stride), bytes.begin() + long((r + 1) * stride)};
  }
  bool GuardIntact() const {
    for (size_t i = stride * height; i < bytes.size(); ++i)
      if (bytes[i] != 0xEE) return false;
    return true;
  }
  bool Decode(const std::vector<uint8_t>& stream, bool fourBits) {
    size_t at = 0;
    return gbdib::DecodeRle([&] { return at < stream.size() ? int(stream[at++]) : -1; },
                            [this](size_t row) { return bytes.data() + row * stride; }, stride, height, fourBits);
  }
};

using Bytes = std::vector<uint8_t>;

}  // namespace

TEST(DibPixels, ChannelsAtTheTopBitAndOneBitWide) {
  const gbdib::Channel topBit(0x80000000u);  // one bit, the highest
  EXPECT_EQ(topBit(0x80000000u), 0x80);
  EXPECT_EQ(topBit(0x7FFFFFFFu), 0x00);
  const gbdib::Channel lowBit(0x00000001u);
  EXPECT_EQ(lowBit(0xFFFFFFFFu), 0x80);
  EXPECT_EQ(lowBit(0xFFFFFFFEu), 0x00);
  const gbdib::Channel topByte(0xFF000000u);
  EXPECT_EQ(topByte(0xAB123456u), 0xAB);
  // Ten bits keep their top eight; five-six-five green is shifted up.
  const gbdib::Channel wide(0xFFC00000u);
  EXPECT_EQ(wide(0x80400000u), 0x80);
  EXPECT_EQ(wide(0xFFC00000u), 0xFF);
  const gbdib::Channel green565(0x07E0u);
  EXPECT_EQ(green565(0x07E0u), 0xFC);
  EXPECT_EQ(green565(0x0020u), 0x04);
  const gbdib::Channel none(0);
  EXPECT_EQ(none(0xFFFFFFFFu), 0x00);
}

TEST(DibPixels, SixteenBitRowsIgnoreHighMasksAndExpandInPlace) {
  // Red asks for the top bit, which 16-bit pixels do not have.
  const uint32_t masks[3] = {0x80007C00u, 0x03E0u, 0x001Fu};
  const gbdib::BitFields fields16(masks, 16);
  const gbdib::BitFields fields32(masks, 32);
  EXPECT_EQ(fields16.red(0x80007C00u), 0xF8);
  EXPECT_EQ(fields32.red(0x80000000u), 0x80);  // 32 bits keep the mask whole

  // Three pixels, read where their 24-bit row will stand.
  const Bytes pixels = {0x00, 0x7C, 0xE0, 0x03, 0x21, 0x04};  // red, green, one blue and one green step
  Bytes apart(9, 0);
  gbdib::BitFieldRow(pixels.data(), apart.data(), 3, 16, fields16);
  EXPECT_EQ(apart, (Bytes{0x00, 0x00, 0xF8, 0x00, 0xF8, 0x00, 0x08, 0x08, 0x08}));
  Bytes inPlace(9, 0);
  std::copy(pixels.begin(), pixels.end(), inPlace.begin());
  gbdib::BitFieldRow(inPlace.data(), inPlace.data(), 3, 16, fields16);
  EXPECT_EQ(inPlace, apart);

  const uint32_t bgr[3] = {0x0000FF00u, 0x00FF0000u, 0xFF000000u};
  const Bytes wide = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
  Bytes out(6, 0);
  gbdib::BitFieldRow(wide.data(), out.data(), 2, 32, gbdib::BitFields(bgr, 32));
  EXPECT_EQ(out, (Bytes{0x44, 0x33, 0x22, 0x88, 0x77, 0x66}));

  uint32_t defaults[3];
  gbdib::DefaultMasks(16, defaults);
  EXPECT_EQ(defaults[1], 0x03E0u);
  gbdib::DefaultMasks(32, defaults);
  EXPECT_EQ(defaults[0], 0xFF0000u);
}

TEST(DibPixels, Rle8MovesEndsOfLineAndOverruns) {
  Rows rows(4, 3);
  const Bytes stream = {
      0x03, 0x11,                          // run of 3
      0x00, 0x03, 0x21, 0x22, 0x23, 0x00,  // literal of 3 (padded): only one fits the row
      0x00, 0x00,                          // end of line
      0x04, 0x31,                          // fills the row to its last column
      0x00, 0x00,                          // end of line right there
      0x00, 0x02, 0x02, 0x00,              // move two right
      0x05, 0x41,                          // run past the row's end: no wrap
      0x00, 0x01,                          // end of bitmap
      0x07, 0x99,                          // after the end: ignored
  };
  EXPECT_TRUE(rows.Decode(stream, false));
  EXPECT_EQ(rows.Row(0), (Bytes{0x11, 0x11, 0x11, 0x21}));
  EXPECT_EQ(rows.Row(1), (Bytes{0x31, 0x31, 0x31, 0x31}));
  EXPECT_EQ(rows.Row(2), (Bytes{0x00, 0x00, 0x41, 0x41}));
  EXPECT_TRUE(rows.GuardIntact());

  // A move below the last row drops what follows; every row was passed,
  // so a missing end code is no loss.
  Rows below(4, 3);
  EXPECT_TRUE(below.Decode({0x01, 0x55, 0x00, 0x02, 0x01, 0x09, 0x04, 0x66}, false));
  EXPECT_EQ(below.Row(0), (Bytes{0x55, 0, 0, 0}));
  EXPECT_EQ(below.Row(2), (Bytes{0, 0, 0, 0}));
  EXPECT_TRUE(below.GuardIntact());
}

TEST(DibPixels, Rle8StreamsThatStopShort) {
  // Cut inside a literal: the bytes before the cut stand, the result says
  // rows were left.
  Rows cut(4, 2);
  EXPECT_FALSE(cut.Decode({0x00, 0x04, 0x01, 0x02}, false));
  EXPECT_EQ(cut.Row(0), (Bytes{0x01, 0x02, 0, 0}));
  // Cut inside a move, and a lone last byte.
  Rows move(4, 2);
  EXPECT_FALSE(move.Decode({0x02, 0x07, 0x00, 0x02, 0x01}, false));
  EXPECT_EQ(move.Row(0), (Bytes{0x07, 0x07, 0, 0}));
  Rows lone(4, 2);
  EXPECT_FALSE(lone.Decode({0x01, 0x07, 0x03}, false));
  // Two ends of line pass both rows: complete without an end code.
  Rows passed(4, 2);
  EXPECT_TRUE(passed.Decode({0x01, 0x07, 0x00, 0x00, 0x00, 0x00}, false));
}

TEST(DibPixels, Rle4NibblesPaddingAndOverruns) {
  Rows rows(2, 2);  // four pixels a row
  const Bytes stream = {
      0x03, 0xAB,                    // run of 3: high, low, high
      0x00, 0x03, 0xCD, 0xE0,        // literal of 3 from x = 3: only C fits
      0x00, 0x00,                    // end of line at the last column
      0x00, 0x02, 0x01, 0x00,        // move one right
      0x00, 0x05, 0x12, 0x34, 0x50,  // literal of 5 in 3 bytes ...
      0x00,                          // ... padded to a whole word
      0x02, 0xF7,                    // past the row's end
      0x00, 0x01,
  };
  EXPECT_TRUE(rows.Decode(stream, true));
  EXPECT_EQ(rows.Row(0), (Bytes{0xAB, 0xAC}));
  EXPECT_EQ(rows.Row(1), (Bytes{0x01, 0x23}));
  EXPECT_TRUE(rows.GuardIntact());

  // Nibbles merge with what the row already holds: a high one at x = 0,
  // then a move two on from x = 1 to the low one at x = 3.
  Rows merged(2, 1);
  merged.bytes[0] = 0x0F;
  merged.bytes[1] = 0xF5;
  EXPECT_TRUE(merged.Decode({0x01, 0xA0, 0x00, 0x02, 0x02, 0x00, 0x01, 0x90, 0x00, 0x01}, true));
  EXPECT_EQ(merged.Row(0), (Bytes{0xAF, 0xF9}));
}

TEST(DibPixels, SparseStreamsAreJudgedByTheRowsTheyReach) {
  // 100 rows in six bytes: three moves of 33 rows and an end of line.
  const Bytes sparse = {0x00, 0x02, 0x00, 0x21, 0x00, 0x02, 0x00, 0x21, 0x00, 0x02, 0x00, 0x21, 0x00, 0x00};
  size_t at = 0;
  const auto next = [&] { return at < sparse.size() ? int(sparse[at++]) : -1; };
  EXPECT_EQ(gbdib::RowsReached(next, false), 100u);
  const auto reached = [&] { return uint64_t(100); };
  EXPECT_TRUE(gbdib::Justified(gbdib::kSparseLimit, sparse.size(), 101, reached));
  EXPECT_FALSE(gbdib::Justified(gbdib::kSparseLimit, sparse.size(), 102, reached));
  EXPECT_FALSE(gbdib::Justified(gbdib::kSparseLimit + 1, sparse.size(), 101, reached));
  // Within the plain ratio the stream is not even read.
  EXPECT_TRUE(gbdib::Justified(14 * 256 + 65536, 14, 1000000, [] { return uint64_t(0); }));
}
