#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "image/io/GbMemFile.h"

TEST(GbMemFile, ClosedStreamRefusesEverything) {
  GbMemFile f;
  uint8_t b[4] = {1, 2, 3, 4};
  char line[8];
  EXPECT_EQ(f.Read(b, 1, 4), 0u);
  EXPECT_EQ(f.Write(b, 1, 4), 0u);
  EXPECT_FALSE(f.PutC(1));
  EXPECT_EQ(f.GetC(), -1);
  EXPECT_EQ(f.GetS(line, 8), nullptr);
  EXPECT_FALSE(f.Seek(0, 0));
  EXPECT_EQ(f.Tell(), -1);
  EXPECT_EQ(f.Size(), -1);
  EXPECT_FALSE(f.Flush());
  EXPECT_TRUE(f.Eof());
  EXPECT_EQ(f.Error(), -1);
  EXPECT_TRUE(f.Close());
}

TEST(GbMemFile, OpenStartsEmptyAndOnlyOnce) {
  GbMemFile f;
  ASSERT_TRUE(f.Open());
  EXPECT_FALSE(f.Open());
  EXPECT_EQ(f.Size(), 0);
  EXPECT_EQ(f.Tell(), 0);
  EXPECT_EQ(f.Capacity(), 0);
  EXPECT_TRUE(f.Eof());
  EXPECT_TRUE(f.Flush());
  EXPECT_EQ(f.Error(), 0);
  EXPECT_TRUE(f.Close());
  EXPECT_EQ(f.Size(), -1);
  EXPECT_TRUE(f.Open());  // usable again after Close
}

TEST(GbMemFile, PutCGrowsIn64KiBSteps) {
  GbMemFile f;
  ASSERT_TRUE(f.Open());
  ASSERT_TRUE(f.PutC(0));
  EXPECT_EQ(f.Capacity(), 65536);
  for (int i = 1; i < 65535; ++i) ASSERT_TRUE(f.PutC(uint8_t(i)));
  EXPECT_EQ(f.Capacity(), 65536);
  ASSERT_TRUE(f.PutC(0xFF));  // the 65,536th byte
  EXPECT_EQ(f.Capacity(), 131072);
  EXPECT_EQ(f.Size(), 65536);
  // Content survived the reallocations.
  const uint8_t* data = f.GetBuffer();
  EXPECT_EQ(data[1], 1);
  EXPECT_EQ(data[300], uint8_t(300));
  EXPECT_EQ(data[65535], 0xFF);
}

TEST(GbMemFile, WriteGrowsToTheNextBoundaryAboveTheRequest) {
  GbMemFile f;
  ASSERT_TRUE(f.Open());
  std::string block(65535, 'a');
  EXPECT_EQ(f.Write(block.data(), 1, block.size()), block.size());
  EXPECT_EQ(f.Capacity(), 65536);
  EXPECT_EQ(f.Write("b", 1, 1), 1u);  // exactly 65,536 fits
  EXPECT_EQ(f.Capacity(), 65536);
  EXPECT_EQ(f.Write("c", 1, 1), 1u);
  EXPECT_EQ(f.Capacity(), 131072);

  GbMemFile g;
  ASSERT_TRUE(g.Open());
  std::string big(65536, 'x');
  EXPECT_EQ(g.Write(big.data(), 4, big.size() / 4), big.size() / 4);  // returns the count
  EXPECT_EQ(g.Capacity(), 131072);
  EXPECT_EQ(g.Size(), 65536);
  EXPECT_EQ(g.Write(big.data(), 0, 5), 0u);
  EXPECT_EQ(g.Write(nullptr, 1, 5), 0u);
}

TEST(GbMemFile, ReadReturnsWholeElementsAndStopsAtTheEnd) {
  uint8_t data[10];
  for (int i = 0; i < 10; ++i) data[i] = uint8_t(i);
  GbMemFile f(data, 10);
  uint32_t words[3] = {};
  EXPECT_EQ(f.Read(words, 4, 3), 2u);  // 10 bytes hold two whole words
  EXPECT_EQ(f.Tell(), 10);
  EXPECT_TRUE(f.Eof());
  EXPECT_EQ(f.Read(words, 1, 1), 0u);
  EXPECT_EQ(f.GetC(), -1);
  ASSERT_TRUE(f.Seek(8, 0));
  EXPECT_EQ(f.GetC(), 8);
  EXPECT_EQ(f.GetC(), 9);
  EXPECT_EQ(f.GetC(), -1);
  // Huge element counts neither overflow nor read past the data.
  ASSERT_TRUE(f.Seek(0, 0));
  uint8_t out[10];
  EXPECT_EQ(f.Read(out, 1, SIZE_MAX), 10u);
  EXPECT_EQ(std::memcmp(out, data, 10), 0);
  ASSERT_TRUE(f.Seek(0, 0));
  EXPECT_EQ(f.Read(out, SIZE_MAX / 2, 4), 0u);
  EXPECT_EQ(f.Read(nullptr, 1, 4), 0u);
}

TEST(GbMemFile, SeekClampsBelowZeroAndMayPassTheEnd) {
  uint8_t data[10] = {};
  GbMemFile f(data, 10);
  ASSERT_TRUE(f.Seek(4, 0));
  ASSERT_TRUE(f.Seek(-10, 0));
  EXPECT_EQ(f.Tell(), 0);
  ASSERT_TRUE(f.Seek(3, 1));
  ASSERT_TRUE(f.Seek(-1, 1));
  EXPECT_EQ(f.Tell(), 2);
  ASSERT_TRUE(f.Seek(-100, 1));
  EXPECT_EQ(f.Tell(), 0);
  ASSERT_TRUE(f.Seek(100, 2));
  EXPECT_EQ(f.Tell(), 110);
  EXPECT_TRUE(f.Eof());
  EXPECT_EQ(f.Error(), 1);
  uint8_t b;
  EXPECT_EQ(f.Read(&b, 1, 1), 0u);
  ASSERT_TRUE(f.Seek(-3, 2));
  EXPECT_EQ(f.Tell(), 7);
  EXPECT_EQ(f.Error(), 0);
  EXPECT_FALSE(f.Seek(0, 3));
  EXPECT_FALSE(f.Seek(0, -1));
  EXPECT_EQ(f.Tell(), 7);
  // Past the 2 GiB limit a seek fails and the position stays.
  ASSERT_TRUE(f.Seek(INT32_MAX, 0));
  EXPECT_FALSE(f.Seek(1, 1));
  EXPECT_EQ(f.Tell(), INT32_MAX);
  EXPECT_FALSE(f.PutC(1));
}

TEST(GbMemFile, WritingPastTheEndZeroFillsTheGap) {
  GbMemFile f;
  ASSERT_TRUE(f.Open());
  ASSERT_EQ(f.Write("ab", 1, 2), 2u);
  ASSERT_TRUE(f.Seek(5, 2));
  ASSERT_TRUE(f.PutC('z'));
  EXPECT_EQ(f.Size(), 8);
  const uint8_t* d = f.GetBuffer();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d), 8), std::string("ab\0\0\0\0\0z", 8));
  ASSERT_TRUE(f.Seek(70000, 0));
  ASSERT_EQ(f.Write("q", 1, 1), 1u);
  EXPECT_EQ(f.Size(), 70001);
  d = f.GetBuffer();
  for (int i = 8; i < 70000; ++i) ASSERT_EQ(d[i], 0) << i;
}

TEST(GbMemFile, ForeignBlockIsCopiedBeforeItGrowsAndNeverFreed) {
  auto* block = static_cast<uint8_t*>(std::malloc(4));
  std::memcpy(block, "wxyz", 4);
  {
    GbMemFile f(block, 4);
    ASSERT_TRUE(f.Seek(0, 2));
    ASSERT_EQ(f.Write("!", 1, 1), 1u);  // needs growth: our own copy
    EXPECT_NE(f.GetBuffer(), block);
    EXPECT_EQ(std::memcmp(f.GetBuffer(), "wxyz!", 5), 0);
  }
  EXPECT_EQ(std::memcmp(block, "wxyz", 4), 0);
  std::free(block);  // still ours: ASan reports a double free otherwise
}

TEST(GbMemFile, DetachHandsTheBufferToTheCaller) {
  uint8_t* taken;
  {
    GbMemFile f;
    ASSERT_TRUE(f.Open());
    ASSERT_EQ(f.Write("data", 1, 4), 4u);
    taken = f.GetBuffer(true);
  }
  EXPECT_EQ(std::memcmp(taken, "data", 4), 0);
  std::free(taken);
}

TEST(GbMemFile, GetSReadsLinesAndDropsAnUnterminatedLastLine) {
  std::string text = "one\ntwo\nlonger line\nlast";
  GbMemFile f(reinterpret_cast<uint8_t*>(text.data()), int32_t(text.size()));
  char line[32];
  ASSERT_NE(f.GetS(line, 32), nullptr);
  EXPECT_STREQ(line, "one\n");
  ASSERT_NE(f.GetS(line, 32), nullptr);
  EXPECT_STREQ(line, "two\n");
  // n - 1 characters at most.
  ASSERT_NE(f.GetS(line, 5), nullptr);
  EXPECT_STREQ(line, "long");
  ASSERT_NE(f.GetS(line, 32), nullptr);
  EXPECT_STREQ(line, "er line\n");
  EXPECT_EQ(f.GetS(line, 32), nullptr);  // "last" has no line feed
  EXPECT_EQ(f.GetS(line, 32), nullptr);
  ASSERT_TRUE(f.Seek(0, 0));
  ASSERT_NE(f.GetS(line, 1), nullptr);  // room for the terminator only
  EXPECT_STREQ(line, "");
  EXPECT_EQ(f.GetS(line, 0), nullptr);
  int value = 7;
  EXPECT_EQ(f.Scanf("%d", &value), 0);
  EXPECT_EQ(value, 7);
}
