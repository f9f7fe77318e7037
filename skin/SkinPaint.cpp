#include "skin/SkinPaint.h"

#include "skin/SkinArt.h"

namespace SysColour {
QColor Face() { return SkinArt::kFace; }
QColor Text() { return SkinArt::kText; }
QColor Highlight() { return QColor(0xFF, 0xFF, 0xFF); }
QColor Light() { return QColor(0xE8, 0xEC, 0xF2); }
QColor Shadow() { return QColor(0xA4, 0xAF, 0xC0); }
QColor DarkShadow() { return QColor(0x5A, 0x66, 0x7A); }
QColor GrayText() { return QColor(0xA0, 0xA8, 0xB4); }
QColor Window() { return QColor(0xFF, 0xFF, 0xFF); }
}  // namespace SysColour

QImage GreyCopy(const QImage& image) {
  if (image.isNull()) return {};
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const QRgb px = row[x];
      const int l = int(0.299 * qRed(px) + 0.587 * qGreen(px) + 0.114 * qBlue(px));
      row[x] = qRgba(l, l, l, qAlpha(px));
    }
  }
  return out;
}

QImage DisabledCopy(const QImage& image) {
  QImage out = GreyCopy(image);
  for (int y = 0; y < out.height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const QRgb px = row[x];
      const int l = 128 + qRed(px) / 2;
      row[x] = qRgba(l, l, l, qAlpha(px) / 2);
    }
  }
  return out;
}

void Draw3dRect(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
  if (r.width() <= 0 || r.height() <= 0) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
  p.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), topLeft);
  p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
  p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
  p.restore();
}

void DrawEdge(QPainter& p, const QRect& r, bool sunken) {
  if (sunken) {
    Draw3dRect(p, r, SysColour::Shadow(), SysColour::Highlight());
    Draw3dRect(p, r.adjusted(1, 1, -1, -1), SysColour::DarkShadow(), SysColour::Light());
  } else {
    Draw3dRect(p, r, SysColour::Light(), SysColour::DarkShadow());
    Draw3dRect(p, r.adjusted(1, 1, -1, -1), SysColour::Highlight(), SysColour::Shadow());
  }
}

void DrawEmbossedText(QPainter& p, const QRect& r, int flags, const QString& text) {
  p.save();
  p.setPen(SysColour::Highlight());
  p.drawText(r.translated(1, 1), flags, text);
  p.setPen(SysColour::GrayText());
  p.drawText(r, flags, text);
  p.restore();
}

void DrawFocusRect(QPainter& p, const QRect& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  QPen pen(SysColour::DarkShadow(), 1, Qt::DotLine);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  p.drawRect(r.adjusted(0, 0, -1, -1));
  p.restore();
}
