#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTimer>

#include "skin/CSkinMenu.h"
#include "tests/skin/SkinTestEnv.h"

using skintest::RecordingDialog;

namespace {

MenuDesc Sample() {
  return {MenuCommand("Copy", 33038),
          MenuCommand("Paste", 33039, MF_GRAYED),
          MenuSeparator(),
          MenuPopup("Layout", {MenuCommand("Four", 100), MenuCommand("Six", 101)}),
          MenuCommand("Clear", 33043),
          MenuSeparator()};
}

struct WorkArea {
  explicit WorkArea(QRect r) { CSkinMenu::SetWorkArea(r); }
  ~WorkArea() { CSkinMenu::SetWorkArea(QRect()); }
};

}  // namespace

TEST(CSkinMenu, BuildsFromTheCombinationResource) {
  CSkinMenuPro menu;
  ASSERT_TRUE(menu.BuildFromResource(507, 0, 0));
  ASSERT_EQ(menu.ItemCount(), 7);
  EXPECT_EQ(menu.ItemAt(0).text, QStringLiteral("Copy"));
  EXPECT_EQ(menu.ItemAt(3).id, 33043);
  EXPECT_TRUE(menu.ItemAt(4).IsSeparator());
  EXPECT_EQ(menu.ItemAt(6).text, QStringLiteral("Apply to all"));
  EXPECT_FALSE(menu.BuildFromResource(9999, 0, 0));
  EXPECT_EQ(menu.ItemCount(), 7);  // left as it was
}

TEST(CSkinMenu, MeasureGivesMinimumHeightsAndSeparators) {
  CSkinMenu menu;
  menu.Build({MenuCommand("", 1), MenuSeparator(), MenuCommand("Long enough item text", 2)});
  menu.Measure();
  EXPECT_EQ(menu.ItemAt(0).text, QStringLiteral("( Empty )"));
  EXPECT_EQ(menu.ItemAt(0).height, std::max(22, QFontMetrics(CSkinMenu::MenuFont()).height() + 2));
  EXPECT_EQ(menu.ItemAt(1).height, 5);
  EXPECT_EQ(menu.ItemAt(0).top, 3);
  EXPECT_EQ(menu.MenuSize().height(), 6 + 2 * menu.ItemAt(0).height + 5);
}

TEST(CSkinMenu, KeyboardWrapsAndSkipsSeparators) {
  CSkinMenu menu;
  menu.Build(Sample());
  menu.Measure();
  menu.KeyPress(Qt::Key_Up);  // from none: the last non-separator
  EXPECT_EQ(menu.HotItem(), 4);
  menu.KeyPress(Qt::Key_Down);  // wraps past the trailing separator
  EXPECT_EQ(menu.HotItem(), 0);
  menu.KeyPress(Qt::Key_Up);
  EXPECT_EQ(menu.HotItem(), 4);
  menu.KeyPress(Qt::Key_Up);
  EXPECT_EQ(menu.HotItem(), 3);
  menu.KeyPress(Qt::Key_Up);  // over the separator to the greyed item
  EXPECT_EQ(menu.HotItem(), 1);

  CSkinMenu seps;
  seps.Build({MenuSeparator(), MenuSeparator()});
  seps.KeyPress(Qt::Key_Down);
  seps.KeyPress(Qt::Key_Up);
  EXPECT_EQ(seps.HotItem(), -1);
}

TEST(CSkinMenu, PlacementAtTheWorkAreaEdges) {
  WorkArea area(QRect(0, 0, 800, 600));
  CSkinMenu menu;
  menu.Build(Sample());
  menu.Measure();
  const QSize s = menu.MenuSize();
  EXPECT_EQ(menu.Placement({100, 100}), QPoint(100, 100));
  EXPECT_EQ(menu.Placement({790, 100}), QPoint(790 - s.width(), 100));
  EXPECT_EQ(menu.Placement({100, 590}), QPoint(100, 590 - s.height()));
  EXPECT_EQ(menu.Placement({5, 590}).y(), 590 - s.height());
  // Never negative.
  WorkArea tiny(QRect(0, 0, 20, 20));
  EXPECT_EQ(menu.Placement({10, 10}), QPoint(0, 0));
}

TEST(CSkinMenu, TrackChoosesAndSendsTheCommandToTheOwner) {
  WorkArea area(QRect(0, 0, 800, 600));
  RecordingDialog owner;
  CSkinMenu menu;
  menu.Build(Sample());
  QTimer::singleShot(0, [&] {
    EXPECT_TRUE(menu.IsShown());
    menu.KeyPress(Qt::Key_Down);
    menu.KeyPress(Qt::Key_Down);  // greyed: Enter does nothing
    menu.KeyPress(Qt::Key_Return);
    EXPECT_TRUE(menu.IsShown());
    menu.KeyPress(Qt::Key_Down);
    menu.KeyPress(Qt::Key_Down);
    menu.KeyPress(Qt::Key_Return);
  });
  EXPECT_EQ(menu.Track({50, 50}, &owner), 33043);
  EXPECT_FALSE(menu.IsShown());
  EXPECT_EQ(owner.Count(kNotifyClicked, 33043), 1);
}

TEST(CSkinMenu, EscapeInASubmenuKeepsTheParentOpen) {
  WorkArea area(QRect(0, 0, 800, 600));
  RecordingDialog owner;
  CSkinMenu menu;
  menu.Build(Sample());
  QTimer::singleShot(0, [&] {
    menu.KeyPress(Qt::Key_Up);
    menu.KeyPress(Qt::Key_Up);  // "Layout"
    ASSERT_EQ(menu.HotItem(), 3);
    menu.KeyPress(Qt::Key_Right);
    CSkinMenu* sub = menu.OpenSubmenu();
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->IsShown());
    // It opens beside the parent, at the item's height.
    EXPECT_EQ(sub->Window()->pos(), menu.Window()->pos() + QPoint(menu.MenuSize().width() - 3, menu.ItemAt(3).top - 3));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(sub->Window(), &escape);
    EXPECT_FALSE(sub->IsShown());
    EXPECT_TRUE(menu.IsShown());
    EXPECT_EQ(menu.OpenSubmenu(), nullptr);
    EXPECT_EQ(QWidget::mouseGrabber(), menu.Window());
    // Open again and choose inside the submenu.
    menu.KeyPress(Qt::Key_Right);
    sub->KeyPress(Qt::Key_Down);
    sub->KeyPress(Qt::Key_Return);
  });
  EXPECT_EQ(menu.Track({50, 50}, &owner), 101);
  EXPECT_EQ(owner.Count(kNotifyClicked, 101), 1);
}

TEST(CSkinMenu, SubmenuNearTheRightEdgeOpensToTheLeft) {
  WorkArea area(QRect(0, 0, 400, 600));
  CSkinMenu menu;
  menu.Build(Sample());
  menu.Measure();
  CSkinMenu* sub = menu.Submenu(3);
  ASSERT_NE(sub, nullptr);
  sub->Measure();
  const int parentX = 400 - menu.MenuSize().width() - 2;
  const QPoint wanted(parentX + menu.MenuSize().width() - 3, 100);
  EXPECT_EQ(sub->Placement(wanted).x(), wanted.x() + 6 - menu.MenuSize().width() - sub->MenuSize().width());
}

TEST(CSkinMenu, PressOutsideClosesWithoutACommand) {
  WorkArea area(QRect(0, 0, 800, 600));
  RecordingDialog owner;
  CSkinMenu menu;
  menu.Build(Sample());
  QTimer::singleShot(0, [&] { menu.MousePress(QPoint(700, 500), Qt::LeftButton); });
  EXPECT_EQ(menu.Track({50, 50}, &owner), 0);
  EXPECT_TRUE(owner.events.empty());
}

TEST(CSkinMenu, ColoursAndStylesAreProcessWide) {
  const COLORREF old = CSkinMenu::Colour(3);
  CSkinMenu::SetColour(3, 0x123456);
  EXPECT_EQ(CSkinMenu::Colour(3), 0x123456u);
  CSkinMenu::SetColour(12, 0x111111);  // ignored
  EXPECT_EQ(CSkinMenu::Colour(12), 0u);
  CSkinMenu::SetColour(3, old);
  EXPECT_EQ(CSkinMenu::Colour(9), 0xAEAEFFu);
  const UINT style = CSkinMenu::Style();
  CSkinMenu::SetStyleBit(CSkinMenu::kIconColumn, true);
  EXPECT_TRUE(CSkinMenu::Style() & CSkinMenu::kIconColumn);
  CSkinMenu::SetStyleBit(CSkinMenu::kIconColumn, (style & CSkinMenu::kIconColumn) != 0);
}
