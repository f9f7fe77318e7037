// The drop-down list's vertical scroll bar. Position, range and page are in
// hundredths of an item (items x 100). Every change reports the position to
// the parent (kNotifyScrollPos, 0x04FF).
#pragma once
#include <QWidget>
#include <functional>

#include "platform/WinTypes.h"

class SkScrollBar : public QWidget {
  Q_OBJECT

 public:
  explicit SkScrollBar(QWidget* parent = nullptr);

  void SetRange(int range, int page);
  void SetPos(int pos);  // held to [0, range - page]
  int GetPos() const { return pos_; }
  int Range() const { return range_; }
  int Page() const { return page_; }
  void SetColours(COLORREF track, COLORREF edge);
  // Thumb top and bottom in pixels.
  int ThumbTop() const;
  int ThumbBottom() const;
  QColor ThumbColour() const;
  // Who hears of position changes (the drop-down list).
  void SetListener(std::function<void(int)> listener) { listener_ = std::move(listener); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Changed();

  int pos_ = 0, range_ = 100, page_ = 100;
  bool dragging_ = false;
  int lastY_ = 0;
  double dragRemainder_ = 0;
  COLORREF track_ = 0xC8C8C8, edge_ = 0x141414;
  std::function<void(int)> listener_;
};
