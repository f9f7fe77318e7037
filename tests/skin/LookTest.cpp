// How the label and the combo box actually paint: colours that reach the
// screen, not just the geometry.
#include <gtest/gtest.h>

#include <QPainter>
#include <set>

#include "skin/SharedSkin.h"
#include "skin/SkComboBox.h"
#include "skin/SkStatic.h"
#include "skin/SkinTypes.h"

namespace {

// A plain parent with one known colour, so anything else is the child's ink.
class Backdrop : public QWidget {
 public:
  explicit Backdrop(QColor c) : colour(c) { resize(240, 60); }
  QColor colour;

 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), colour); }
};

std::set<QRgb> Colours(const QImage& img) {
  std::set<QRgb> out;
  const QImage c = img.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < c.height(); ++y)
    for (int x = 0; x < c.width(); ++x) out.insert(c.pixel(x, y) | 0xFF000000u);
  return out;
}

QImage Render(QWidget& w) {
  QImage img(w.size(), QImage::Format_RGB32);
  w.render(&img);
  return img;
}

}  // namespace

TEST(SkStaticLook, DisabledDrawsTheEngravedCopyUnderTheTextColour) {
  Backdrop back(QColor(0, 0, 255));
  auto* label = new SkStatic(&back);
  label->setGeometry(10, 10, 160, 20);
  label->SetText(QStringLiteral("Disabled label"));
  const COLORREF text = RGB(0xA0, 0xA8, 0xB4), under = RGB(0x00, 0xFF, 0x00);
  label->SetColours(RGB(0, 0, 0), text, RGB(0x3C, 0x3C, 0x3C));
  label->SetDisabledColour(under);
  back.show();

  std::set<QRgb> enabled = Colours(Render(back));
  EXPECT_TRUE(enabled.count(QColorFromRef(text).rgb()));
  EXPECT_FALSE(enabled.count(QColorFromRef(under).rgb()));

  label->setEnabled(false);
  const QImage img = Render(back);
  std::set<QRgb> disabled = Colours(img);
  EXPECT_TRUE(disabled.count(QColorFromRef(text).rgb()));   // the text itself, on top
  EXPECT_TRUE(disabled.count(QColorFromRef(under).rgb()));  // the copy one pixel down-right
  // The copy sits below and right of the text: its lowest row is one lower.
  int lowText = -1, lowUnder = -1;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QRgb px = img.pixel(x, y) | 0xFF000000u;
      if (px == QColorFromRef(text).rgb()) lowText = y;
      if (px == QColorFromRef(under).rgb()) lowUnder = y;
    }
  EXPECT_EQ(lowUnder, lowText + 1);
}

TEST(SkComboBoxLook, RoundedEndsShowTheParentAndTheButtonSitsRight) {
  LoadSharedSkin();
  const SharedSkin& skin = GetSharedSkin();
  ASSERT_FALSE(skin.comboCap.isNull());
  ASSERT_FALSE(skin.comboButton.isNull());
  const QColor backColour(0x12, 0x34, 0x56);
  Backdrop back(backColour);
  auto* combo = new SkComboBox(&back);
  combo->setGeometry(10, 10, 198, 17);
  back.show();
  const QImage img = Render(back);
  // The outer corners belong to the parent, on both ends.
  EXPECT_EQ(img.pixel(10, 10) | 0xFF000000u, backColour.rgb());
  EXPECT_EQ(img.pixel(10 + 197, 10) | 0xFF000000u, backColour.rgb());
  EXPECT_EQ(img.pixel(10 + 197, 10 + 16) | 0xFF000000u, backColour.rgb());
  // Mid-height the box is opaque from end to end.
  for (int x = 10; x < 10 + 198; ++x) EXPECT_NE(img.pixel(x, 18) | 0xFF000000u, backColour.rgb()) << x;
  // The drop button's picture lands just inside the right cap.
  const int cw = skin.comboCap.width(), bw = skin.comboButton.width();
  const QImage button = skin.comboButton.convertToFormat(QImage::Format_RGB32);
  const int bx = 10 + 198 - cw - bw;
  int same = 0;
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < bw; ++x) same += (img.pixel(bx + x, 10 + y) == button.pixel(x, y));
  EXPECT_EQ(same, bw * 17);
}
