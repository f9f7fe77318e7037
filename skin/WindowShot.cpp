#include "skin/WindowShot.h"

#include <QApplication>
#include <QDir>
#include <QRegion>
#include <QWidget>

QImage GrabShaped(QWidget* window) {
  QImage shot = window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
  const QRegion mask = window->mask();
  if (mask.isEmpty()) return shot;
  // The mask is in device-independent pixels, the grab in device pixels.
  const qreal dpr = shot.devicePixelRatio();
  for (int y = 0; y < shot.height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(shot.scanLine(y));
    for (int x = 0; x < shot.width(); ++x)
      if (!mask.contains(QPoint(int(x / dpr), int(y / dpr)))) row[x] = 0;
  }
  return shot;
}

bool SaveShaped(QWidget* window, const QString& dir, const QString& name, QStringList& written) {
  for (int i = 0; i < 4; ++i) QApplication::processEvents();
  const QString path = QDir(dir).filePath(name);
  if (!GrabShaped(window).save(path)) return false;
  written << path;
  return true;
}
