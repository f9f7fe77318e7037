#include <gtest/gtest.h>

#include <QKeyEvent>

#include "skin/ComboWindow.h"
#include "skin/SkComboBox.h"
#include "skin/SkScrollBar.h"
#include "tests/skin/SkinTestEnv.h"

using skintest::Mouse;
using skintest::RecordingDialog;

TEST(ComboWindow, HeightsWidthsAndScrollBar) {
  // Three items of text height 13 that fit: 3 x 17 + 5.
  auto fit = ComboWindow::Measure({13, 13, 13}, {40, 60, 50}, 100, 200);
  EXPECT_EQ(fit.height, 56);
  EXPECT_FALSE(fit.scrollBar);
  EXPECT_EQ(fit.visible, 3);
  EXPECT_EQ(fit.width, 100);  // at least the combo's width
  EXPECT_EQ(fit.items[0], QRect(5, 3, 90, 16));
  EXPECT_EQ(fit.items[2].top(), 3 + 2 * 17);

  // Wide text: widest + 3 + 10.
  auto wide = ComboWindow::Measure({13}, {200}, 100, 200);
  EXPECT_EQ(wide.width, 213);

  // Ten items into 80 pixels: four fit (4 x 17 + 5 = 73), with a scroll bar.
  std::vector<int> h(10, 13), w(10, 150);
  auto scrolled = ComboWindow::Measure(h, w, 100, 80);
  EXPECT_TRUE(scrolled.scrollBar);
  EXPECT_EQ(scrolled.visible, 4);
  EXPECT_EQ(scrolled.height, 73);
  EXPECT_EQ(scrolled.width, 150 + 3 + 10 + 10);
  EXPECT_EQ(scrolled.items[0].right() + 1, scrolled.width - 15);

  // Nothing visible: 24 high.
  EXPECT_EQ(ComboWindow::Measure({}, {}, 100, 200).height, 24);
  EXPECT_EQ(ComboWindow::Measure({13}, {10}, 100, 10).height, 24);
}

TEST(ComboWindow, PlacedUnderTheBoxAndMovedLeftWhenWider) {
  // As wide as the box: 17 below its top, at its left edge.
  EXPECT_EQ(ComboWindow::Place({300, 200}, 120, 120), QPoint(300, 217));
  // Wider: its right edge lines up with the box's, whatever room the screen
  // has on the right.
  EXPECT_EQ(ComboWindow::Place({300, 200}, 120, 200), QPoint(220, 217));
  EXPECT_EQ(ComboWindow::Place({10, 0}, 100, 213), QPoint(-103, 17));
}

TEST(ComboWindow, AWideListOpensToTheLeftOfTheBox) {
  RecordingDialog dlg;
  dlg.resize(400, 200);
  auto* combo = dlg.Add<SkComboBox>(1127, 200, 10, 60, 17);
  combo->AddString(QStringLiteral("A much longer item than the box is wide"));
  combo->AddString(QStringLiteral("B"));
  combo->SetCurSel(0);
  dlg.show();
  combo->setFocus();
  combo->ShowDropDown(true);
  ComboWindow* drop = combo->DropDown();
  ASSERT_NE(drop, nullptr);
  ASSERT_GT(drop->width(), combo->width());
  const QPoint boxTopRight = combo->mapToGlobal(QPoint(combo->width(), 0));
  EXPECT_EQ(drop->x() + drop->width(), boxTopRight.x());
  EXPECT_EQ(drop->y(), boxTopRight.y() + 17);
  combo->ShowDropDown(false);
}

class SkComboBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg.resize(300, 200);
    combo = dlg.Add<SkComboBox>(1126, 10, 10, 198, 17);
    for (int i = 0; i < 10; ++i) combo->AddString(QStringLiteral("Camera %1").arg(i));
    combo->SetCurSel(0);
    dlg.show();
    combo->setFocus();
  }
  void Key(int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(combo, &e);
  }
  RecordingDialog dlg;
  SkComboBox* combo = nullptr;
};

TEST_F(SkComboBoxTest, DropDownScrollsAndChoosesWithKeys) {
  const int itemHeight = QFontMetrics(combo->font()).height() + 4;
  combo->SetDroppedHeight(4 * itemHeight + 5);
  combo->ShowDropDown(true);
  ComboWindow* drop = combo->DropDown();
  ASSERT_NE(drop, nullptr);
  ASSERT_NE(drop->ScrollBar(), nullptr);
  EXPECT_EQ(drop->GetLayout().visible, 4);
  EXPECT_EQ(drop->ScrollBar()->Range(), 1000);
  EXPECT_EQ(drop->ScrollBar()->Page(), 400);
  EXPECT_EQ(drop->ScrollBar()->geometry(), QRect(drop->width() - 13, 3, 10, drop->height() - 6));
  EXPECT_EQ(drop->pos(), combo->mapToGlobal(QPoint(0, 17)));

  // Up from the first wraps to the last and scrolls it into view.
  Key(Qt::Key_Up);
  EXPECT_EQ(drop->HotItem(), 9);
  EXPECT_EQ(drop->FirstVisible(), 6);
  EXPECT_EQ(drop->ScrollBar()->GetPos(), 600);
  Key(Qt::Key_Down);
  EXPECT_EQ(drop->HotItem(), 0);
  EXPECT_EQ(drop->FirstVisible(), 0);
  Key(Qt::Key_Down);
  Key(Qt::Key_Down);
  Key(Qt::Key_Return);
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_EQ(combo->GetCurSel(), 2);
  EXPECT_EQ(dlg.Count(kNotifySelChange, 1126), 1);
  EXPECT_EQ(dlg.events.back().value, 2);
}

TEST_F(SkComboBoxTest, EscapeClosesWithoutChoosingAndClickChooses) {
  combo->ShowDropDown(true);
  Key(Qt::Key_Down);
  Key(Qt::Key_Escape);
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_EQ(combo->GetCurSel(), 0);
  EXPECT_EQ(dlg.Count(kNotifySelChange, 1126), 0);

  combo->ShowDropDown(true);
  ComboWindow* drop = combo->DropDown();
  ASSERT_NE(drop, nullptr);
  // The scroll bar scrolls the list; a press on an item picks it.
  if (drop->ScrollBar()) drop->ScrollBar()->SetPos(300);
  const int first = drop->FirstVisible();
  const QRect item = drop->ItemRect(first + 1);
  ASSERT_FALSE(item.isEmpty());
  Mouse(drop, QEvent::MouseButtonPress, item.center());
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_EQ(combo->GetCurSel(), first + 1);
  EXPECT_EQ(dlg.Count(kNotifySelChange, 1126), 1);
}

TEST_F(SkComboBoxTest, HotItemIgnoresTheFirstMoves) {
  combo->ShowDropDown(true);
  ComboWindow* drop = combo->DropDown();
  ASSERT_NE(drop, nullptr);
  const QPoint over = drop->ItemRect(1).center();
  for (int i = 0; i < 3; ++i) {
    Mouse(drop, QEvent::MouseMove, over, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(drop->HotItem(), 0);
  }
  Mouse(drop, QEvent::MouseMove, over, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(drop->HotItem(), 1);
  combo->ShowDropDown(false);
}

TEST_F(SkComboBoxTest, ItemsEditing) {
  EXPECT_EQ(combo->GetCount(), 10);
  combo->SetCurSel(3);
  combo->DeleteString(1);
  EXPECT_EQ(combo->GetCurSel(), 2);
  EXPECT_EQ(combo->GetLBText(2), QStringLiteral("Camera 3"));
  EXPECT_EQ(combo->SetCurSel(42), -1);
  combo->ResetContent();
  EXPECT_EQ(combo->GetCount(), 0);
  EXPECT_EQ(combo->GetLBText(0), QString());
}
