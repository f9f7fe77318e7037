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
  if (event->key() == Qt::Key_PageUp)
    SetPos(pos_ - page_);
  else if (event->key() == Qt::Key_PageDown)
    SetPos(pos_ + page_);
  else
    event->ignore();  // to the parent
}

void SkScrollBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  // A slim channel in the slider's colours, the thumb a rounded pill over it.
  const qreal mid = width() / 2.0;
  const QRectF channel(mid - 3, 0.5, 6, height() - 1);
  p.setBrush(QColor(0xE1, 0xE6, 0xEE));
  p.setPen(QPen(QColor(0xC0, 0xC9, 0xD6), 1));
  p.drawRoundedRect(channel, 3, 3);
  const qreal top = ThumbTop(), bottom = std::min(height(), std::max(ThumbTop() + 6, ThumbBottom()));
  const QRectF thumb(mid - 3.5, top + 0.5, 7, bottom - top - 1);
  const QColor fill = ThumbColour();
  p.setBrush(fill);
  p.setPen(QPen(fill.darker(125), 1));
  p.drawRoundedRect(thumb, 3.5, 3.5);
  // A grip like the slider thumb's, when the thumb is long enough to carry it.
  if (thumb.height() >= 16) {
    p.setPen(QPen(fill.lighter(150), 1));
    const qreal c = thumb.center().y();
    for (qreal dy : {-2.5, 0.5, 3.5}) p.drawLine(QPointF(mid - 1.5, c + dy - 0.5), QPointF(mid + 1.5, c + dy - 0.5));
  }
}
