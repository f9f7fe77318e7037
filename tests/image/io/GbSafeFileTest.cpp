#include "image/io/GbSafeFile.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "image/io/GbMemFile.h"
#include "tests/support/TestSupport.h"

namespace {

size_t Entries(const std::filesystem::path& dir) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

}  // namespace

// An encoder must not be able to tell the file from the memory stream it
// used to write into: the same calls give the same answers and the same bytes.
TEST(GbSafeFile, AnswersEveryCallAsTheMemoryStreamDoes) {
  for (const unsigned seed : {7u, 1234u}) {
    gbtest::TempDir dir;
    const std::string path = dir.file("out.tif");
    GbMemFile memory;
    ASSERT_TRUE(memory.Open());
    GbSafeFile file(path);
    ASSERT_TRUE(file.IsOpen()) << file.WriteError();
    std::mt19937 random(seed);
    std::vector<uint8_t> chunk(3u << 20);
    for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = uint8_t(i * 7 + i / 251);
    const auto pick = [&](uint32_t n) { return uint32_t(random() % n); };
    for (int step = 0; step < 600; ++step) {
      SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
      switch (pick(9)) {
        case 0:
        case 1: {  // rows, now and then one larger than the file's buffer
          const size_t n = pick(10) == 0 ? (1u << 20) + pick(1u << 20) : 1 + pick(40000);
          const size_t at = pick(uint32_t(chunk.size() - n));
          ASSERT_EQ(file.Write(&chunk[at], 1, n), memory.Write(&chunk[at], 1, n));
          break;
        }
        case 2: {  // elements of three bytes, as pixels go
          const size_t count = 1 + pick(5000);
          ASSERT_EQ(file.Write(chunk.data(), 3, count), memory.Write(chunk.data(), 3, count));
          break;
        }
        case 3:
          for (int k = 0, n = int(1 + pick(300)); k < n; ++k) {
            const uint8_t c = uint8_t(pick(256));
            ASSERT_EQ(file.PutC(c), memory.PutC(c));
          }
          break;
        case 4: {  // back to a header, within or before what is still buffered
          const int32_t to = memory.Size() > 0 ? int32_t(pick(uint32_t(memory.Size()))) : 0;
          ASSERT_EQ(file.Seek(to, GB_SEEK_SET), memory.Seek(to, GB_SEEK_SET));
          break;
        }
        case 5: {  // past the end: the gap must read as zeros once written after
          const int32_t by = int32_t(pick(70000)) - 1000;
          ASSERT_EQ(file.Seek(by, GB_SEEK_END), memory.Seek(by, GB_SEEK_END));
          break;
        }
        case 6: {
          const int32_t by = int32_t(pick(20000)) - 10000;
          ASSERT_EQ(file.Seek(by, GB_SEEK_CUR), memory.Seek(by, GB_SEEK_CUR));
          break;
        }
        case 7: {  // reading back what was written
          const size_t n = 1 + pick(70000);
          std::vector<uint8_t> a(n, 0xEE), b(n, 0xEE);
          ASSERT_EQ(file.Read(a.data(), 2, n / 2), memory.Read(b.data(), 2, n / 2));
          ASSERT_EQ(a, b);
          ASSERT_EQ(file.GetC(), memory.GetC());
          break;
        }
        default:
          ASSERT_EQ(file.Eof(), memory.Eof());
          ASSERT_EQ(file.Error(), memory.Error());
          break;
      }
      ASSERT_EQ(file.Tell(), memory.Tell());
      ASSERT_EQ(file.Size(), memory.Size());
    }
    EXPECT_FALSE(std::filesystem::exists(path));  // nothing shows before the commit
    ASSERT_TRUE(file.Commit()) << file.WriteError();
    ASSERT_GT(memory.Size(), 4 << 20);
    EXPECT_TRUE(gbtest::ReadFile(path) ==
                std::string(reinterpret_cast<const char*>(memory.GetBuffer()), size_t(memory.Size())));
    EXPECT_EQ(Entries(dir.path()), 1u);
  }
}

TEST(GbSafeFile, AStreamNeverCommittedLeavesNothingBehind) {
  gbtest::TempDir dir;
  const std::string path = dir.file("kept.bmp");
  gbtest::WriteFile(path, "old");
  {
    GbSafeFile file(path);
    std::string big(3u << 20, 'x');
    ASSERT_EQ(file.Write(big.data(), 1, big.size()), big.size());
    ASSERT_TRUE(file.PutC('y'));
  }
  EXPECT_EQ(gbtest::ReadFile(path), "old");
  EXPECT_EQ(Entries(dir.path()), 1u);

  GbSafeFile missing(dir.file("no/such/folder.bmp"));
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_EQ(missing.WriteError(), dir.file("no/such/folder.bmp") + ": the folder does not exist");
  uint8_t b = 0;
  EXPECT_EQ(missing.Write(&b, 1, 1), 0u);
  EXPECT_FALSE(missing.PutC(1));
  EXPECT_EQ(missing.Tell(), -1);
  EXPECT_FALSE(missing.Commit());
}
