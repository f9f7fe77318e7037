#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/Gdi.h"

namespace {

std::vector<RECT> Rects(HRGN r) { return RegionRects(r); }

// A region data block built the way a caller gathers runs.
std::vector<uint8_t> Data(const std::vector<RECT>& rects) {
  std::vector<uint8_t> bytes(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
  RGNDATAHEADER h;
  h.nCount = DWORD(rects.size());
  h.nRgnSize = DWORD(rects.size() * sizeof(RECT));
  std::memcpy(bytes.data(), &h, sizeof h);
  if (!rects.empty()) std::memcpy(bytes.data() + sizeof h, rects.data(), rects.size() * sizeof(RECT));
  return bytes;
}

}  // namespace

TEST(GdiRegion, RowsOfRunsJoinIntoBands) {
  // Two rows with the same run merge into one band; a different row stays apart.
  const std::vector<uint8_t> data = Data({{1, 0, 4, 1}, {1, 1, 4, 2}, {0, 2, 2, 3}, {3, 2, 5, 3}});
  HRGN r = ExtCreateRegion(nullptr, DWORD(data.size()), reinterpret_cast<const RGNDATA*>(data.data()));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(Rects(r), (std::vector<RECT>{{1, 0, 4, 2}, {0, 2, 2, 3}, {3, 2, 5, 3}}));
  RECT box;
  EXPECT_EQ(GetRgnBox(r, &box), COMPLEXREGION);
  EXPECT_EQ(box, (RECT{0, 0, 5, 3}));
  EXPECT_TRUE(PtInRegion(r, 1, 1));
  EXPECT_FALSE(PtInRegion(r, 4, 1));  // right edges are outside
  EXPECT_FALSE(PtInRegion(r, 2, 2));
  EXPECT_TRUE(PtInRegion(r, 4, 2));
  const RECT probe{2, 2, 3, 3};
  EXPECT_FALSE(RectInRegion(r, &probe));
  // Overlapping and touching runs in one row become one span.
  HRGN joined = RegionFromRects(std::vector<RECT>{{0, 0, 2, 1}, {2, 0, 3, 1}, {1, 0, 5, 1}}.data(), 3);
  EXPECT_EQ(Rects(joined), (std::vector<RECT>{{0, 0, 5, 1}}));
  RECT one;
  EXPECT_EQ(GetRgnBox(joined, &one), SIMPLEREGION);
  DeleteObject(r);
  DeleteObject(joined);
  // A short or lying data block is refused.
  EXPECT_EQ(ExtCreateRegion(nullptr, DWORD(data.size() - 1), reinterpret_cast<const RGNDATA*>(data.data())), nullptr);
}

TEST(GdiRegion, CombiningModes) {
  HRGN a = CreateRectRgn(0, 0, 4, 4), b = CreateRectRgn(2, 2, 6, 6), out = CreateRectRgn(0, 0, 0, 0);
  RECT box;
  EXPECT_EQ(GetRgnBox(out, &box), NULLREGION);
  EXPECT_EQ(CombineRgn(out, a, b, RGN_AND), SIMPLEREGION);
  EXPECT_EQ(Rects(out), (std::vector<RECT>{{2, 2, 4, 4}}));
  EXPECT_EQ(CombineRgn(out, a, b, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(Rects(out), (std::vector<RECT>{{0, 0, 4, 2}, {0, 2, 6, 4}, {2, 4, 6, 6}}));
  EXPECT_EQ(CombineRgn(out, a, b, RGN_DIFF), COMPLEXREGION);
  EXPECT_EQ(Rects(out), (std::vector<RECT>{{0, 0, 4, 2}, {0, 2, 2, 4}}));
  EXPECT_EQ(CombineRgn(out, a, b, RGN_XOR), COMPLEXREGION);
  EXPECT_EQ(Rects(out), (std::vector<RECT>{{0, 0, 4, 2}, {0, 2, 2, 4}, {4, 2, 6, 4}, {2, 4, 6, 6}}));
  // The destination may be an operand.
  EXPECT_EQ(CombineRgn(a, a, a, RGN_DIFF), NULLREGION);
  EXPECT_EQ(CombineRgn(a, b, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_TRUE(EqualRgn(a, b));
  EXPECT_EQ(OffsetRgn(a, -2, 1), SIMPLEREGION);
  EXPECT_EQ(Rects(a), (std::vector<RECT>{{0, 3, 4, 7}}));
  EXPECT_EQ(CombineRgn(out, a, b, 99), RGN_ERROR);
  for (HRGN r : {a, b, out}) DeleteObject(r);
}

TEST(GdiRegion, ManyBatchesJoinedEqualOneBuild) {
  // A checkerboard of 2,500 one-pixel runs, joined 2,000 at a time as a
  // window-shape builder does, equals the region built in one go.
  std::vector<RECT> runs;
  for (int y = 0; y < 50; ++y)
    for (int x = y % 2; x < 100; x += 2) runs.push_back(RECT{x, y, x + 1, y + 1});
  HRGN whole = RegionFromRects(runs.data(), runs.size());
  HRGN joined = CreateRectRgn(0, 0, 0, 0);
  for (size_t start = 0; start < runs.size(); start += 2000) {
    const size_t n = std::min<size_t>(2000, runs.size() - start);
    const std::vector<uint8_t> data =
        Data(std::vector<RECT>(runs.begin() + long(start), runs.begin() + long(start + n)));
    HRGN part = ExtCreateRegion(nullptr, DWORD(data.size()), reinterpret_cast<const RGNDATA*>(data.data()));
    ASSERT_NE(part, nullptr);
    CombineRgn(joined, joined, part, RGN_OR);
    DeleteObject(part);
  }
  EXPECT_TRUE(EqualRgn(whole, joined));
  EXPECT_EQ(Rects(whole).size(), runs.size());
  EXPECT_TRUE(PtInRegion(joined, 0, 0));
  EXPECT_FALSE(PtInRegion(joined, 1, 0));
  EXPECT_TRUE(PtInRegion(joined, 1, 1));
  // Region data round trip.
  const DWORD need = GetRegionData(whole, 0, nullptr);
  std::vector<uint8_t> buffer(need);
  EXPECT_EQ(GetRegionData(whole, need, reinterpret_cast<RGNDATA*>(buffer.data())), need);
  HRGN copy = ExtCreateRegion(nullptr, need, reinterpret_cast<const RGNDATA*>(buffer.data()));
  EXPECT_TRUE(EqualRgn(copy, whole));
  for (HRGN r : {whole, joined, copy}) DeleteObject(r);
}
