#include "retouch/editor/EditorViews.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <vector>

#include "image/core/GbImage.h"
#include "platform/gdi/text/QtBitmaps.h"
#include "skin/GbSkinButton.h"
#include "skin/SkinArt.h"
#include "skin/SkinDialog.h"

namespace editorview {

QImage ImageOfBitmap(HBITMAP bitmap) { return QImageOfBitmap(bitmap); }

QImage ImageOfGbImage(const GbImage& image) {
  HBITMAP bitmap = image.MakeDibSection();
  QImage out = ImageOfBitmap(bitmap);
  if (bitmap) DeleteObject(bitmap);
  return out;
}

GbSkinButton* AddTextButton(SkinDialog* dialog, int id, const QRect& r, const QString& text) {
  auto* b = dialog->Add<GbSkinButton>(id, r.x(), r.y(), r.width(), r.height());
  b->SetSkinImages(SkinArt::ButtonFace(r.width(), r.height(), 0), SkinArt::ButtonFace(r.width(), r.height(), 2),
                   SkinArt::ButtonFace(r.width(), r.height(), 1), SkinArt::ButtonFace(r.width(), r.height(), 3),
                   QImage(), SkinArt::ButtonMask(r.width(), r.height()));
  b->setText(text);
  // Long labels ("Brightness Contrast", "Add decoration") get a smaller face
  // until they fit inside the rounded ends.
  int pixels = 11;
  QFont font = SkinFont(QStringLiteral("Tahoma"), pixels, 400);
  while (pixels > 8 && QFontMetrics(font).horizontalAdvance(text) > r.width() - 8)
    font = SkinFont(QStringLiteral("Tahoma"), --pixels, 400);
  b->setFont(font);
  b->SetTextColour(RGB(0x31, 0x42, 0x61));
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

}  // namespace editorview

void ProgressStrip::SetPercent(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent == percent_) return;
  percent_ = percent;
  update();
}

void ProgressStrip::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), SkinArt::kLine);
  p.fillRect(QRect(0, 0, width() * percent_ / 100, height()), SkinArt::kAccent);
}
