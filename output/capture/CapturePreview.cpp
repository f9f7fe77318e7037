#include "output/capture/CapturePreview.h"

#include <QPainter>

#include "output/capture/CCaptureVideo.h"

CapturePreview::CapturePreview(CCaptureVideo& capture, QWidget* parent) : QWidget(parent), capture_(capture) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CapturePreview::Invalidate() {
  shownFrame_ = nullptr;
  update();
}

void CapturePreview::SetNotice(const QString& text) {
  notice_ = text;
  update();
}

void CapturePreview::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const std::shared_ptr<const gbcam::CameraFrame> frame = capture_.LatestFrame();
  if (frame && (frame.get() != shownFrame_ || frame->sequence != shownSequence_)) {
    shown_ = ComposeShown(*frame, capture_.Overlay());
    shownFrame_ = frame.get();
    shownSequence_ = frame->sequence;
    ++framesShown_;
  }
  if (shown_.isNull() || !notice_.isEmpty()) {
    p.fillRect(rect(), Qt::black);
    if (!notice_.isEmpty()) {
      p.setPen(Qt::white);
      p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, notice_);
    }
    return;
  }
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(rect(), shown_);
}
