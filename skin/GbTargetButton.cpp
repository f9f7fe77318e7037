#include "skin/GbTargetButton.h"

#include <QPainter>
#include <QPixmap>

#include "skin/SkinArt.h"
#include "skin/SkinEvent.h"
#include "skin/SkinPaint.h"
#include "skin/SkinResources.h"
#include "skin/SkinTypes.h"

GbTargetButton::GbTargetButton(QWidget* parent)
    : QAbstractButton(parent),
      highlight_(RefFromQColor(SkinArt::kAccent)),
      background_(RefFromQColor(SysColour::Face())) {
  setFont(SkinFont(QStringLiteral("Tahoma"), 12, 400));  // the standard GUI font
  setFocusPolicy(Qt::StrongFocus);
  connect(this, &QAbstractButton::clicked, this, [this] { SendSkinEvent(this, kNotifyClicked, 0); });
}

bool GbTargetButton::SetIcon(int normalId, int align, int pressedId, int hotId) {
  QImage normal = normalId > 0 ? LoadSkinIcon(normalId) : QImage();
  QImage pressed = pressedId > 0 ? LoadSkinIcon(pressedId) : QImage();
  QImage hot = hotId > 0 ? LoadSkinIcon(hotId) : QImage();
  SetIconImages(normal, align, pressed, hot);
  return !normal.isNull() || normalId <= 0;
}

void GbTargetButton::SetIconImages(const QImage& normal, int align, const QImage& pressed, const QImage& hot) {
  normal_ = normal;
  pressed_ = pressed.isNull() ? normal : pressed;
  hot_icon_ = hot.isNull() ? normal : hot;
  align_ = (align == kIconRight || align == kIconAbove) ? align : kIconLeft;
  update();
}

void GbTargetButton::SetColours(COLORREF highlight, COLORREF background) {
  highlight_ = highlight;
  background_ = background;
  update();
}

void GbTargetButton::SetMargin(int margin) {
  margin_ = std::max(0, margin);
  update();
}

void GbTargetButton::enterEvent(QEnterEvent* event) {
  hot_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void GbTargetButton::leaveEvent(QEvent* event) {
  hot_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

void GbTargetButton::paintEvent(QPaintEvent*) {
  // Composed off-screen and copied in one block.
  QPixmap buffer(size() * devicePixelRatio());
  buffer.setDevicePixelRatio(devicePixelRatio());
  QPainter p(&buffer);
  p.setRenderHint(QPainter::Antialiasing);
  p.setFont(font());
  const QRect r = rect();
  const bool disabled = !isEnabled();
  const bool pressed = isDown();
  QImage icon = normal_;
  QPoint shift(0, 0);

  if (disabled) {
    p.fillRect(r, SysColour::Face());
    icon = DisabledCopy(normal_);
  } else if (pressed) {
    p.fillRect(r, QColorFromRef(background_).darker(106));
    icon = pressed_;
    shift = QPoint(1, 1);
  } else if (hot_) {
    QColor tint = QColorFromRef(highlight_);
    tint.setAlpha(28);
    p.fillRect(r, QColorFromRef(background_));
    p.setBrush(tint);
    p.setPen(QPen(QColorFromRef(highlight_), 1));
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    icon = hot_icon_;
  } else {
    p.fillRect(r, QColorFromRef(background_));
  }
  if (pressed && !disabled) DrawEdge(p, r, true);

  QRect textRect = r.adjusted(margin_, 0, -margin_, 0);
  if (!icon.isNull()) {
    QPoint at;
    if (align_ == kIconAbove) {
      at = QPoint((r.width() - icon.width()) / 2, margin_);
      textRect.setTop(at.y() + icon.height() + 2);
    } else if (align_ == kIconRight) {
      at = QPoint(r.right() - margin_ - icon.width() + 1, (r.height() - icon.height()) / 2);
      textRect.setRight(at.x() - 3);
    } else {
      at = QPoint(margin_, (r.height() - icon.height()) / 2);
      textRect.setLeft(at.x() + icon.width() + 3);
    }
    p.drawImage(at + shift, icon);
  }
  const int flags = Qt::AlignCenter | Qt::TextSingleLine;
  if (disabled) {
    DrawEmbossedText(p, textRect, flags, text());
  } else {
    p.setPen(SysColour::Text());
    p.drawText(textRect.translated(shift), flags, text());
  }
  if (hasFocus()) DrawFocusRect(p, r.adjusted(2, 2, -2, -2));
  p.end();
  QPainter screen(this);
  screen.drawPixmap(0, 0, buffer);
}
