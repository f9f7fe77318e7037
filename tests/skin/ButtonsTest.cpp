#include <gtest/gtest.h>

#include "skin/CIconButton.h"
#include "skin/GbSkinButton.h"
#include "skin/SkinPaint.h"
#include "skin/SkinResources.h"
#include "tests/skin/SkinTestEnv.h"

using skintest::Mouse;
using skintest::RecordingDialog;

namespace {
QImage Solid(int w, int h, QRgb c) {
  QImage img(w, h, QImage::Format_ARGB32);
  img.fill(c);
  return img;
}
}  // namespace

TEST(CIconButton, OnlyAHotIconShowsInEveryState) {
  RecordingDialog dlg;
  auto* b = dlg.Add<CIconButton>(1100, 0, 0, 40, 40);
  const QImage hot = Solid(16, 16, qRgb(200, 10, 10));
  b->SetIconImages(hot, QImage());
  EXPECT_EQ(b->CurrentIcon(), hot);
  b->SetHot(true);
  EXPECT_EQ(b->CurrentIcon(), hot);
  b->setDown(true);
  EXPECT_EQ(b->CurrentIcon(), hot);
}

TEST(CIconButton, DrawsTheIconAndThenTheBitmapOverIt) {
  RecordingDialog dlg;
  auto* b = dlg.Add<CIconButton>(1100, 0, 0, 40, 40);
  b->SetIconImages(Solid(16, 16, qRgb(200, 10, 10)), QImage());
  b->SetBitmaps(Solid(8, 8, qRgb(10, 10, 200)), QImage());
  // No caption: both are centred, the icon at (12, 12), the bitmap at (16, 16).
  QImage shot = b->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shot.pixel(13, 13), qRgb(200, 10, 10));
  EXPECT_EQ(shot.pixel(26, 26), qRgb(200, 10, 10));
  EXPECT_EQ(shot.pixel(19, 19), qRgb(10, 10, 200));
  // The bitmap follows the icon's choice of hot and idle pictures.
  b->SetBitmaps(Solid(8, 8, qRgb(10, 10, 200)), Solid(8, 8, qRgb(10, 200, 10)));
  EXPECT_EQ(b->CurrentBitmap().pixel(0, 0), qRgb(10, 200, 10));
  shot = b->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shot.pixel(19, 19), qRgb(10, 200, 10));
  EXPECT_EQ(shot.pixel(13, 13), qRgb(200, 10, 10));
  b->SetHot(true);
  EXPECT_EQ(b->CurrentBitmap().pixel(0, 0), qRgb(10, 10, 200));
}

TEST(CIconButton, IdleIconOfHotAndGreyCopy) {
  CIconButton b;
  ASSERT_TRUE(b.SetIcons(257, CIconButton::kGreyOfHot));
  const QImage hot = b.HotIcon().convertToFormat(QImage::Format_ARGB32);
  const QImage idle = b.IdleIcon();
  ASSERT_EQ(idle.size(), hot.size());
  for (int y = 0; y < hot.height(); y += 3)
    for (int x = 0; x < hot.width(); x += 3) {
      const QRgb h = hot.pixel(x, y);
      const int l = int(0.299 * qRed(h) + 0.587 * qGreen(h) + 0.114 * qBlue(h));
      ASSERT_EQ(idle.pixel(x, y), qRgba(l, l, l, qAlpha(h))) << x << "," << y;
    }
  // Idle shows the grey one, hover the hot one (a push button).
  EXPECT_EQ(b.CurrentIcon(), idle);
  b.SetHot(true);
  EXPECT_EQ(b.CurrentIcon(), b.HotIcon());
}

TEST(CIconButton, RangesAreRefused) {
  CIconButton b;
  EXPECT_TRUE(b.SetAlign(3));
  EXPECT_FALSE(b.SetAlign(4));
  EXPECT_EQ(b.Align(), 3);
  EXPECT_TRUE(b.SetColour(5, 0x123456));
  EXPECT_FALSE(b.SetColour(6, 0x123456));
  EXPECT_EQ(b.Colour(5), 0x123456u);
  EXPECT_EQ(b.Colour(3), RGB(0x50, 0x50, 0x50));  // the idle text default
  EXPECT_FALSE(b.SetCheck(true));                 // not a check box
}

TEST(CIconButton, ClickReachesTheTableAndTogglesInCheckBoxMode) {
  RecordingDialog dlg;
  auto* b = dlg.Add<CIconButton>(1108, 10, 10, 60, 24);
  b->SetCheckBoxStyle(true);
  Mouse(b, QEvent::MouseButtonPress, {5, 5});
  Mouse(b, QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton, Qt::NoButton);
  EXPECT_TRUE(b->GetCheck());
  EXPECT_EQ(dlg.Count(kNotifyClicked, 1108), 1);
  b->click();
  EXPECT_FALSE(b->GetCheck());
}

TEST(GbSkinButton, MaskSizesTheButtonInNaturalMode) {
  RecordingDialog dlg;
  auto* b = dlg.Add<GbSkinButton>(1135, 431, 38, 100, 40);
  ASSERT_TRUE(b->SetSkin(510, 510, 509, 0, 0, 511, GbSkinButton::kNatural));
  EXPECT_EQ(b->size(), QSize(60, 23));
  // The outline is the mask's non-white pixels: corners are outside.
  EXPECT_FALSE(b->Region().contains(QPoint(0, 0)));
  EXPECT_TRUE(b->Region().contains(QPoint(30, 11)));
  // Stretched buttons keep their size.
  auto* s = dlg.Add<GbSkinButton>(1136, 0, 0, 100, 40);
  s->SetSkin(510, 510, 509, 0, 0, 511, GbSkinButton::kStretch);
  EXPECT_EQ(s->size(), QSize(100, 40));
  // The draw mode is held to 0..2; an empty disabled face is the normal one.
  s->SetSkin(510, 0, 0, 0, 0, 0, 7);
  EXPECT_EQ(s->GetDrawMode(), 2);
}

TEST(GbSkinButton, RegionFromMaskTakesNonWhiteRuns) {
  QImage mask(5, 2, QImage::Format_RGB32);
  mask.fill(Qt::white);
  mask.setPixel(1, 0, qRgb(0, 0, 0));
  mask.setPixel(2, 0, qRgb(12, 0, 0));
  mask.setPixel(4, 1, qRgb(255, 255, 254));
  EXPECT_EQ(GbSkinButton::RegionFromMask(mask), QRegion(1, 0, 2, 1) + QRegion(4, 1, 1, 1));
}

TEST(GbSkinButton, RadioGroupsUncheckOnlyTheirOwn) {
  RecordingDialog dlg;
  GbSkinButton* a[3];
  GbSkinButton* other;
  for (int i = 0; i < 3; ++i) {
    a[i] = dlg.Add<GbSkinButton>(1180 + i, i * 20, 0, 16, 16);
    a[i]->SetKind(GbSkinButton::kRadio);
    a[i]->SetGroup(7);
  }
  other = dlg.Add<GbSkinButton>(1190, 0, 40, 16, 16);
  other->SetKind(GbSkinButton::kRadio);
  other->SetGroup(8);
  other->SetChecked(true);
  a[0]->SetChecked(true);
  a[2]->click();
  EXPECT_FALSE(a[0]->IsChecked());
  EXPECT_FALSE(a[1]->IsChecked());
  EXPECT_TRUE(a[2]->IsChecked());
  EXPECT_TRUE(other->IsChecked());
  // Clicking a checked radio leaves it checked.
  a[2]->click();
  EXPECT_TRUE(a[2]->IsChecked());
  EXPECT_EQ(dlg.Count(kNotifyClicked, 1182), 2);
}

TEST(GbSkinButton, UngroupedRadioButtonsOfOneDialogFormAGroup) {
  RecordingDialog dlg;
  GbSkinButton* r[3];
  for (int i = 0; i < 3; ++i) {
    r[i] = dlg.Add<GbSkinButton>(1180 + i, i * 20, 0, 16, 16);
    r[i]->SetKind(GbSkinButton::kRadio);
  }
  auto* box = dlg.Add<GbSkinButton>(1185, 0, 20, 16, 16);
  box->SetKind(GbSkinButton::kCheckBox);
  box->SetChecked(true);
  auto* grouped = dlg.Add<GbSkinButton>(1186, 20, 20, 16, 16);
  grouped->SetKind(GbSkinButton::kRadio);
  grouped->SetGroup(3);
  grouped->SetChecked(true);
  // Radio buttons of another dialog are not in this one's group.
  RecordingDialog other;
  auto* elsewhere = other.Add<GbSkinButton>(1180, 0, 0, 16, 16);
  elsewhere->SetKind(GbSkinButton::kRadio);
  elsewhere->SetChecked(true);

  r[0]->click();
  EXPECT_TRUE(r[0]->IsChecked());
  r[1]->click();
  EXPECT_FALSE(r[0]->IsChecked());
  EXPECT_TRUE(r[1]->IsChecked());
  r[2]->SetChecked(true);
  EXPECT_FALSE(r[1]->IsChecked());
  EXPECT_TRUE(r[2]->IsChecked());
  // Check boxes and explicitly grouped buttons keep their state.
  EXPECT_TRUE(box->IsChecked());
  EXPECT_TRUE(grouped->IsChecked());
  EXPECT_TRUE(elsewhere->IsChecked());
  // And checking the grouped one leaves the ungrouped ones alone.
  grouped->SetChecked(false);
  grouped->click();
  EXPECT_TRUE(grouped->IsChecked());
  EXPECT_TRUE(r[2]->IsChecked());
}

TEST(GbSkinButton, DraggingOffShowsNormalAndDoesNotToggle) {
  RecordingDialog dlg;
  dlg.resize(200, 100);
  auto* b = dlg.Add<GbSkinButton>(1084, 10, 10, 60, 23);
  b->SetSkin(510, 510, 509, 0, 0, 511);
  b->SetKind(GbSkinButton::kCheckBox);
  Mouse(b, QEvent::MouseButtonPress, {30, 11});
  EXPECT_EQ(b->CurrentFace(), 1);  // pressed
  Mouse(b, QEvent::MouseMove, {150, 80}, Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(b->CurrentFace(), 0);  // normal while off the button
  Mouse(b, QEvent::MouseButtonRelease, {150, 80}, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(b->IsChecked());
  EXPECT_EQ(dlg.Count(kNotifyClicked, 1084), 0);
  // Released over it, it toggles.
  Mouse(b, QEvent::MouseButtonPress, {30, 11});
  Mouse(b, QEvent::MouseButtonRelease, {30, 11}, Qt::LeftButton, Qt::NoButton);
  EXPECT_TRUE(b->IsChecked());
  EXPECT_EQ(b->CurrentFace(), 1);  // a checked box shows pressed
}

TEST(GbSkinButton, PushButtonNeverStaysChecked) {
  GbSkinButton b;
  b.SetChecked(true);
  EXPECT_FALSE(b.IsChecked());
  b.click();
  EXPECT_FALSE(b.IsChecked());
}
