// The frame laid over the live picture: a bitmap whose key-coloured pixels
// are see-through, shown with an opacity of n tenths inside a rectangle given
// in fractions of the video's size. The preview and the as-shown snapshot
// both compose through here, so a snapshot is exactly what was on screen.
#pragma once
#include <QImage>
#include <QRectF>

#include "platform/WinTypes.h"
#include "platform/camera/CameraSource.h"

struct OverlayPicture {
  QImage picture;           // RGB32; null: no overlay
  QRectF dest{0, 0, 1, 1};  // left, top, right, bottom as fractions; see Placement
  int opacity = 0;          // tenths, 0..10
  COLORREF key = RGB(255, 0, 255);

  bool Visible() const { return !picture.isNull() && opacity > 0; }
  // The destination in pixels of a video of w x h.
  QRect Placement(int w, int h) const;
};

// The frame with the overlay over it, as an RGB888 picture of the frame's size.
QImage ComposeShown(const gbcam::CameraFrame& frame, const OverlayPicture& overlay);
// The same as a frame, for the snapshot file.
void ComposeShownFrame(const gbcam::CameraFrame& frame, const OverlayPicture& overlay, gbcam::CameraFrame& out);
