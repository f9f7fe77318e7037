#include "output/window/OutputArt.h"

#include <QPainter>

#include "skin/SkinArt.h"

namespace OutputArt {

QImage SavePictureBackground() {
  SkinArt::WindowLook look;
  look.width = 640;
  look.height = 550;
  look.title = QStringLiteral("Save picture");
  // The picture well sits just outside the 530 x 400 pictures; the panel holds
  // the thumbnail column and the bottom row of commands.
  look.wells = {{10, 48, 534, 404}};
  look.panels = {{541, 40, 92, 432}, {8, 456, 624, 80}};
  return SkinArt::WindowBackground(look);
}

QImage PrintBackground() {
  SkinArt::WindowLook look;
  look.width = 800;
  look.height = 600;
  look.title = QStringLiteral("Print");
  look.wells = {{10, 40, 780, 490}};
  look.panels = {{8, 536, 784, 40}};
  return SkinArt::WindowBackground(look);
}

QImage ThumbnailFrame(bool checked) {
  QImage frame(86, 66, QImage::Format_RGB32);
  frame.fill(checked ? SkinArt::kAccent : SkinArt::kLine);
  QPainter p(&frame);
  // The inner 80 x 60 is covered by the thumbnail; a light rim frames it.
  p.fillRect(1, 1, 84, 64, checked ? SkinArt::kAccent.lighter(130) : QColor(Qt::white));
  p.fillRect(3, 3, 80, 60, QColor(0xE8, 0xEC, 0xF2));
  return frame;
}

}  // namespace OutputArt
