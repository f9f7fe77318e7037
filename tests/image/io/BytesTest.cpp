#include <gtest/gtest.h>

#include <cstdint>

#include "image/io/Bytes.h"
#include "image/io/DecodeLimits.h"

namespace {

// High bits set in every byte but the first, so a sign-extending or
// byte-swapped read shows.
constexpr uint8_t kBytes[6] = {0x01, 0x82, 0xC3, 0xF4, 0x7F, 0xFE};

}  // namespace

TEST(Bytes, BothByteOrdersFromAPointer) {
  EXPECT_EQ(gbio::Le16(kBytes), 0x8201u);
  EXPECT_EQ(gbio::Be16(kBytes), 0x0182u);
  EXPECT_EQ(gbio::Le32(kBytes), 0xF4C38201u);
  EXPECT_EQ(gbio::Be32(kBytes), 0x0182C3F4u);
  EXPECT_EQ(gbio::Le32(kBytes + 2), 0xFE7FF4C3u);
  EXPECT_EQ(gbio::Be16(kBytes + 4), 0x7FFEu);

  uint8_t out[4] = {};
  gbio::PutLe32(out, 0xF4C38201u);
  EXPECT_EQ(gbio::Le32(out), 0xF4C38201u);
  gbio::PutBe32(out, 0xF4C38201u);
  EXPECT_EQ(gbio::Be32(out), 0xF4C38201u);
  EXPECT_EQ(out[0], 0xF4);
  gbio::PutLe16(out, 0x1ABCD);  // only the low 16 bits are written
  EXPECT_EQ(out[0], 0xCD);
  EXPECT_EQ(out[1], 0xAB);
  EXPECT_EQ(out[2], 0x82);  // the rest of the big-endian word stays
}

TEST(Bytes, BoundedReadsEndAtTheLastWholeField) {
  const size_t n = sizeof kBytes;
  EXPECT_EQ(gbio::Le32At(kBytes, n, n - 4), 0xFE7FF4C3u);  // last valid offset
  EXPECT_EQ(gbio::Le32At(kBytes, n, n - 3), 0u);           // one byte short
  EXPECT_EQ(gbio::Le16At(kBytes, n, n - 2), 0xFE7Fu);
  EXPECT_EQ(gbio::Le16At(kBytes, n, n - 1), 0u);
  EXPECT_EQ(gbio::Be32At(kBytes, n, n - 4), 0xC3F47FFEu);
  EXPECT_EQ(gbio::Be16At(kBytes, n, n), 0u);
  // Offsets whose end would wrap around are outside, as are blocks smaller
  // than the field.
  EXPECT_EQ(gbio::Le32At(kBytes, n, SIZE_MAX - 1), 0u);
  EXPECT_EQ(gbio::Le16At(kBytes, n, SIZE_MAX), 0u);
  EXPECT_EQ(gbio::Le32At(kBytes, 3, 0), 0u);
  EXPECT_EQ(gbio::Le16At(kBytes, 2, 0), 0x8201u);
}

TEST(Bytes, CheckedMulAddStopsOneBeyondTheLargestSize) {
  uint64_t out = 7;
  ASSERT_TRUE(gbio::CheckedMulAdd(SIZE_MAX, 1, 0, out));
  EXPECT_EQ(out, uint64_t(SIZE_MAX));
  out = 7;
  EXPECT_FALSE(gbio::CheckedMulAdd(SIZE_MAX, 1, 1, out));
  EXPECT_EQ(out, 7u);  // untouched on failure
  // 0xFFFFFFFF * 0x100000001 is exactly the largest value.
  ASSERT_TRUE(gbio::CheckedMulAdd(0xFFFFFFFFu, 0x100000001u, 0, out));
  EXPECT_EQ(out, uint64_t(SIZE_MAX));
  EXPECT_FALSE(gbio::CheckedMulAdd(0xFFFFFFFFu, 0x100000001u, 1, out));
  EXPECT_FALSE(gbio::CheckedMulAdd(uint64_t(1) << 32, uint64_t(1) << 32, 0, out));
  ASSERT_TRUE(gbio::CheckedMulAdd(SIZE_MAX - 5, 1, 5, out));
  EXPECT_EQ(out, uint64_t(SIZE_MAX));
  ASSERT_TRUE(gbio::CheckedMulAdd(0, SIZE_MAX, SIZE_MAX, out));
  EXPECT_EQ(out, uint64_t(SIZE_MAX));
  ASSERT_TRUE(gbio::CheckedMulAdd(3, 5, 2, out));
  EXPECT_EQ(out, 17u);
}

TEST(Bytes, StreamRatiosJustifyUpToTheirLimit) {
  // 10 bytes of BMP rows justify 10 * 4 + 65536 bytes of picture, no more.
  EXPECT_TRUE(gbio::Justifies(gbio::kBmpRawRatio, 10, 65576));
  EXPECT_FALSE(gbio::Justifies(gbio::kBmpRawRatio, 10, 65577));
  // No slack for PCX: an empty stream justifies nothing but nothing.
  EXPECT_TRUE(gbio::Justifies(gbio::kPcxRatio, 0, 0));
  EXPECT_FALSE(gbio::Justifies(gbio::kPcxRatio, 0, 1));
  EXPECT_TRUE(gbio::Justifies(gbio::kPcxRatio, 3, 96));
  EXPECT_FALSE(gbio::Justifies(gbio::kPcxRatio, 3, 97));
  // A limit beyond 64 bits cannot be computed; no stream is that large.
  EXPECT_TRUE(gbio::Justifies(gbio::kPngRatio, uint64_t(1) << 60, UINT64_MAX));
}
