// Flicker-free painting inside a paintEvent: draw into an off-screen picture
// as big as the area being painted, filled with the background colour; on
// destruction the picture is copied onto the widget in one block.
#pragma once
#include <QPainter>
#include <QPixmap>
#include <QWidget>

class CMemDC {
 public:
  CMemDC(QWidget* target, const QRect& clip, const QColor& background)
      : target_(target), clip_(clip.isEmpty() ? target->rect() : clip) {
    const qreal dpr = target->devicePixelRatioF();
    buffer_ = QPixmap(clip_.size() * dpr);
    buffer_.setDevicePixelRatio(dpr);
    buffer_.fill(background);
    painter_.begin(&buffer_);
    painter_.translate(-clip_.topLeft());
  }
  ~CMemDC() {
    painter_.end();
    QPainter screen(target_);
    screen.drawPixmap(clip_.topLeft(), buffer_);
  }
  CMemDC(const CMemDC&) = delete;
  CMemDC& operator=(const CMemDC&) = delete;

  QPainter& painter() { return painter_; }
  QPainter* operator->() { return &painter_; }

 private:
  QWidget* target_;
  QRect clip_;
  QPixmap buffer_;
  QPainter painter_;
};
