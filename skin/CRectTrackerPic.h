// A picture with a rectangle tracker: while tracking is on, a press outside
// the tracker draws a new rectangle, a press on it moves it, a press on a
// handle resizes it. The rectangle stays inside the bounds, and each finished
// drag makes it the selection of the attached image.
#pragma once
#include <QImage>
#include <QWidget>

class GbImage;

class CRectTrackerPic : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHandleSize = 7;
  enum Hit { kNone = -1, kTopLeft = 0, kTopRight, kBottomRight, kBottomLeft, kTop, kRight, kBottom, kLeft, kInside };

  explicit CRectTrackerPic(QWidget* parent = nullptr);

  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }
  void EnableTracking(bool on);
  bool IsTracking() const { return tracking_; }
  // Defaults to the control's own area.
  void SetBounds(const QRect& bounds);
  QRect Bounds() const { return bounds_.isNull() ? rect() : bounds_; }
  // The image whose selection follows the tracker (not owned; may be null).
  void SetImage(GbImage* image) { image_ = image; }
  QRect TrackerRect() const { return tracker_; }
  void SetTrackerRect(const QRect& r);

  Hit HitTest(const QPoint& pos) const;

  // Makes r (top-down, in the image's pixels) the image's only selection.
  static bool ApplySelection(GbImage* image, const QRect& r);

 signals:
  void trackerChanged(QRect rect);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QRect HandleRect(int handle) const;
  QRect Dragged(const QPoint& pos) const;
  void UpdateCursor(const QPoint& pos);

  QImage picture_;
  bool tracking_ = false;
  QRect bounds_;
  GbImage* image_ = nullptr;
  QRect tracker_;
  // Drag state.
  Hit dragHit_ = kNone;
  bool dragging_ = false;
  QPoint pressPos_;
  QRect startRect_;
};
