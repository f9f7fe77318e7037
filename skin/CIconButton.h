// A button that draws an icon, a masked bitmap over it, and a caption over a flat
// or transparent face, with hover tracking. Clicking reports kNotifyClicked to
// the dialog; in check-box mode it toggles, with a link it opens the link,
// with a menu it shows the menu and sends the chosen command.
#pragma once
#include <QAbstractButton>
#include <QImage>
#include <memory>

#include "platform/WinTypes.h"

class CSkinMenu;

class CIconButton : public QAbstractButton {
  Q_OBJECT

 public:
  enum Alignment { kBeside = 0, kAbove = 1, kBesideRight = 2, kOverlap = 3 };
  // Colour slots: background and text while hot or pressed, idle, focused.
  enum ColourSlot { kBkIn = 0, kFgIn = 1, kBkOut = 2, kFgOut = 3, kBkFocus = 4, kFgFocus = 5 };
  static constexpr int kGreyOfHot = -2;

  explicit CIconButton(QWidget* parent = nullptr);
  ~CIconButton() override;

  // The style bits that decide the kind when the button is taken over.
  void SetCheckBoxStyle(bool checkBox);
  void SetDefaultStyle(bool isDefault);

  // Icons by resource id: hot, idle (0 none, kGreyOfHot a grey copy of hot).
  bool SetIcons(int hotId, int idleId);
  void SetIconImages(const QImage& hot, const QImage& idle);
  // Bitmaps drawn through their own transparency, like the icons.
  void SetBitmaps(const QImage& hot, const QImage& idle);
  bool SetAlign(int alignment);  // 0..3; larger values are refused
  void SetFlat(bool flat);
  void DrawBorder(bool on);
  void DrawTransparent(bool on);
  void DrawFlatFocus(bool on);
  void SetPressedStyle(bool downward);        // offset (0, 2) instead of (1, 1)
  bool SetColour(int slot, COLORREF colour);  // slot 0..5; others refused
  COLORREF Colour(int slot) const;
  bool SetCheck(bool checked);  // check-box mode only
  bool GetCheck() const { return checkBox_ && isChecked(); }
  void SetTooltipText(const QString& text);
  void SetLink(const QString& link);
  void SetMenu(std::shared_ptr<CSkinMenu> menu);

  bool IsHot() const { return hot_; }
  // Shows the hover look (the mouse normally sets it; galleries and tests force it).
  void SetHot(bool hot) {
    hot_ = hot;
    update();
  }
  bool IsCheckBox() const { return checkBox_; }
  int Align() const { return align_; }
  // What the button shows now (hot icon while pressed or hot, ...).
  QImage CurrentIcon() const;
  // The bitmap drawn over the icon, chosen the same way.
  QImage CurrentBitmap() const;
  const QImage& HotIcon() const { return iconHot_; }
  const QImage& IdleIcon() const { return iconIdle_; }

 signals:
  void linkOpened(QString link);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void nextCheckState() override;
  QSize sizeHint() const override;

 private:
  bool Pressed() const;
  void OnClicked();

  bool flat_ = true;
  bool drawBorder_ = true;
  bool transparent_ = false;
  bool flatFocus_ = false;
  bool isDefault_ = false;
  bool checkBox_ = false;
  bool hot_ = false;
  bool menuShowing_ = false;
  int align_ = kBeside;
  QPoint pressedOffset_{1, 1};
  COLORREF colours_[6];
  QImage iconHot_, iconIdle_;
  QImage bitmapHot_, bitmapIdle_;
  QString link_;
  std::shared_ptr<CSkinMenu> menu_;
};
