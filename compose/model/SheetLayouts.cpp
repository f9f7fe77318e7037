#include "compose/model/SheetLayouts.h"

namespace {

// Columns and rows of the small-slot grid; a big slot spans two of each.
constexpr int kCol[4] = {428, 518, 608, 698};
constexpr int kRow[4] = {66, 134, 202, 270};

RECT Small(int col, int row) {
  return RECT{kCol[col], kRow[row], kCol[col] + GB_SMALL_SLOT_WIDTH, kRow[row] + GB_SMALL_SLOT_HEIGHT};
}
RECT Big(int col, int row) {
  return RECT{kCol[col], kRow[row], kCol[col] + GB_BIG_SLOT_WIDTH, kRow[row] + GB_BIG_SLOT_HEIGHT};
}

std::vector<RECT> Grid() {
  std::vector<RECT> r;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) r.push_back(Small(col, row));
  return r;
}

}  // namespace

const std::vector<RECT>& LayoutSlots(int layout) {
  static const std::vector<RECT> kLayouts[GB_LAYOUT_COUNT] = {
      {Big(0, 0), Small(2, 0), Small(3, 0), Small(2, 1), Small(3, 1), Small(0, 2), Small(1, 2), Small(2, 2),
       Small(3, 2), Small(0, 3), Small(1, 3), Small(2, 3), Small(3, 3)},
      {Big(0, 0), Big(2, 0), Big(0, 2), Big(2, 2)},
      {Big(0, 0), Small(2, 0), Small(3, 0), Small(2, 1), Small(3, 1), Small(0, 2), Small(1, 2), Big(2, 2), Small(0, 3),
       Small(1, 3)},
      Grid(),
      {Big(0, 0), Big(2, 0), Big(0, 2), Small(2, 2), Small(3, 2), Small(2, 3), Small(3, 3)},
  };
  static const std::vector<RECT> kNone;
  return layout >= 0 && layout < GB_LAYOUT_COUNT ? kLayouts[layout] : kNone;
}
