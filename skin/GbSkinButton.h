// A button drawn from whole-face bitmaps (normal, pressed, hover, disabled,
// focus) that may cut its outline from a mask bitmap. Push, check-box and
// radio kinds; checking a radio button unchecks the other buttons of its
// group (see SetGroup).
#pragma once
#include <QAbstractButton>
#include <QImage>
#include <QRegion>

#include "platform/WinTypes.h"

class GbSkinButton : public QAbstractButton {
  Q_OBJECT

 public:
  enum Kind { kPush = 0, kCheckBox = 2, kRadio = 4 };
  enum DrawMode { kNatural = 0, kStretch = 1, kTile = 2 };

  explicit GbSkinButton(QWidget* parent = nullptr);
  ~GbSkinButton() override;

  // The kind the button's style gives it (push, check box, radio).
  void SetKind(int kind);
  int GetKind() const { return kind_; }
  // Radio buttons uncheck the others of the same group in their window. With
  // no group (-1), the ungrouped radio buttons of one parent form the group.
  void SetGroup(int group) { group_ = group; }
  int Group() const { return group_; }

  // Faces by resource id (0 leaves a face empty; an empty disabled face
  // becomes the normal one). With a mask the outline is cut from it and, in
  // draw mode 0, the button takes the mask's size. Returns false when a
  // named bitmap could not be loaded.
  bool SetSkin(int normal, int pressed, int hover, int disabled, int focus, int mask, int drawMode = kNatural,
               bool border = false, int margin = 0);
  // The same from pictures (the thumbnail slots use it).
  void SetSkinImages(const QImage& normal, const QImage& pressed, const QImage& hover, const QImage& disabled,
                     const QImage& focus, const QImage& mask, int drawMode = kNatural, bool border = false,
                     int margin = 0);
  void SetTooltipText(const QString& text) { setToolTip(text); }
  void SetTextColour(COLORREF colour);

  bool IsChecked() const { return isChecked(); }
  void SetChecked(bool checked);
  bool IsHot() const { return hot_; }
  // Shows the hover look (the mouse normally sets it; galleries and tests force it).
  void SetHot(bool hot) {
    hot_ = hot;
    update();
  }
  int GetDrawMode() const { return drawMode_; }
  const QRegion& Region() const { return region_; }
  // Which face it shows now: 0 normal, 1 pressed, 2 hover, 3 disabled, 4 focus.
  int CurrentFace() const;

  // Outline of a mask bitmap: every run of non-white pixels, one row high.
  static QRegion RegionFromMask(const QImage& mask);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void nextCheckState() override;
  void checkStateSet() override;
  bool hitButton(const QPoint& pos) const override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void UncheckGroup();
  void DrawFace(QPainter& p, const QImage& face);

  int kind_ = kPush;
  int group_ = -1;
  int drawMode_ = kNatural;
  bool border_ = false;
  int margin_ = 0;
  bool hot_ = false;
  COLORREF textColour_;
  QImage faces_[5];
  QImage mask_;
  QRegion region_;
};
