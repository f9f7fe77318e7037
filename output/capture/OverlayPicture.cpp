#include "output/capture/OverlayPicture.h"

#include <cmath>
#include <cstring>

QRect OverlayPicture::Placement(int w, int h) const {
  const int l = int(std::lround(dest.left() * w)), t = int(std::lround(dest.top() * h));
  const int r = int(std::lround(dest.right() * w)), b = int(std::lround(dest.bottom() * h));
  return QRect(QPoint(l, t), QPoint(r - 1, b - 1));
}

void ComposeShownFrame(const gbcam::CameraFrame& frame, const OverlayPicture& overlay, gbcam::CameraFrame& out) {
  out = frame;
  if (!overlay.Visible() || frame.width <= 0 || frame.height <= 0) return;
  const QRect place = overlay.Placement(frame.width, frame.height);
  if (place.width() <= 0 || place.height() <= 0) return;
  const QRect clipped = place.intersected(QRect(0, 0, frame.width, frame.height));
  const QImage& src = overlay.picture;
  const int n = overlay.opacity > 10 ? 10 : overlay.opacity;
  const uint8_t kr = GetRValue(overlay.key), kg = GetGValue(overlay.key), kb = GetBValue(overlay.key);
  for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
    // Nearest source pixel; an overlay of the rectangle's own size maps 1:1.
    const int sy = int(int64_t(y - place.top()) * src.height() / place.height());
    const QRgb* srow = reinterpret_cast<const QRgb*>(src.constScanLine(sy));
    uint8_t* drow = out.rgb.data() + size_t(y) * frame.width * 3;
    for (int x = clipped.left(); x <= clipped.right(); ++x) {
      const QRgb s = srow[int64_t(x - place.left()) * src.width() / place.width()];
      const int r = qRed(s), g = qGreen(s), b = qBlue(s);
      if (r == kr && g == kg && b == kb) continue;
      uint8_t* d = drow + x * 3;
      d[0] = uint8_t((r * n + d[0] * (10 - n) + 5) / 10);
      d[1] = uint8_t((g * n + d[1] * (10 - n) + 5) / 10);
      d[2] = uint8_t((b * n + d[2] * (10 - n) + 5) / 10);
    }
  }
}

QImage ComposeShown(const gbcam::CameraFrame& frame, const OverlayPicture& overlay) {
  gbcam::CameraFrame shown;
  ComposeShownFrame(frame, overlay, shown);
  if (shown.width <= 0 || shown.height <= 0) return {};
  QImage image(shown.width, shown.height, QImage::Format_RGB888);
  for (int y = 0; y < shown.height; ++y)
    std::memcpy(image.scanLine(y), shown.rgb.data() + size_t(y) * shown.width * 3, size_t(shown.width) * 3);
  return image;
}
