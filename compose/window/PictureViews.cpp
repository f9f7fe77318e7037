#include "compose/window/PictureViews.h"

#include <QMouseEvent>
#include <QPainter>

#include "skin/SkinEvent.h"

QImage QImageOfGbImage(const GbImage& image) {
  if (!image.HasPixels()) return {};
  return QImageOfBitmap(BitmapOfImage(image));
}

// ---- PictureControl --------------------------------------------------------------

PictureControl::PictureControl(QWidget* parent) : QWidget(parent) {}

void PictureControl::SetPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void PictureControl::SetClip(const QRect& parentRect) {
  clip_ = parentRect;
  ApplyClip();
}

void PictureControl::ApplyClip() {
  if (clip_.isNull()) {
    clearMask();
    return;
  }
  const QRect visible = clip_.intersected(geometry()).translated(-pos());
  // An empty mask would show everything; a one-pixel region outside hides it.
  setMask(visible.isEmpty() ? QRegion(-1, -1, 1, 1) : QRegion(visible));
}

void PictureControl::moveEvent(QMoveEvent*) { ApplyClip(); }
void PictureControl::resizeEvent(QResizeEvent*) { ApplyClip(); }

void PictureControl::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter p(this);
  p.drawImage(0, 0, picture_);
}

// ---- SlotPicture -------------------------------------------------------------------

SlotPicture::SlotPicture(QWidget* parent) : QWidget(parent) {}

void SlotPicture::SetPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void SlotPicture::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter p(this);
  p.drawImage(0, 0, picture_);
}

void SlotPicture::mousePressEvent(QMouseEvent* e) {
  if (onPress) onPress(this, e);
}
void SlotPicture::mouseReleaseEvent(QMouseEvent* e) {
  if (onRelease) onRelease(this, e);
}
void SlotPicture::mouseDoubleClickEvent(QMouseEvent* e) {
  if (onDoubleClick) onDoubleClick(this, e);
}

// ---- SlotPictureWindow ---------------------------------------------------------------

SlotPictureWindow::~SlotPictureWindow() {
  if (!widget_) return;
  widget_->hide();
  SetControlId(widget_, 0);  // a new slot window takes over the id at once
  widget_->onPress = nullptr;
  widget_->onRelease = nullptr;
  widget_->onDoubleClick = nullptr;
  widget_->deleteLater();
}

void SlotPictureWindow::MoveTo(const RECT& rect) {
  if (widget_)
    widget_->setGeometry(int(rect.left), int(rect.top), int(rect.right - rect.left), int(rect.bottom - rect.top));
}

void SlotPictureWindow::ShowBitmap(const SharedBitmap& bitmap) {
  if (widget_) widget_->SetPicture(QImageOfBitmap(bitmap));
}

void SlotPictureWindow::Repaint() {
  if (widget_) widget_->update();
}
