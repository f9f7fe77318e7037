// Small pieces the editor windows share: bitmaps shown as QImages, the text
// buttons of the editors, and the thin progress strip under the picture.
#pragma once
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

#include "platform/gdi/Gdi.h"

class GbImage;
class GbSkinButton;
class SkinDialog;

namespace editorview {

// The bitmap's pixels top row first, opaque; null for no bitmap.
QImage ImageOfBitmap(HBITMAP bitmap);
QImage ImageOfGbImage(const GbImage& image);
// A push (or check) button on the kit's rounded face, with its label.
GbSkinButton* AddTextButton(SkinDialog* dialog, int id, const QRect& rect, const QString& text);

}  // namespace editorview

// Follows a percentage (0..100) as a filled bar.
class ProgressStrip : public QWidget {
  Q_OBJECT

 public:
  explicit ProgressStrip(QWidget* parent = nullptr) : QWidget(parent) {}
  void SetPercent(int percent);
  int Percent() const { return percent_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int percent_ = 0;
};
