// The main window's picture controls and the conversions they need: a
// bitmap handle or an engine image as a QImage, a plain picture control,
// and the sheet's slot windows.
#pragma once
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "compose/model/SheetModel.h"
#include "platform/gdi/text/QtBitmaps.h"

// The file patterns of every picture type the engine reads, for file dialogs.
constexpr const char* kPicturePatterns =
    "*.bmp;*.dib;*.jpg;*.jpeg;*.jpe;*.png;*.gif;*.tif;*.tiff;*.tga;*.pcx;*.ico;*.cur;*.wbmp;*.wmf;*.emf;"
    "*.jp2;*.j2k;*.j2c;*.jpc;*.pgx;*.pnm;*.ppm;*.pgm;*.pbm;*.ras;*.mng;*.jng;*.ska";

inline QImage QImageOfBitmap(const SharedBitmap& bitmap) { return QImageOfBitmap(bitmap.get()); }
QImage QImageOfGbImage(const GbImage& image);

// A picture control: draws its picture at its own size from the top-left
// corner, clipped to the control and, when set, to a clip rectangle in the
// parent's coordinates (the photo may be moved past the sticker area).
class PictureControl : public QWidget {
  Q_OBJECT

 public:
  explicit PictureControl(QWidget* parent = nullptr);
  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }
  void SetClip(const QRect& parentRect);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ApplyClip();
  QImage picture_;
  QRect clip_;
};

// A slot window of the sheet panel. It shows nothing until given a picture,
// so the panel's layout picture shows through. Mouse input goes to the
// owner through the handlers.
class SlotPicture : public QWidget {
  Q_OBJECT

 public:
  explicit SlotPicture(QWidget* parent = nullptr);
  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }

  std::function<void(SlotPicture*, QMouseEvent*)> onPress;
  std::function<void(SlotPicture*, QMouseEvent*)> onRelease;
  std::function<void(SlotPicture*, QMouseEvent*)> onDoubleClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QImage picture_;
};

// The model's view of a slot window. Dropping it takes the widget away
// (later, since the widget may be in the middle of its own mouse handling).
class SlotPictureWindow : public SlotWindow {
 public:
  explicit SlotPictureWindow(SlotPicture* widget) : widget_(widget) {}
  ~SlotPictureWindow() override;
  void MoveTo(const RECT& rect) override;
  void ShowBitmap(const SharedBitmap& bitmap) override;
  void Repaint() override;
  SlotPicture* Widget() const { return widget_; }

 private:
  QPointer<SlotPicture> widget_;
};
