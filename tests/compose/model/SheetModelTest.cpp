#include <gtest/gtest.h>

#include <map>

#include "compose/model/SheetModel.h"
#include "tests/compose/model/ComposeTestSupport.h"

using namespace composetest;

namespace {

// A slot window that remembers what the model did to it.
struct FakeWindow : SlotWindow {
  int id = 0;
  RECT at{};
  SharedBitmap shown;
  int repaints = 0;
  void MoveTo(const RECT& r) override { at = r; }
  void ShowBitmap(const SharedBitmap& b) override { shown = b; }
  void Repaint() override { ++repaints; }
};

struct Windows {
  std::vector<std::weak_ptr<FakeWindow>> made;
  SlotWindowFactory Factory() {
    return [this](int id, const RECT& r) {
      auto w = std::make_shared<FakeWindow>();
      w->id = id;
      w->at = r;
      made.push_back(w);
      return w;
    };
  }
  int Alive() const {
    int n = 0;
    for (const auto& w : made) n += !w.expired();
    return n;
  }
};

FakeWindow* WindowOf(const ComData& slot) { return static_cast<FakeWindow*>(slot.window.get()); }

RGBQUAD Colour(int i) { return Rgb(uint8_t(20 + 13 * i), uint8_t(200 - 11 * i), uint8_t(60 + 7 * i)); }

ComposedSticker Plain(RGBQUAD c, SharedBitmap frame = nullptr) {
  ComposedSticker s;
  s.plain = BitmapOfImage(Solid(320, 240, c));
  s.sticker = s.plain;
  s.frame = std::move(frame);
  return s;
}

// A 320 x 240 frame: a border of colour c around a magenta window.
SharedBitmap Frame(RGBQUAD c, long inset = 20) {
  GbImage f = Solid(320, 240, c);
  for (long y = inset; y < 240 - inset; ++y)
    for (long x = inset; x < 320 - inset; ++x) Set(f, x, y, Rgb(255, 0, 255));
  return BitmapOfImage(f);
}

// The sheet pixel colour of the slot's centre.
RGBQUAD SlotCentre(const GbImage& sheet, const ComData& s) {
  return At(sheet, (s.rect.left + s.rect.right) / 2 - 423, (s.rect.top + s.rect.bottom) / 2 - 61);
}

}  // namespace

TEST(SheetLayouts, FiveLayoutsFromTheSlotConstants) {
  const int counts[5] = {13, 4, 10, 16, 7};
  for (int k = 0; k < 5; ++k) {
    const auto& slots = LayoutSlots(k);
    ASSERT_EQ(int(slots.size()), counts[k]);
    int cells = 0;  // of the 4 x 4 grid of small slots
    for (size_t i = 0; i < slots.size(); ++i) {
      const RECT& r = slots[i];
      const long w = r.right - r.left, h = r.bottom - r.top;
      EXPECT_TRUE((w == 174 && h == 130) || (w == 84 && h == 62)) << k << "/" << i;
      cells += w == 174 ? 4 : 1;
      // At least 5 pixels inside the sheet.
      EXPECT_GE(r.left - 423, 5);
      EXPECT_GE(r.top - 61, 5);
      EXPECT_LE(r.right - 423, 364 - 5);
      EXPECT_LE(r.bottom - 61, 276 - 5);
      // The sheet's centre lies in a gap.
      EXPECT_FALSE(605 >= r.left && 605 < r.right && 199 >= r.top && 199 < r.bottom);
      for (size_t j = 0; j < i; ++j) {
        const RECT& o = slots[j];
        const bool overlap = r.left < o.right && o.left < r.right && r.top < o.bottom && o.top < r.bottom;
        EXPECT_FALSE(overlap) << k << ": " << i << " and " << j;
      }
    }
    EXPECT_EQ(cells, 16) << "layout " << k << " leaves a hole";
  }
  EXPECT_TRUE(LayoutSlots(5).empty());
  EXPECT_TRUE(LayoutSlots(-1).empty());
  EXPECT_EQ(LayoutSlots(1)[3], (RECT{608, 202, 782, 332}));
  EXPECT_EQ(LayoutSlots(3)[6], (RECT{608, 134, 692, 196}));
}

TEST(SheetModel, SixteenStickersOnBlackWithSixPixelGaps) {
  SheetModel sheet;
  ASSERT_TRUE(sheet.SetupLayout(3));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(sheet.PlaceInFirstFree(Plain(Colour(i)), true, 255), i);
  EXPECT_EQ(sheet.PlaceInFirstFree(Plain(Colour(99)), true, 255), -1);  // full: dropped
  GbImage s;
  ASSERT_TRUE(sheet.BuildSheetImage(s));
  ASSERT_EQ(s.Width(), 364u);
  ASSERT_EQ(s.Height(), 276u);
  for (long y = 0; y < 276; ++y)
    for (long x = 0; x < 364; ++x) {
      RGBQUAD want = Rgb(0, 0, 0);
      const long col = (x - 5) / 90, row = (y - 5) / 68;
      if (x >= 5 && y >= 5 && col < 4 && row < 4 && (x - 5) % 90 < 84 && (y - 5) % 68 < 62)
        want = Colour(int(row * 4 + col));
      ASSERT_TRUE(Same(At(s, x, y), want)) << x << "," << y << " " << Str(At(s, x, y));
    }
  const GbImage viaBitmap = Image(sheet.BuildSheet());
  EXPECT_EQ(DiffCount(viaBitmap, s), 0);
}

TEST(SheetModel, ClearedSlotIsWhiteAndNeverFilledSlotBlack) {
  Windows windows;
  SheetModel sheet(windows.Factory());
  ASSERT_TRUE(sheet.SetupLayout(1));
  ASSERT_EQ(sheet.PlaceInFirstFree(Plain(Colour(1)), true, 255), 0);
  ASSERT_EQ(sheet.PlaceInFirstFree(Plain(Colour(2)), true, 255), 1);
  sheet.ClearSlot(1);  // "Remove"
  sheet.ClearSlot(3);  // never used, cleared all the same
  EXPECT_EQ(sheet.Slot(1).used, 0);
  ASSERT_TRUE(sheet.Slot(1).sticker);
  EXPECT_EQ(sheet.Slot(1).sticker, sheet.Slot(1).frame);
  EXPECT_EQ(Image(sheet.Slot(1).sticker).Width(), 174u);
  EXPECT_EQ(Image(WindowOf(sheet.Slot(1))->shown).Height(), 130u);
  GbImage s;
  ASSERT_TRUE(sheet.BuildSheetImage(s));
  EXPECT_TRUE(Same(SlotCentre(s, sheet.Slot(0)), Colour(1)));
  EXPECT_TRUE(Same(SlotCentre(s, sheet.Slot(1)), Rgb(255, 255, 255)));
  EXPECT_TRUE(Same(SlotCentre(s, sheet.Slot(2)), Rgb(0, 0, 0)));
  EXPECT_TRUE(Same(SlotCentre(s, sheet.Slot(3)), Rgb(255, 255, 255)));
  // A cleared slot is free again.
  EXPECT_EQ(sheet.PlaceInFirstFree(Plain(Colour(3)), true, 255), 1);

  sheet.ClearAll();
  EXPECT_TRUE(sheet.UsedSlots().empty());
  ASSERT_TRUE(sheet.BuildSheetImage(s));
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(Same(SlotCentre(s, sheet.Slot(i)), Rgb(255, 255, 255)));
}

TEST(SheetModel, PlacingShowsTheStickerAndTakesFrameAndAlphaAsAsked) {
  Windows windows;
  SheetModel sheet(windows.Factory());
  sheet.SetupLayout(0);
  ASSERT_EQ(windows.Alive(), 13);
  EXPECT_EQ(WindowOf(sheet.Slot(4))->id, 65520 + 4);
  EXPECT_EQ(sheet.Slot(4).controlId, 65520 + 4);

  const SharedBitmap frameA = Frame(Colour(7));
  const int a = sheet.PlaceInFirstFree(Plain(Colour(1), frameA), true, 128);
  ASSERT_EQ(a, 0);
  EXPECT_EQ(sheet.Slot(0).frame, frameA);
  EXPECT_EQ(sheet.Slot(0).alpha, 128);
  const GbImage shown = Image(WindowOf(sheet.Slot(0))->shown);
  EXPECT_EQ(shown.Width(), 174u);
  EXPECT_EQ(shown.Height(), 130u);

  // Frame option off: the slot keeps the frame it had (a cleared slot's
  // white); the capture command leaves alpha alone.
  sheet.ClearSlot(1);
  const SharedBitmap white = sheet.Slot(1).frame;
  ASSERT_EQ(sheet.PlaceInFirstFree(Plain(Colour(2), frameA), false, std::nullopt), 1);
  EXPECT_EQ(sheet.Slot(1).frame, white);
  EXPECT_EQ(sheet.Slot(1).alpha, 255);
  // Refreshing it changes nothing: white keyed by its own white centre.
  const GbImage before = Image(sheet.Slot(1).sticker);
  sheet.RefreshSlot(1);
  EXPECT_EQ(DiffCount(Image(sheet.Slot(1).sticker), before), 0);
}

TEST(SheetModel, LayoutChangeCarriesUsedStickersInOrder) {
  Windows windows;
  SheetModel sheet(windows.Factory());
  sheet.SetupLayout(3);
  for (int i = 0; i < 16; ++i) sheet.PlaceInFirstFree(Plain(Colour(i)), true, 255);
  EXPECT_FALSE(sheet.ChangeLayout(3));  // the current layout's button: nothing
  EXPECT_EQ(windows.Alive(), 16);

  ASSERT_TRUE(sheet.ChangeLayout(1));
  EXPECT_EQ(sheet.Layout(), 1);
  EXPECT_EQ(windows.Alive(), 4);  // the old windows are gone
  ASSERT_TRUE(sheet.ChangeLayout(3));
  EXPECT_EQ(windows.Alive(), 16);
  EXPECT_EQ(sheet.UsedSlots(), (std::vector<int>{0, 1, 2, 3}));
  GbImage s;
  ASSERT_TRUE(sheet.BuildSheetImage(s));
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(Same(SlotCentre(s, sheet.Slot(i)), i < 4 ? Colour(i) : Rgb(0, 0, 0))) << i;
  for (int i = 0; i < 4; ++i) {
    FakeWindow* w = WindowOf(sheet.Slot(i));
    EXPECT_EQ(w->id, 65520 + i);
    EXPECT_EQ(w->at, LayoutSlots(3)[size_t(i)]);
    EXPECT_EQ(Image(w->shown).Width(), 84u);
  }

  // From layout 0 with slots 2 and 7 used to layout 4: slots 0 and 1.
  SheetModel other;
  other.SetupLayout(0);
  for (int i = 0; i < 8; ++i) other.PlaceInFirstFree(Plain(Colour(i)), true, 255);
  for (int i = 0; i < 8; ++i)
    if (i != 2 && i != 7) other.ClearSlot(i);
  ASSERT_TRUE(other.ChangeLayout(4));
  EXPECT_EQ(other.UsedSlots(), (std::vector<int>{0, 1}));
  ASSERT_TRUE(other.BuildSheetImage(s));
  EXPECT_TRUE(Same(SlotCentre(s, other.Slot(0)), Colour(2)));
  EXPECT_TRUE(Same(SlotCentre(s, other.Slot(1)), Colour(7)));
  EXPECT_TRUE(Same(SlotCentre(s, other.Slot(2)), Rgb(0, 0, 0)));
}

TEST(SheetModel, DraggingSwapsPicturesButNotWindows) {
  Windows windows;
  SheetModel sheet(windows.Factory());
  sheet.SetupLayout(0);
  for (int i = 0; i < 6; ++i) sheet.PlaceInFirstFree(Plain(Colour(i)), true, 255);
  FakeWindow* w0 = WindowOf(sheet.Slot(0));
  FakeWindow* w5 = WindowOf(sheet.Slot(5));

  sheet.SlotDrop(5);  // no click first: nothing
  sheet.SlotClick(0);
  EXPECT_TRUE(sheet.Dragging());
  sheet.SlotClick(3);  // a click while dragging changes nothing
  EXPECT_EQ(sheet.SelectedSlot(), 0);
  sheet.SlotDrop(5);
  EXPECT_FALSE(sheet.Dragging());
  EXPECT_EQ(WindowOf(sheet.Slot(0)), w0);
  EXPECT_EQ(WindowOf(sheet.Slot(5)), w5);
  EXPECT_EQ(sheet.Slot(0).rect, LayoutSlots(0)[0]);
  EXPECT_EQ(sheet.Slot(0).controlId, 65520);
  GbImage s;
  ASSERT_TRUE(sheet.BuildSheetImage(s));
  EXPECT_TRUE(Same(SlotCentre(s, sheet.Slot(0)), Colour(5)));
  EXPECT_TRUE(Same(SlotCentre(s, sheet.Slot(5)), Colour(0)));
  EXPECT_EQ(Image(w0->shown).Width(), 174u);  // redrawn at each window's own size
  EXPECT_EQ(Image(w5->shown).Width(), 84u);

  // Click and release on the same slot: dragging ends, nothing moves.
  sheet.SlotClick(3);
  sheet.SlotDrop(3);
  EXPECT_FALSE(sheet.Dragging());
  ASSERT_TRUE(sheet.BuildSheetImage(s));
  EXPECT_TRUE(Same(SlotCentre(s, sheet.Slot(3)), Colour(3)));
}

TEST(SheetModel, CopyAndPasteShareBitmapsAndRedrawAtTheNewSize) {
  Windows windows;
  SheetModel sheet(windows.Factory());
  sheet.SetupLayout(0);
  sheet.PlaceInFirstFree(Plain(Colour(1), Frame(Colour(9))), true, 255);
  sheet.PlaceInFirstFree(Plain(Colour(2)), true, 255);

  sheet.PasteSlot(1);  // before any copy: the slot is emptied
  EXPECT_EQ(sheet.Slot(1).used, 0);
  EXPECT_FALSE(sheet.Slot(1).sticker);
  EXPECT_EQ(Image(WindowOf(sheet.Slot(1))->shown).Width(), 84u);  // the empty-slot picture

  sheet.RefreshSlot(0);  // the frame laid over, as the pasted copy will be
  sheet.CopySlot(0);
  EXPECT_EQ(sheet.CopyRecord().plain, sheet.Slot(0).plain);
  EXPECT_FALSE(sheet.CopyRecord().window);
  sheet.PasteSlot(6);  // a small slot
  const ComData& pasted = sheet.Slot(6);
  EXPECT_EQ(pasted.used, 1);
  EXPECT_EQ(pasted.rect, LayoutSlots(0)[6]);
  EXPECT_EQ(pasted.controlId, 65520 + 6);
  EXPECT_EQ(pasted.plain, sheet.Slot(0).plain);
  EXPECT_EQ(DiffCount(Image(pasted.sticker), Image(sheet.Slot(0).sticker)), 0);
  const GbImage shown = Image(WindowOf(pasted)->shown);
  EXPECT_EQ(shown.Width(), 84u);
  EXPECT_EQ(shown.Height(), 62u);
  GbImage s;
  ASSERT_TRUE(sheet.BuildSheetImage(s));
  EXPECT_TRUE(Same(SlotCentre(s, pasted), Colour(1)));
}

TEST(SheetModel, ApplyToAllLaysOneFrameOverEveryUsedSlotWithItsOwnAlpha) {
  SheetModel sheet;
  sheet.SetupLayout(1);
  const SharedBitmap frameA = Frame(Rgb(0, 0, 200));
  sheet.PlaceInFirstFree(Plain(Colour(0), frameA), true, 255);
  sheet.PlaceInFirstFree(Plain(Rgb(100, 100, 100), Frame(Rgb(250, 250, 0))), true, 128);
  sheet.PlaceInFirstFree(Plain(Colour(2)), true, 255);
  // Slot 3 stays free and must stay untouched.

  ASSERT_TRUE(sheet.ApplyFrameToAll(0));
  EXPECT_NE(sheet.Slot(1).frame, frameA);  // a bitmap of its own
  EXPECT_EQ(DiffCount(Image(sheet.Slot(1).frame), Image(frameA)), 0);
  const GbImage s1 = Image(sheet.Slot(1).sticker), s2 = Image(sheet.Slot(2).sticker);
  EXPECT_TRUE(Same(At(s1, 5, 5), Rgb(50, 50, 150)));  // 100 + (0 - 100) * 128 / 255 = 50 ...
  EXPECT_TRUE(Same(At(s1, 160, 120), Rgb(100, 100, 100)));
  EXPECT_TRUE(Same(At(s2, 5, 5), Rgb(0, 0, 200)));
  EXPECT_TRUE(Same(At(s2, 160, 120), Colour(2)));
  EXPECT_FALSE(sheet.Slot(3).frame);

  // An edited slot: the refresh leaves it alone, it gives no frame to the
  // others, but takes another slot's frame over the edited picture.
  const SharedBitmap edited = BitmapOfImage(Pattern(320, 240));
  ASSERT_TRUE(sheet.SetEditedPicture(2, edited));
  EXPECT_EQ(DiffCount(Image(sheet.Slot(2).sticker), Pattern(320, 240)), 0);
  EXPECT_EQ(Image(sheet.Slot(2).frame).Width(), 364u);
  EXPECT_FALSE(sheet.ApplyFrameToAll(2));
  EXPECT_EQ(DiffCount(Image(sheet.Slot(1).sticker), s1), 0);
  ASSERT_TRUE(sheet.ApplyFrameToAll(0));
  const GbImage e = Image(sheet.Slot(2).sticker);
  EXPECT_TRUE(Same(At(e, 5, 5), Rgb(0, 0, 200)));
  EXPECT_TRUE(Same(At(e, 160, 120), At(Pattern(320, 240), 160, 120)));

  // From a slot without a frame: the others show their plain pictures.
  sheet.PlaceInFirstFree(Plain(Colour(5)), true, 255);
  ASSERT_TRUE(sheet.ApplyFrameToAll(3));
  EXPECT_FALSE(sheet.Slot(0).frame);
  EXPECT_EQ(DiffCount(Image(sheet.Slot(0).sticker), Solid(320, 240, Colour(0))), 0);
  EXPECT_EQ(DiffCount(Image(sheet.Slot(1).sticker), Solid(320, 240, Rgb(100, 100, 100))), 0);
}
