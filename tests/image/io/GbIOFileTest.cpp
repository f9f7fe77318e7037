#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "image/io/GbIOFile.h"
#include "tests/support/TestSupport.h"

TEST(GbIOFile, WithoutAHandleEverythingFailsQuietly) {
  GbIOFile f;
  uint8_t b = 0;
  char line[4];
  int n = 0;
  EXPECT_EQ(f.Read(&b, 1, 1), 0u);
  EXPECT_EQ(f.Write(&b, 1, 1), 0u);
  EXPECT_FALSE(f.Seek(0, 0));
  EXPECT_EQ(f.Tell(), 0);
  EXPECT_EQ(f.Size(), -1);
  EXPECT_FALSE(f.Flush());
  EXPECT_TRUE(f.Eof());
  EXPECT_EQ(f.Error(), -1);
  EXPECT_FALSE(f.PutC('x'));
  EXPECT_EQ(f.GetC(), -1);
  EXPECT_EQ(f.GetS(line, 4), nullptr);
  EXPECT_EQ(f.Scanf("%d", &n), -1);
  EXPECT_TRUE(f.Close());
}

TEST(GbIOFile, OpenOwnsReadsWritesAndRefusesASecondOpen) {
  gbtest::TempDir dir;
  const std::string path = dir.file("a.bin");
  EXPECT_FALSE(GbIOFile().Open(dir.file("missing/none").c_str(), "rb"));
  {
    GbIOFile f;
    ASSERT_TRUE(f.Open(path.c_str(), "wb"));
    EXPECT_FALSE(f.Open(path.c_str(), "wb"));
    EXPECT_EQ(f.Write("12 34\nxy", 1, 8), 8u);
    EXPECT_TRUE(f.PutC('z'));
    EXPECT_TRUE(f.Flush());
  }  // the destructor closes what Open opened
  EXPECT_EQ(gbtest::ReadFile(path), "12 34\nxyz");

  GbIOFile f;
  ASSERT_TRUE(f.Open(path.c_str(), "rb"));
  int a = 0, b = 0;
  EXPECT_EQ(f.Scanf("%d", &a), 1);
  EXPECT_EQ(f.Scanf("%d", &b), 1);
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, 34);
  EXPECT_EQ(f.Tell(), 5);
  EXPECT_EQ(f.Size(), 9);
  EXPECT_EQ(f.Tell(), 5);  // Size keeps the position
  EXPECT_EQ(f.GetC(), '\n');
  char line[16];
  ASSERT_NE(f.GetS(line, 16), nullptr);
  EXPECT_STREQ(line, "xyz");
  EXPECT_EQ(f.GetC(), -1);
  EXPECT_TRUE(f.Eof());
  EXPECT_EQ(f.Error(), 0);
  ASSERT_TRUE(f.Seek(-2, 2));
  EXPECT_EQ(f.GetC(), 'y');
  EXPECT_TRUE(f.Close());
  EXPECT_EQ(f.Handle(), nullptr);
}

TEST(GbIOFile, AWrappedHandleIsNotClosed) {
  gbtest::TempDir dir;
  std::FILE* fp = std::fopen(dir.file("b.bin").c_str(), "w+b");
  ASSERT_NE(fp, nullptr);
  {
    GbIOFile f(fp);
    EXPECT_FALSE(f.Open(dir.file("c.bin").c_str(), "wb"));  // a handle is held
    EXPECT_TRUE(f.PutC('k'));
    EXPECT_TRUE(f.Close());
    EXPECT_EQ(f.Handle(), nullptr);
  }
  // Still open: usable by its owner.
  EXPECT_EQ(std::fseek(fp, 0, SEEK_SET), 0);
  EXPECT_EQ(std::fgetc(fp), 'k');
  EXPECT_EQ(std::fclose(fp), 0);
}
