// The shipped starter frames work with the program's key rule: 320 x 240, and
// the colour of the centre pixel fills one connected window around it and
// appears nowhere else (a stray key pixel would punch a hole into stickers).
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "compose/model/TemplateLibrary.h"
#include "image/core/GbImage.h"

namespace {

bool SameColour(RGBQUAD a, RGBQUAD b) {
  return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

}  // namespace

TEST(StarterArt, FramesHaveOneKeyedWindowAroundTheCentre) {
  TemplateList frames;
  ScanTemplateFolder(std::string(GB_SOURCE_STARTER_DIR) + "/Frame", frames);
  ASSERT_GE(frames.size(), 6);
  while (FirstUsableEntry(frames)) {
    const std::string path = frames.Current()->path;
    GbImage f;
    ASSERT_TRUE(f.LoadFile(path.c_str())) << path << ": " << f.LastError();
    ASSERT_EQ(f.Width(), 320u) << path;
    ASSERT_EQ(f.Height(), 240u) << path;
    const RGBQUAD key = f.ReadPixelColor(160, 120, false);
    const long w = 320, h = 240;
    std::vector<uint8_t> seen(size_t(w * h), 0);
    std::vector<std::pair<long, long>> todo{{160, 120}};
    seen[size_t(120 * w + 160)] = 1;
    long window = 0;
    while (!todo.empty()) {
      const auto [x, y] = todo.back();
      todo.pop_back();
      ++window;
      const long next[4][2] = {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}};
      for (const auto& n : next) {
        if (n[0] < 0 || n[1] < 0 || n[0] >= w || n[1] >= h || seen[size_t(n[1] * w + n[0])]) continue;
        if (!SameColour(f.ReadPixelColor(n[0], n[1], false), key)) continue;
        seen[size_t(n[1] * w + n[0])] = 1;
        todo.push_back({n[0], n[1]});
      }
    }
    long all = 0;
    for (long y = 0; y < h; ++y)
      for (long x = 0; x < w; ++x) all += SameColour(f.ReadPixelColor(x, y, false), key);
    EXPECT_EQ(all, window) << path << ": key colour outside the window";
    EXPECT_GT(window, w * h / 3) << path << ": the window is too small for a face";
    EXPECT_LT(window, w * h * 9 / 10) << path << ": hardly a frame";
  }
}
