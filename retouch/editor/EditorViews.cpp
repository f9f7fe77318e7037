#include "retouch/editor/EditorViews.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <vector>

#include "image/core/GbImage.h"
#include "skin/GbSkinButton.h"
#include "skin/SkinArt.h"
#include "skin/SkinDialog.h"

namespace editorview {

QImage ImageOfBitmap(HBITMAP bitmap) {
  if (!bitmap) return {};
  BITMAP bm{};
  if (!GetObject(bitmap, sizeof(bm), &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return {};
  QImage out(int(bm.bmWidth), int(bm.bmHeight), QImage::Format_RGB32);
  if (out.isNull()) return {};
  // Asking for a top-down 32-bit DIB gives QImage's row order and layout.
  BITMAPINFOHEADER info{};
  info.biSize = 40;
  info.biWidth = bm.bmWidth;
  info.biHeight = -bm.bmHeight;
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  std::vector<uint8_t> pixels(size_t(bm.bmWidth) * size_t(bm.bmHeight) * 4);
  if (GetDIBits(nullptr, bitmap, 0, UINT(bm.bmHeight), pixels.data(), &info, DIB_RGB_COLORS) != int(bm.bmHeight))
    return {};
  const size_t rowBytes = size_t(bm.bmWidth) * 4;
  for (int y = 0; y < out.height(); ++y) {
    uchar* row = out.scanLine(y);
    std::memcpy(row, pixels.data() + size_t(y) * rowBytes, rowBytes);
    for (size_t x = 3; x < rowBytes; x += 4) row[x] = 0xFF;
  }
  return out;
}

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
