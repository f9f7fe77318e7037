#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "image/core/GbImage.h"
#include "image/core/TextSettings.h"
#include "tests/support/TestSupport.h"

// Builds without the Qt-backed text part draw no text.
#ifdef GB_HAVE_GDI_TEXT
#define REQUIRE_TEXT()
#else
#define REQUIRE_TEXT() GTEST_SKIP() << "built without text drawing"
#endif

TEST(CliText, DrawsWithTheTextToolLookAndOptions) {
  REQUIRE_TEXT();
  gbtest::TempDir dir;
  GbImage base(200, 80, 24, 0);
  base.Fill(255);
  const std::string in = dir.file("in.bmp"), out = dir.file("out.bmp"), out2 = dir.file("out2.bmp");
  ASSERT_TRUE(base.SaveFile(in.c_str(), GB_TYPE_BMP));
  std::string printed;
  const std::string cli = gbtest::CliPath();
  ASSERT_EQ(gbtest::Run(cli + " text " + in + " " + out + " 100 70 Hi", &printed), 0);
  // The same drawing as the engine call with the built-in record.
  GbImage viaCli, direct = base;
  ASSERT_TRUE(viaCli.LoadFile(out.c_str(), GB_TYPE_BMP));
  TextSettings s;
  InitTextSettings(s);
  std::strcpy(s.text, "Hi");
  const RECT r = direct.DrawTextBox(nullptr, 100, 70, s, false);
  EXPECT_EQ(printed, "text " + std::to_string(r.right) + " x " + std::to_string(r.bottom) + "\n");
  ASSERT_EQ(viaCli.Width(), 200u);
  EXPECT_EQ(std::memcmp(viaCli.RowBits(0), direct.RowBits(0), size_t(direct.RowStride()) * 80), 0);

  // Options change the look: no box, left-aligned, red text.
  ASSERT_EQ(
      gbtest::Run(cli + " text " + in + " " + out2 + " 5 70 'A\\nB' --no-box --align left --color '#FF0000'", &printed),
      0);
  GbImage plain;
  ASSERT_TRUE(plain.LoadFile(out2.c_str(), GB_TYPE_BMP));
  bool red = false, box = false;
  for (long y = 0; y < 80; ++y)
    for (long x = 0; x < 200; ++x) {
      const RGBQUAD c = plain.ReadPixelColor(x, y, false);
      red |= c.rgbRed == 255 && c.rgbGreen == 0 && c.rgbBlue == 0;
      box |= c.rgbRed == 0 && c.rgbGreen == 80 && c.rgbBlue == 160;
    }
  EXPECT_TRUE(red);
  EXPECT_FALSE(box);
  // Bad arguments fail with a message, and nothing is written.
  EXPECT_NE(gbtest::Run(cli + " text " + in + " " + dir.file("x.bmp") + " 1 2 Hi --align middle 2>/dev/null"), 0);
  EXPECT_NE(gbtest::Run(cli + " text " + in + " " + dir.file("x.bmp") + " a 2 Hi 2>/dev/null"), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("x.bmp")));
}
