// A flat hot-tracking button with an icon beside (or above) its caption, for
// the windows that keep a standard look. Painted off-screen in one block.
#pragma once
#include <QAbstractButton>
#include <QImage>

#include "platform/WinTypes.h"

class GbTargetButton : public QAbstractButton {
  Q_OBJECT

 public:
  enum IconAlign { kIconLeft = 256, kIconRight = 512, kIconAbove = 768 };

  explicit GbTargetButton(QWidget* parent = nullptr);

  // Icons by resource id; zero pressed or hot ids fall back to the normal icon.
  bool SetIcon(int normalId, int align = kIconLeft, int pressedId = 0, int hotId = 0);
  void SetIconImages(const QImage& normal, int align, const QImage& pressed = {}, const QImage& hot = {});
  void SetTooltipText(const QString& text) { setToolTip(text); }
  void SetColours(COLORREF highlight, COLORREF background);
  void SetMargin(int margin);
  bool IsHot() const { return hot_; }
  // Shows the hover look (the mouse normally sets it; galleries and tests force it).
  void SetHot(bool hot) {
    hot_ = hot;
    update();
  }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  QImage normal_, pressed_, hot_icon_;
  int align_ = kIconLeft;
  bool hot_ = false;
  COLORREF highlight_;
  COLORREF background_;
  int margin_ = 4;
};
