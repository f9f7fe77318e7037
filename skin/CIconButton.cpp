#include "skin/CIconButton.h"

#include <QDesktopServices>
#include <algorithm>
#include <QEnterEvent>
#include <QPainter>
#include <QUrl>

#include "skin/CSkinMenu.h"
#include "skin/SkinEvent.h"
#include "skin/SkinPaint.h"
#include "skin/SkinResources.h"
#include "skin/SkinTypes.h"

CIconButton::CIconButton(QWidget* parent) : QAbstractButton(parent) {
  const COLORREF face = RefFromQColor(SysColour::Face());
  const COLORREF text = RefFromQColor(SysColour::Text());
  const COLORREF defaults[6] = {face, text, face, RGB(0x50, 0x50, 0x50), face, text};
  std::copy(std::begin(defaults), std::end(defaults), colours_);
  setFont(SkinLabelFont());
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_Hover);
  connect(this, &QAbstractButton::clicked, this, &CIconButton::OnClicked);
}

CIconButton::~CIconButton() = default;

void CIconButton::SetCheckBoxStyle(bool checkBox) {
  checkBox_ = checkBox;
  setCheckable(checkBox);
  update();
}

void CIconButton::SetDefaultStyle(bool isDefault) {
  isDefault_ = isDefault;
  update();
}

bool CIconButton::SetIcons(int hotId, int idleId) {
  QImage hot = hotId > 0 ? LoadSkinIcon(hotId) : QImage();
  QImage idle;
  if (idleId == kGreyOfHot)
    idle = GreyCopy(hot);
  else if (idleId > 0)
    idle = LoadSkinIcon(idleId);
  SetIconImages(hot, idle);
  return (hotId <= 0 || !hot.isNull()) && (idleId <= 0 || !idle.isNull());
}

void CIconButton::SetIconImages(const QImage& hot, const QImage& idle) {
  iconHot_ = hot;
  iconIdle_ = idle;
  update();
}

void CIconButton::SetBitmaps(const QImage& hot, const QImage& idle) {
  bitmapHot_ = hot;
  bitmapIdle_ = idle;
  update();
}

bool CIconButton::SetAlign(int alignment) {
  if (alignment < 0 || alignment > kOverlap) return false;
  align_ = alignment;
  update();
  return true;
}

void CIconButton::SetFlat(bool flat) {
  flat_ = flat;
  update();
}
void CIconButton::DrawBorder(bool on) {
  drawBorder_ = on;
  update();
}
void CIconButton::DrawTransparent(bool on) {
  transparent_ = on;
  update();
}
void CIconButton::DrawFlatFocus(bool on) {
  flatFocus_ = on;
  update();
}
void CIconButton::SetPressedStyle(bool downward) { pressedOffset_ = downward ? QPoint(0, 2) : QPoint(1, 1); }

bool CIconButton::SetColour(int slot, COLORREF colour) {
  if (slot < 0 || slot > kFgFocus) return false;
  colours_[slot] = colour;
  update();
  return true;
}

COLORREF CIconButton::Colour(int slot) const { return slot >= 0 && slot <= kFgFocus ? colours_[slot] : 0; }

bool CIconButton::SetCheck(bool checked) {
  if (!checkBox_) return false;
  setChecked(checked);
  update();
  return true;
}

void CIconButton::SetTooltipText(const QString& text) { setToolTip(text); }
void CIconButton::SetLink(const QString& link) { link_ = link; }
void CIconButton::SetMenu(std::shared_ptr<CSkinMenu> menu) { menu_ = std::move(menu); }

bool CIconButton::Pressed() const {
  if (checkBox_) return isDown() || isChecked();
  return isDown() || menuShowing_;
}

QImage CIconButton::CurrentIcon() const {
  const bool push = !checkBox_;
  if (Pressed() || (push && hot_)) return iconHot_;
  return iconIdle_.isNull() ? iconHot_ : iconIdle_;
}

QImage CIconButton::CurrentBitmap() const {
  const bool push = !checkBox_;
  if (Pressed() || (push && hot_)) return bitmapHot_;
  return bitmapIdle_.isNull() ? bitmapHot_ : bitmapIdle_;
}

void CIconButton::nextCheckState() {
  if (checkBox_) setChecked(!isChecked());
}

void CIconButton::enterEvent(QEnterEvent* event) {
  hot_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void CIconButton::leaveEvent(QEvent* event) {
  hot_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

QSize CIconButton::sizeHint() const {
  QSize s = iconHot_.isNull() ? QSize(16, 16) : iconHot_.size();
  return s + QSize(fontMetrics().horizontalAdvance(text()) + 16, 8);
}

void CIconButton::OnClicked() {
  if (menu_) {
    menuShowing_ = true;
    update();
    const QPoint at = mapToGlobal(QPoint(0, height()));
    QWidget* owner = window();
    menu_->Track(at, owner);
    menuShowing_ = false;
    update();
  }
  if (!link_.isEmpty()) {
    QDesktopServices::openUrl(QUrl::fromUserInput(link_));
    emit linkOpened(link_);
  }
  SendSkinEvent(this, kNotifyClicked, 0);
}

void CIconButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  const bool pressed = Pressed();
  const bool focused = hasFocus();
  const bool disabled = !isEnabled();
  QRect r = rect();

  // Face.
  if (!transparent_) {
    if (!flat_ && (focused || isDefault_)) {
      Draw3dRect(p, r, Qt::black, Qt::black);
      r.adjust(1, 1, -1, -1);
    }
    const int slot = (hot_ || pressed) ? kBkIn : focused ? kBkFocus : kBkOut;
    p.fillRect(r, QColorFromRef(colours_[slot]));
  }

  // Frame.
  if (pressed) {
    if (flat_) {
      if (drawBorder_) Draw3dRect(p, r, SysColour::Shadow(), SysColour::Highlight());
    } else {
      Draw3dRect(p, r, SysColour::Shadow(), SysColour::Shadow());
    }
  } else if (!flat_) {
    Draw3dRect(p, r, SysColour::Highlight(), SysColour::DarkShadow());
    Draw3dRect(p, r.adjusted(1, 1, -1, -1), SysColour::Light(), SysColour::Shadow());
  } else if (hot_ && drawBorder_) {
    Draw3dRect(p, r, SysColour::Highlight(), SysColour::Shadow());
  }

  // The icon, then the bitmap over it, each placed by the alignment.
  const QString caption = text();
  const QPoint shift = pressed ? pressedOffset_ : QPoint(0, 0);
  QRect textRect = r.adjusted(2, 2, -2, -2);
  auto place = [&](const QImage& picture) {
    if (picture.isNull()) return;
    const QSize is = picture.size();
    QPoint at;
    if (caption.isEmpty() || align_ == kOverlap) {
      at = QPoint(r.left() + (r.width() - is.width()) / 2, r.top() + (r.height() - is.height()) / 2);
    } else if (align_ == kAbove) {
      at = QPoint(r.left() + (r.width() - is.width()) / 2, r.top() + 3);
      textRect.setTop(std::max(textRect.top(), at.y() + is.height() + 1));
    } else if (align_ == kBesideRight) {
      at = QPoint(r.right() - 3 - is.width() + 1, r.top() + (r.height() - is.height()) / 2);
      textRect.setRight(std::min(textRect.right(), at.x() - 2));
    } else {
      at = QPoint(r.left() + 3, r.top() + (r.height() - is.height()) / 2);
      textRect.setLeft(std::max(textRect.left(), at.x() + is.width() + 2));
    }
    p.drawImage(at + shift, disabled ? DisabledCopy(picture) : picture);
  };
  place(CurrentIcon());
  place(CurrentBitmap());

  // Caption.
  if (!caption.isEmpty()) {
    p.setFont(SkinLabelFont());
    int flags = Qt::TextWordWrap;
    if (checkBox_) {
      flags |= Qt::AlignLeft | Qt::AlignVCenter;
      textRect.adjust(4, 2, -4, -2);
    } else {
      flags |= Qt::AlignCenter;
      // Measured, centred, then one pixel up and left.
      QRect measured = p.fontMetrics().boundingRect(textRect, flags, caption);
      measured.moveCenter(textRect.center());
      textRect = measured.translated(-1, -1);
      if (pressed) textRect.translate(pressedOffset_);
    }
    if (disabled) {
      DrawEmbossedText(p, textRect, flags, caption);
    } else {
      const int slot = (hot_ || pressed) ? kFgIn : focused ? kFgFocus : kFgOut;
      p.setPen(QColorFromRef(colours_[slot]));
      p.drawText(textRect, flags, caption);
    }
  }

  if (focused && (!flat_ || flatFocus_)) DrawFocusRect(p, rect().adjusted(3, 3, -3, -3));
}
