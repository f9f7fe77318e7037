#include "skin/SkScrollBar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "skin/SkinEvent.h"
#include "skin/SkinTypes.h"

SkScrollBar::SkScrollBar(QWidget* parent) : QWidget(parent) {}

void SkScrollBar::SetRange(int range, int page) {
  range_ = std::max(1, range);
  page_ = std::clamp(page, 0, range_);
  pos_ = std::clamp(pos_, 0, range_ - page_);
  update();
}

void SkScrollBar::SetPos(int pos) {
  const int held = std::clamp(pos, 0, std::max(0, range_ - page_));
  if (held == pos_) return;
  pos_ = held;
  Changed();
}

void SkScrollBar::Changed() {
  update();
  if (listener_) listener_(pos_);
  SendSkinEvent(this, kNotifyScrollPos, pos_);
}

void SkScrollBar::SetColours(COLORREF track, COLORREF edge) {
  track_ = track;
  edge_ = edge;
  update();
}

int SkScrollBar::ThumbTop() const { return int(double(pos_) / range_ * (height() - 10)); }

int SkScrollBar::ThumbBottom() const { return ThumbTop() + 8 + int(double(height() - 9) * page_ / range_); }

QColor SkScrollBar::ThumbColour() const {
  // Mean of the two colours, each channel rounded up.
  auto mean = [](int a, int b) { return (a + b + 1) / 2; };
  return QColor(mean(GetRValue(track_), GetRValue(edge_)), mean(GetGValue(track_), GetGValue(edge_)),
                mean(GetBValue(track_), GetBValue(edge_)));
}

void SkScrollBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int y = int(event->position().y());
  if (y > ThumbBottom()) {
    SetPos(pos_ + page_);
  } else if (y < ThumbTop()) {
    SetPos(pos_ - page_);
  } else {
    dragging_ = true;
    lastY_ = y;
    dragRemainder_ = 0;
  }
}

void SkScrollBar::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  const int y = int(event->position().y());
  const int track = std::max(1, height() - 16);
  dragRemainder_ += double(y - lastY_) / track * range_;
  lastY_ = y;
  const int step = int(dragRemainder_);
  if (step != 0) {
    dragRemainder_ -= step;
    SetPos(pos_ + step);
  }
}

void SkScrollBar::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

void SkScrollBar::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_PageUp) SetPos(pos_ - page_);
  else if (event->key() == Qt::Key_PageDown) SetPos(pos_ + page_);
  else event->ignore();  // to the parent
}

void SkScrollBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xEE, 0xF1, 0xF5));
  p.drawRoundedRect(QRectF(rect()).adjusted(1, 0, -1, 0), 4, 4);
  const QRectF thumb(1, ThumbTop(), width() - 2, std::max(6, ThumbBottom() - ThumbTop()));
  QColor fill = ThumbColour();
  p.setBrush(fill);
  p.setPen(QPen(QColorFromRef(edge_).lighter(250), 1));
  p.drawRoundedRect(thumb.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
}
