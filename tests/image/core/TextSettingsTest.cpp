#include <gtest/gtest.h>

#include <cstring>

#include "image/core/TextSettings.h"

TEST(TextSettings, DefaultsAndValueCopies) {
  TextSettings a;
  std::memset(static_cast<void*>(&a), 0x7F, sizeof a);
  InitTextSettings(a);
  EXPECT_STREQ(a.text, "Glimmerbox");
  for (size_t i = std::strlen("Glimmerbox"); i < sizeof a.text; ++i) ASSERT_EQ(a.text[i], 0) << i;
  EXPECT_EQ(a.font.lfHeight, -36);
  EXPECT_EQ(a.font.lfWeight, 400);
  EXPECT_EQ(a.font.lfCharSet, 238);
  EXPECT_EQ(a.font.lfQuality, 2);
  EXPECT_EQ(a.font.lfItalic, 0);
  EXPECT_STREQ(a.font.lfFaceName, "Arial");
  EXPECT_EQ(a.textColor, RGB(255, 255, 160));
  EXPECT_EQ(a.boxColor, RGB(0, 80, 160));
  EXPECT_EQ(a.alignment, 1);
  EXPECT_EQ(a.roundRadius, 20);
  EXPECT_EQ(a.boxOpacity, 0.0f);

  TextSettings b = a;
  std::strcpy(b.text, "changed");
  EXPECT_STREQ(a.text, "Glimmerbox");
}
