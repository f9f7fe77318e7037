// The live picture in the main window's video rectangle: the newest camera
// frame with the frame overlay over it, scaled to the widget.
#pragma once
#include <QImage>
#include <QWidget>
#include <cstdint>

class CCaptureVideo;

class CapturePreview : public QWidget {
  Q_OBJECT
 public:
  CapturePreview(CCaptureVideo& capture, QWidget* parent);
  // Frames drawn so far (a frame drawn twice counts once).
  uint64_t FramesShown() const { return framesShown_; }
  // What the widget last drew, at the video's size.
  const QImage& ShownPicture() const { return shown_; }
  // Drops the cached picture so the next paint composes again (the overlay changed).
  void Invalidate();
  // A line shown instead of the picture when the camera stopped.
  void SetNotice(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CCaptureVideo& capture_;
  QImage shown_;
  uint64_t shownSequence_ = UINT64_MAX;
  const void* shownFrame_ = nullptr;
  uint64_t framesShown_ = 0;
  QString notice_;
};
