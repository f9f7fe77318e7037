// Pictures and sheets for the save and print journeys: plain-colour files,
// a sheet whose first sticker is half black, and PDF pages read back.
#pragma once
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <string>
#include <vector>

#include "compose/model/BatchCompose.h"
#include "compose/model/SheetModel.h"
#include "tests/compose/window/WindowTestEnv.h"

namespace outtest {

inline bool WritePicture(const std::string& path, int w, int h, RGBQUAD colour) {
  GbImage image;
  if (!image.Create(uint32_t(w), uint32_t(h), 24)) return false;
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) image.WritePixelColor(x, y, colour);
  return image.SaveFile(path.c_str(), GB_TYPE_PNG);
}

// Layout 1 (four big slots) with the same sticker in slots 0 and 1: its
// left half pure black (the colour of the gaps), its right half red.
struct HalfBlackSheet {
  SheetModel model;
  SharedBitmap bitmap;
  std::vector<RECT> stickers;
  HalfBlackSheet() {
    model.SetupLayout(1);
    GbImage photo;
    photo.Create(320, 240, 24);
    for (long y = 0; y < 240; ++y)
      for (long x = 0; x < 320; ++x) photo.WritePixelColor(x, y, x < 160 ? RGBQUAD{0, 0, 0, 0} : RGBQUAD{0, 0, 220, 0});
    ComposedSticker sticker;
    if (ComposeStickerFromPictures(photo, nullptr, PhotoPlacement{}, 255, sticker)) {
      model.PlaceInFirstFree(sticker, false, 255);
      model.PlaceInFirstFree(sticker, false, 255);
    }
    bitmap = model.BuildSheet();
    stickers = StickerRectangles(model);
  }
};

inline QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y); }
inline bool Near(QRgb c, int r, int g, int b, int tolerance = 12) {
  return std::abs(qRed(c) - r) <= tolerance && std::abs(qGreen(c) - g) <= tolerance &&
         std::abs(qBlue(c) - b) <= tolerance;
}

// The pages of a PDF rasterised at dpi; empty when pdftoppm is missing (*missing set).
inline std::vector<QImage> PdfPages(const QString& pdf, int dpi, const QString& dir, bool* missing) {
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
  *missing = tool.isEmpty();
  std::vector<QImage> pages;
  if (tool.isEmpty()) return pages;
  const QString prefix = dir + QStringLiteral("/page");
  QProcess p;
  p.start(tool, {QStringLiteral("-r"), QString::number(dpi), pdf, prefix});
  if (!p.waitForFinished(120000) || p.exitCode() != 0) return pages;
  for (int i = 1; i < 100; ++i) {
    QImage page;
    bool found = false;
    for (const QString& name : {QStringLiteral("%1-%2.ppm").arg(prefix).arg(i),
                                QStringLiteral("%1-%2.ppm").arg(prefix).arg(i, 2, 10, QChar('0'))})
      if (page.load(name)) {
        found = true;
        break;
      }
    if (!found) break;
    pages.push_back(page.convertToFormat(QImage::Format_RGB32));
  }
  return pages;
}

}  // namespace outtest
