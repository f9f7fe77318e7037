#include <gtest/gtest.h>

#include <QKeyEvent>

#include "skin/CSkinSlider.h"
#include "skin/SkScrollBar.h"
#include "tests/skin/SkinTestEnv.h"

using skintest::Mouse;
using skintest::RecordingDialog;

namespace {
// Range 0..100, no margins, a 110-pixel channel and a 10-pixel thumb.
CSkinSlider* MakeSlider(RecordingDialog& dlg) {
  auto* s = dlg.Add<CSkinSlider>(1100, 0, 0, 110, 20);
  QImage channel(110, 20, QImage::Format_RGB32);
  channel.fill(Qt::gray);
  QImage thumb(10, 20, QImage::Format_RGB32);
  thumb.fill(Qt::blue);
  s->SetChannelImages(channel);
  s->SetThumbImages(thumb);
  s->SetRange(0, 100);
  return s;
}

void Key(QWidget* w, int key) {
  QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}
}  // namespace

TEST(CSkinSlider, PositionPixelMapping) {
  RecordingDialog dlg;
  CSkinSlider* s = MakeSlider(dlg);
  EXPECT_EQ(s->size(), QSize(110, 20));  // takes the channel's size
  EXPECT_EQ(s->PosToPixel(50), 55);
  EXPECT_EQ(s->PosToPixel(0), 5);
  EXPECT_EQ(s->PosToPixel(100), 105);
  EXPECT_EQ(s->PixelToPos(5), 0);
  EXPECT_EQ(s->PixelToPos(105), 100);
  EXPECT_EQ(s->PixelToPos(55), 50);
  // Margins narrow the channel: 110 - 4 - 10 - 6 = 90 pixels of travel.
  s->SetMargins(6, 4);
  EXPECT_EQ(s->PosToPixel(0), 11);
  EXPECT_EQ(s->PosToPixel(50), 6 + 45 + 5);
  EXPECT_EQ(s->PixelToPos(11 + 90), 100);
  // An empty range does not divide by zero.
  s->SetRange(5, 5);
  EXPECT_EQ(s->PosToPixel(5), 11);
  EXPECT_EQ(s->GetPos(), 5);
}

TEST(CSkinSlider, PixelToPositionIsExact) {
  RecordingDialog dlg;
  CSkinSlider* s = MakeSlider(dlg);
  // (pixel - 5) / 100 x 100 is a whole number at every pixel of the channel.
  for (int pixel = 5; pixel <= 105; ++pixel) ASSERT_EQ(s->PixelToPos(pixel), pixel - 5) << pixel;
  EXPECT_EQ(s->PixelToPos(34), 29);
  EXPECT_EQ(s->PixelToPos(62), 57);
  EXPECT_EQ(s->PixelToPos(63), 58);
  // Jumping to those pixels puts the thumb there.
  for (int pixel : {34, 62, 63}) {
    s->SetPos(0);
    Mouse(s, QEvent::MouseButtonPress, {pixel, 10});
    EXPECT_EQ(s->GetPos(), pixel - 5);
    EXPECT_EQ(s->PosToPixel(s->GetPos()), pixel);
    Mouse(s, QEvent::MouseButtonRelease, {pixel, 10}, Qt::LeftButton, Qt::NoButton);
  }
  // A range that does not divide the channel evenly truncates:
  // 29 x 7 / 100 = 2.03 and 72 x 7 / 100 = 5.04.
  s->SetRange(0, 7);
  EXPECT_EQ(s->PixelToPos(34), 2);
  EXPECT_EQ(s->PixelToPos(77), 5);
  EXPECT_EQ(s->PixelToPos(105), 7);
}

TEST(CSkinSlider, NoRepeatedNotificationForAnUnchangedPosition) {
  RecordingDialog dlg;
  CSkinSlider* s = MakeSlider(dlg);
  s->SetRange(0, 10);  // ten pixels of channel per position
  s->SetPos(0);
  Mouse(s, QEvent::MouseButtonPress, {56, 10});  // jumps: (56 - 5) x 10 / 100 = 5
  EXPECT_EQ(s->GetPos(), 5);
  EXPECT_EQ(dlg.Count(kNotifySliderMoving, 1100), 1);
  // 57 and 58 are still position 5 (its thumb pixel is 55).
  Mouse(s, QEvent::MouseMove, {57, 10}, Qt::NoButton);
  Mouse(s, QEvent::MouseMove, {58, 10}, Qt::NoButton);
  EXPECT_EQ(s->GetPos(), 5);
  EXPECT_EQ(dlg.Count(kNotifySliderMoving, 1100), 1);
  // 66 is position 6: one more notification, carrying 6.
  Mouse(s, QEvent::MouseMove, {66, 10}, Qt::NoButton);
  Mouse(s, QEvent::MouseMove, {67, 10}, Qt::NoButton);
  EXPECT_EQ(s->GetPos(), 6);
  EXPECT_EQ(dlg.Count(kNotifySliderMoving, 1100), 2);
  EXPECT_EQ(dlg.events.back().value, 6);
  Mouse(s, QEvent::MouseButtonRelease, {67, 10}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(dlg.Count(kNotifySliderMoved, 1100), 1);
}

TEST(CSkinSlider, PressNearTheThumbKeepsItFarPressJumps) {
  RecordingDialog dlg;
  CSkinSlider* s = MakeSlider(dlg);
  s->SetPos(50);  // thumb centre at 55
  Mouse(s, QEvent::MouseButtonPress, {58, 10});
  EXPECT_EQ(s->GetPos(), 50);
  EXPECT_EQ(s->GrabOffset(), 3);
  EXPECT_EQ(dlg.Count(kNotifySliderMoving, 1100), 0);
  // Dragging keeps the grab offset: pointer 68 puts the centre at 65.
  Mouse(s, QEvent::MouseMove, {68, 10}, Qt::NoButton);
  EXPECT_EQ(s->GetPos(), 60);
  EXPECT_EQ(dlg.Count(kNotifySliderMoving, 1100), 1);
  Mouse(s, QEvent::MouseButtonRelease, {68, 10}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(dlg.Count(kNotifySliderMoved, 1100), 1);
  EXPECT_EQ(dlg.events.back().value, 60);

  Mouse(s, QEvent::MouseButtonPress, {95, 10});  // 30 pixels away: jump
  EXPECT_EQ(s->GrabOffset(), 0);
  EXPECT_EQ(s->GetPos(), 90);
  // Past the end the thumb stops at the last position.
  Mouse(s, QEvent::MouseMove, {300, 10}, Qt::NoButton);
  EXPECT_EQ(s->GetPos(), 100);
  Mouse(s, QEvent::MouseMove, {-50, 10}, Qt::NoButton);
  EXPECT_EQ(s->GetPos(), 0);
  Mouse(s, QEvent::MouseButtonRelease, {-50, 10}, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(s->IsDragging());
}

TEST(CSkinSlider, KeysMoveAndReportEnd) {
  RecordingDialog dlg;
  CSkinSlider* s = MakeSlider(dlg);
  s->SetPos(50);
  Key(s, Qt::Key_PageDown);
  EXPECT_EQ(s->GetPos(), 70);
  Key(s, Qt::Key_PageUp);
  Key(s, Qt::Key_Left);
  EXPECT_EQ(s->GetPos(), 49);
  Key(s, Qt::Key_Down);
  Key(s, Qt::Key_Right);
  EXPECT_EQ(s->GetPos(), 51);
  Key(s, Qt::Key_End);
  EXPECT_EQ(s->GetPos(), 100);
  Key(s, Qt::Key_PageDown);
  EXPECT_EQ(s->GetPos(), 100);  // held to the range
  Key(s, Qt::Key_Home);
  EXPECT_EQ(s->GetPos(), 0);
  EXPECT_EQ(dlg.Count(kNotifySliderMoved, 1100), 8);
  // Disabled: keys and presses do nothing.
  s->Enable(false);
  Key(s, Qt::Key_End);
  Mouse(s, QEvent::MouseButtonPress, {100, 10});
  EXPECT_EQ(s->GetPos(), 0);
}

TEST(SkScrollBar, RangePageAndPosition) {
  SkScrollBar bar;
  bar.resize(10, 100);
  bar.SetRange(10 * 100, 4 * 100);
  EXPECT_EQ(bar.Range(), 1000);
  EXPECT_EQ(bar.Page(), 400);
  bar.SetPos(5000);
  EXPECT_EQ(bar.GetPos(), 600);
  bar.SetPos(-3);
  EXPECT_EQ(bar.GetPos(), 0);
  // Thumb: top = pos / range * (h - 10); bottom = top + 8 + (h - 9) * page / range.
  bar.SetPos(500);
  EXPECT_EQ(bar.ThumbTop(), 45);
  EXPECT_EQ(bar.ThumbBottom(), 45 + 8 + 36);
  // A press below the thumb moves a page down, above it a page up.
  Mouse(&bar, QEvent::MouseButtonPress, {5, 98});
  EXPECT_EQ(bar.GetPos(), 600);
  Mouse(&bar, QEvent::MouseButtonPress, {5, 2});
  EXPECT_EQ(bar.GetPos(), 200);
  // Drag: dy / (h - 16) x range.
  bar.SetPos(0);
  Mouse(&bar, QEvent::MouseButtonPress, {5, 4});
  Mouse(&bar, QEvent::MouseMove, {5, 25}, Qt::NoButton);
  EXPECT_EQ(bar.GetPos(), 250);
  Mouse(&bar, QEvent::MouseButtonRelease, {5, 25}, Qt::LeftButton, Qt::NoButton);
  // Mean of 0xC8C8C8 and 0x141414, rounded up: 0x6E; of 1 and 2: 2.
  EXPECT_EQ(bar.ThumbColour(), QColor(0x6E, 0x6E, 0x6E));
  bar.SetColours(RGB(1, 0, 255), RGB(2, 0, 254));
  EXPECT_EQ(bar.ThumbColour(), QColor(2, 0, 255));
}
