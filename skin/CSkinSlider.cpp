#include "skin/CSkinSlider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "skin/CMemDC.h"
#include "skin/RegionFromBitmap.h"
#include "skin/SkinArt.h"
#include "skin/SkinEvent.h"
#include "skin/SkinPaint.h"
#include "skin/SkinResources.h"
#include "skin/SkinTypes.h"

namespace {
QImage Keyed(const QImage& img, bool transparent, COLORREF key) {
  if (img.isNull()) return {};
  return transparent ? CursorImageFromBitmap(img, key) : img.convertToFormat(QImage::Format_ARGB32);
}
}  // namespace

CSkinSlider::CSkinSlider(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }

void CSkinSlider::SetRange(int minimum, int maximum, bool redraw) {
  min_ = minimum;
  max_ = std::max(minimum, maximum);
  pos_ = std::clamp(pos_, min_, max_);
  if (redraw) update();
}

void CSkinSlider::SetPos(int pos) {
  pos_ = std::clamp(pos, min_, max_);
  update();
}

void CSkinSlider::SetVertical(bool vertical) {
  vertical_ = vertical;
  update();
}

void CSkinSlider::SetMargins(int start, int end) {
  startMargin_ = std::max(0, start);
  endMargin_ = std::max(0, end);
  update();
}

void CSkinSlider::SetChannelImages(const QImage& channel, const QImage& active, bool transparent, COLORREF key) {
  channel_ = Keyed(channel, transparent, key);
  channelActive_ = Keyed(active, transparent, key);
  if (!channel_.isNull()) resize(channel_.size());
  update();
}

void CSkinSlider::SetThumbImages(const QImage& thumb, const QImage& active, bool transparent, COLORREF key) {
  thumb_ = Keyed(thumb, transparent, key);
  thumbActive_ = Keyed(active, transparent, key);
  if (!thumb_.isNull()) {
    thumbW_ = thumb_.width();
    thumbH_ = thumb_.height();
  }
  update();
}

bool CSkinSlider::SetChannelBitmaps(int channelId, int activeId, bool transparent, COLORREF key) {
  QImage channel = LoadSkinBitmap(channelId);
  if (channel.isNull()) return false;
  QImage active = activeId ? LoadSkinBitmap(activeId) : QImage();
  SetChannelImages(channel, active, transparent, key);
  return activeId == 0 || !active.isNull();
}

bool CSkinSlider::SetThumbBitmaps(int thumbId, int activeId, bool transparent, COLORREF key) {
  QImage thumb = LoadSkinBitmap(thumbId);
  if (thumb.isNull()) return false;
  QImage active = activeId ? LoadSkinBitmap(activeId) : QImage();
  SetThumbImages(thumb, active, transparent, key);
  return activeId == 0 || !active.isNull();
}

void CSkinSlider::SetThumbSize(int width, int height) {
  thumbW_ = std::max(1, width);
  thumbH_ = std::max(1, height);
  update();
}

void CSkinSlider::Enable(bool on) {
  enabled_ = on;
  setEnabled(on);
  update();
}

void CSkinSlider::DrawFocusRect(bool on) {
  drawFocus_ = on;
  update();
}

int CSkinSlider::PosToPixel(int pos) const {
  const int thumb = ThumbSize();
  const long long track = Extent() - endMargin_ - thumb - startMargin_;
  if (max_ == min_) return startMargin_ + thumb / 2;
  const long long step = track * (long long)(pos - min_);
  const long long span = max_ - min_;
  // floor, also for a negative track
  long long q = step / span;
  if ((step % span != 0) && ((step < 0) != (span < 0))) --q;
  return startMargin_ + int(q) + thumb / 2;
}

int CSkinSlider::PixelToPos(int pixel) const {
  const int thumb = ThumbSize();
  const long long track = Extent() - endMargin_ - startMargin_ - thumb;
  if (track <= 0) return min_;
  // Multiplied before dividing, in integers: a quotient taken first in
  // floating point lands just under whole numbers (29 / 100 * 100 < 29).
  const long long offset = pixel - thumb / 2 - startMargin_;
  return min_ + int(offset * (long long)(max_ - min_) / track);  // truncated
}

void CSkinSlider::Notify(int code) {
  if (code == kNotifySliderMoving)
    emit moving(pos_);
  else
    emit moved(pos_);
  SendSkinEvent(this, code, pos_);
}

void CSkinSlider::DragTo(int coord) {
  const int thumb = ThumbSize();
  int pixel = coord - grab_;
  const int lo = startMargin_ + thumb / 2;
  const int hi = Extent() - endMargin_ - thumb / 2;
  pixel = std::clamp(pixel, lo, std::max(lo, hi));
  if (pixel == PosToPixel(pos_)) return;
  // Several pixels share a position when the range is smaller than the
  // channel; the parent hears only of real changes.
  const int pos = std::clamp(PixelToPos(pixel), min_, max_);
  if (pos == pos_) return;
  pos_ = pos;
  update();
  Notify(kNotifySliderMoving);
}

void CSkinSlider::mousePressEvent(QMouseEvent* event) {
  if (!enabled_ || event->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  dragging_ = true;
  const int coord = Coord(event->position());
  const int centre = PosToPixel(pos_);
  // Far from the thumb it jumps to the press; on it, it keeps the grab point.
  grab_ = std::abs(coord - centre) > ThumbSize() / 2 ? 0 : coord - centre;
  DragTo(coord);
}

void CSkinSlider::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) DragTo(Coord(event->position()));
}

void CSkinSlider::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) return;
  dragging_ = false;
  update();
  Notify(kNotifySliderMoved);
}

void CSkinSlider::keyPressEvent(QKeyEvent* event) {
  if (!enabled_) {
    QWidget::keyPressEvent(event);
    return;
  }
  int pos = pos_;
  switch (event->key()) {
    case Qt::Key_PageUp: pos -= page_; break;
    case Qt::Key_PageDown: pos += page_; break;
    case Qt::Key_End: pos = max_; break;
    case Qt::Key_Home: pos = min_; break;
    case Qt::Key_Right:
    case Qt::Key_Down: pos += 1; break;
    case Qt::Key_Left:
    case Qt::Key_Up: pos -= 1; break;
    default: QWidget::keyPressEvent(event); return;
  }
  pos_ = std::clamp(pos, min_, max_);
  update();
  Notify(kNotifySliderMoved);
}

bool CSkinSlider::focusNextPrevChild(bool next) { return QWidget::focusNextPrevChild(next); }

void CSkinSlider::paintEvent(QPaintEvent* event) {
  if (channel_.isNull()) return;  // nothing to draw, the logic still works
  CMemDC mem(this, event->rect(), Qt::transparent);
  QPainter& p = mem.painter();
  if (!enabled_) p.setOpacity(0.45);
  // The parent's face shows through keyed parts.
  const int centre = PosToPixel(pos_);
  p.drawImage(0, 0, channel_);
  if (!channelActive_.isNull()) {
    const QRect before = vertical_ ? QRect(0, 0, width(), centre) : QRect(0, 0, centre, height());
    p.drawImage(before, channelActive_, before);
  }
  const QImage& thumb = dragging_ && !thumbActive_.isNull() ? thumbActive_ : thumb_;
  if (!thumb.isNull()) {
    const QPoint at = vertical_ ? QPoint((width() - thumb.width()) / 2, centre - thumb.height() / 2)
                                : QPoint(centre - thumb.width() / 2, (height() - thumb.height()) / 2);
    p.drawImage(at, thumb);
  }
  if (drawFocus_ && hasFocus() && enabled_) {
    // A faint, solid, round-cornered outline: enough to tell where the keys
    // go without boxing the slider in.
    QColor ring = SkinArt::kAccent;
    ring.setAlpha(55);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ring, 1));
    p.setBrush(Qt::NoBrush);
    const qreal radius = std::min(width(), height()) / 2.0 - 1;
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
  }
}
