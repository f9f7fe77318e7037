// The row-by-row area shrink against the whole-picture resample: the same
// bytes for every shape, edge and overflow method, and refusals where it
// cannot be the same.
#include <cstring>
#include <string>

#include "TransformTestSupport.h"
#include "image/transform/AreaShrink.h"

namespace {

// Feeds src's rows from the top down; false when the shrink refused the plan.
bool ShrinkByRows(const GbImage& src, long nw, long nh, int overflow, GbImage& out, gbtransform::AreaShrink24& shrink) {
  const gbtransform::Sampler edges(src, GbImage::kCatmullRom, overflow, GbImage::kReplacementWhite);
  if (!shrink.Start(long(src.Width()), long(src.Height()), nw, nh, edges)) return false;
  for (long row = long(src.Height()) - 1; row >= 0; --row) shrink.AddSourceRow(row, src.RowBits(uint32_t(row)));
  EXPECT_TRUE(shrink.Finished());
  if (!shrink.Finished()) return false;
  EXPECT_NE(out.Create(uint32_t(nw), uint32_t(nh), 24), nullptr);
  for (long y = 0; y < nh; ++y) std::memcpy(out.RowBits(uint32_t(y)), shrink.ResultRow(y), size_t(nw) * 3);
  return true;
}

}  // namespace

TEST(AreaShrink24, RowByRowGivesTheWholePictureResampleForEveryShapeAndOverflow) {
  struct Size {
    long w, h, nw, nh;
  };
  // Width != height, results of one row or one column, the sticker's odd
  // scales, barely-shrinking sizes and results whose edge areas read past
  // the picture by a rounding error.
  const Size sizes[] = {{53, 37, 7, 5},  {53, 37, 1, 1},     {53, 37, 52, 36}, {53, 37, 1, 36}, {53, 37, 52, 1},
                        {37, 53, 5, 17}, {600, 400, 32, 24}, {6, 4, 5, 3},     {2, 2, 1, 1},    {97, 61, 13, 11}};
  for (const Size& s : sizes)
    for (int o = GbImage::kColor; o <= GbImage::kMirror; ++o) {
      GbImage src;
      tt::MakeNoise(src, s.w, s.h, 24, uint32_t(s.w * 31 + s.nh * 7 + o));
      src.SetBackgroundIndex(0);
      src.SetBackgroundColor(RGBQUAD{201, 3, 77, 0});
      GbImage want, got;
      ASSERT_TRUE(src.ResampleInterpolated(s.nw, s.nh, GbImage::kCatmullRom, GbImage::OverflowMethod(o), &want));
      gbtransform::AreaShrink24 shrink;
      const std::string what = std::to_string(s.w) + "x" + std::to_string(s.h) + " -> " + std::to_string(s.nw) + "x" +
                               std::to_string(s.nh) + " overflow " + std::to_string(o);
      if (!ShrinkByRows(src, s.nw, s.nh, o, got, shrink)) {
        // Only wrapping, whose edge rows come from the far side, may refuse.
        EXPECT_EQ(o, GbImage::kWrap) << what;
        continue;
      }
      std::string where;
      EXPECT_TRUE(tt::SamePixels(got, want, &where)) << what << " " << where;
    }
}

TEST(AreaShrink24, RefusesWhatIsNotAnAreaAverageAndRowsOutOfOrder) {
  GbImage src;
  tt::MakeNoise(src, 40, 30, 24, 5);
  const gbtransform::Sampler edges(src, GbImage::kCatmullRom, GbImage::kRepeat, GbImage::kReplacementWhite);
  gbtransform::AreaShrink24 shrink;
  EXPECT_FALSE(shrink.Start(40, 30, 40, 15, edges));  // one axis only
  EXPECT_FALSE(shrink.Start(40, 30, 20, 30, edges));
  EXPECT_FALSE(shrink.Start(40, 30, 80, 60, edges));
  EXPECT_FALSE(shrink.Start(40, 30, 0, 10, edges));
  EXPECT_FALSE(shrink.Finished());

  // Bottom-up instead of top-down.
  ASSERT_TRUE(shrink.Start(40, 30, 7, 4, edges));
  for (long row = 0; row < 30; ++row) shrink.AddSourceRow(row, src.RowBits(uint32_t(row)));
  EXPECT_FALSE(shrink.Finished());
  EXPECT_EQ(shrink.ResultRow(0), nullptr);

  // A row missing at the end, then a row given twice.
  ASSERT_TRUE(shrink.Start(40, 30, 7, 4, edges));
  for (long row = 29; row >= 1; --row) shrink.AddSourceRow(row, src.RowBits(uint32_t(row)));
  EXPECT_FALSE(shrink.Finished());
  shrink.AddSourceRow(1, src.RowBits(1));
  shrink.AddSourceRow(0, src.RowBits(0));
  EXPECT_FALSE(shrink.Finished());
}
