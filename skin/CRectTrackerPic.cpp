#include "skin/CRectTrackerPic.h"

#include <QMouseEvent>
#include <QPainter>

#include "image/core/GbImage.h"
#include "skin/SkinArt.h"

CRectTrackerPic::CRectTrackerPic(QWidget* parent) : QWidget(parent) { setMouseTracking(true); }

void CRectTrackerPic::SetPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void CRectTrackerPic::EnableTracking(bool on) {
  tracking_ = on;
  if (!on) {
    dragging_ = false;
    unsetCursor();
  }
  update();
}

void CRectTrackerPic::SetBounds(const QRect& bounds) { bounds_ = bounds; }

void CRectTrackerPic::SetTrackerRect(const QRect& r) {
  tracker_ = r.normalized();
  update();
}

QRect CRectTrackerPic::HandleRect(int handle) const {
  // Handles sit outside the rectangle.
  const QRect& r = tracker_;
  const int s = kHandleSize;
  const int l = r.left() - s, t = r.top() - s, rr = r.left() + r.width(), b = r.top() + r.height();
  const int cx = r.left() + (r.width() - s) / 2, cy = r.top() + (r.height() - s) / 2;
  switch (handle) {
    case kTopLeft: return QRect(l, t, s, s);
    case kTopRight: return QRect(rr, t, s, s);
    case kBottomRight: return QRect(rr, b, s, s);
    case kBottomLeft: return QRect(l, b, s, s);
    case kTop: return QRect(cx, t, s, s);
    case kRight: return QRect(rr, cy, s, s);
    case kBottom: return QRect(cx, b, s, s);
    case kLeft: return QRect(l, cy, s, s);
    default: return {};
  }
}

CRectTrackerPic::Hit CRectTrackerPic::HitTest(const QPoint& pos) const {
  if (tracker_.isEmpty()) return kNone;
  for (int h = kTopLeft; h <= kLeft; ++h)
    if (HandleRect(h).contains(pos)) return Hit(h);
  return tracker_.contains(pos) ? kInside : kNone;
}

QRect CRectTrackerPic::Dragged(const QPoint& pos) const {
  const QRect bounds = Bounds();
  const QPoint d = pos - pressPos_;
  QRect r = startRect_;
  if (dragHit_ == kNone) {
    // Rubber band from the press to here.
    QPoint a = pressPos_, b = pos;
    r = QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
              QPoint(std::max(a.x(), b.x()) - 1, std::max(a.y(), b.y()) - 1));
    return r.intersected(bounds);
  }
  if (dragHit_ == kInside) {
    r.translate(d);
    // Moving keeps the size and stops at the edges.
    if (r.width() <= bounds.width()) {
      if (r.left() < bounds.left()) r.moveLeft(bounds.left());
      if (r.right() > bounds.right()) r.moveRight(bounds.right());
    }
    if (r.height() <= bounds.height()) {
      if (r.top() < bounds.top()) r.moveTop(bounds.top());
      if (r.bottom() > bounds.bottom()) r.moveBottom(bounds.bottom());
    }
    return r.intersected(bounds);
  }
  int l = r.left(), t = r.top(), rr = r.left() + r.width(), b = r.top() + r.height();
  if (dragHit_ == kTopLeft || dragHit_ == kBottomLeft || dragHit_ == kLeft) l += d.x();
  if (dragHit_ == kTopRight || dragHit_ == kBottomRight || dragHit_ == kRight) rr += d.x();
  if (dragHit_ == kTopLeft || dragHit_ == kTopRight || dragHit_ == kTop) t += d.y();
  if (dragHit_ == kBottomLeft || dragHit_ == kBottomRight || dragHit_ == kBottom) b += d.y();
  QRect out(QPoint(std::min(l, rr), std::min(t, b)), QPoint(std::max(l, rr) - 1, std::max(t, b) - 1));
  return out.intersected(bounds);
}

bool CRectTrackerPic::ApplySelection(GbImage* image, const QRect& r) {
  if (!image || !image->HasPixels() || r.isEmpty()) return false;
  const long h = long(image->Height());
  // Cleared to nothing, or made when the image has no selection yet.
  if (!(image->HasSelection() ? image->ClearSelection(0) : image->CreateSelection())) return false;
  // Windows-style edges (right and bottom one past) turned into the image's
  // bottom-up rows: top row t becomes h - t - 1.
  RECT sel{r.left(), LONG(h - r.top() - 1), r.left() + r.width(), LONG(h - (r.top() + r.height()) - 1)};
  return image->AddRectToSelection(sel, 255);
}

void CRectTrackerPic::mousePressEvent(QMouseEvent* event) {
  if (!tracking_ || event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  pressPos_ = event->position().toPoint();
  dragHit_ = HitTest(pressPos_);
  startRect_ = tracker_;
  dragging_ = true;
  if (dragHit_ == kNone) tracker_ = QRect();
  update();
}

void CRectTrackerPic::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (!dragging_) {
    if (tracking_) UpdateCursor(pos);
    return;
  }
  tracker_ = Dragged(pos);
  update();
}

void CRectTrackerPic::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) return;
  dragging_ = false;
  tracker_ = Dragged(event->position().toPoint());
  if (!tracker_.isEmpty()) {
    ApplySelection(image_, tracker_);
    emit trackerChanged(tracker_);
  }
  UpdateCursor(event->position().toPoint());
  update();
}

void CRectTrackerPic::UpdateCursor(const QPoint& pos) {
  switch (HitTest(pos)) {
    case kTopLeft:
    case kBottomRight: setCursor(Qt::SizeFDiagCursor); break;
    case kTopRight:
    case kBottomLeft: setCursor(Qt::SizeBDiagCursor); break;
    case kTop:
    case kBottom: setCursor(Qt::SizeVerCursor); break;
    case kLeft:
    case kRight: setCursor(Qt::SizeHorCursor); break;
    case kInside: setCursor(Qt::SizeAllCursor); break;
    default: unsetCursor(); break;
  }
}

void CRectTrackerPic::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!picture_.isNull()) p.drawImage(0, 0, picture_);
  if (!tracking_ || tracker_.isEmpty()) return;
  // Dotted border, drawn so it shows on light and dark pictures alike.
  const QRect r = tracker_.adjusted(0, 0, -1, -1);
  p.setPen(QPen(Qt::white, 1));
  p.drawRect(r);
  p.setPen(QPen(Qt::black, 1, Qt::DotLine));
  p.drawRect(r);
  for (int h = kTopLeft; h <= kLeft; ++h) {
    const QRect hr = HandleRect(h);
    p.fillRect(hr, SkinArt::kAccent);
    p.setPen(Qt::white);
    p.drawRect(hr.adjusted(0, 0, -1, -1));
  }
}
