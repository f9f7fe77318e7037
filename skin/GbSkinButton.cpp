#include "skin/GbSkinButton.h"

#include <QPainter>
#include <QResizeEvent>
#include <vector>

#include "skin/SkinEvent.h"
#include "skin/SkinPaint.h"
#include "skin/SkinResources.h"
#include "skin/SkinTypes.h"

namespace {
enum Face { kNormal = 0, kPressed = 1, kHover = 2, kDisabled = 3, kFocus = 4 };
}

GbSkinButton::GbSkinButton(QWidget* parent) : QAbstractButton(parent), textColour_(RefFromQColor(SysColour::Text())) {
  setFont(SkinLabelFont());
  setFocusPolicy(Qt::StrongFocus);
  connect(this, &QAbstractButton::clicked, this, [this] { SendSkinEvent(this, kNotifyClicked, 0); });
}

GbSkinButton::~GbSkinButton() = default;

void GbSkinButton::SetKind(int kind) {
  kind_ = (kind == kCheckBox || kind == kRadio) ? kind : kPush;
  setCheckable(kind_ != kPush);
  if (kind_ == kPush) setChecked(false);
  update();
}

void GbSkinButton::SetChecked(bool checked) {
  if (kind_ == kPush) return;  // a push button never stays checked
  setChecked(checked);
}

bool GbSkinButton::SetSkin(int normal, int pressed, int hover, int disabled, int focus, int mask, int drawMode,
                           bool border, int margin) {
  bool ok = true;
  auto load = [&ok](int id) {
    if (id == 0) return QImage();
    QImage img = LoadSkinBitmap(id);
    if (img.isNull()) ok = false;
    return img;
  };
  SetSkinImages(load(normal), load(pressed), load(hover), load(disabled), load(focus), load(mask), drawMode, border,
                margin);
  return ok;
}

void GbSkinButton::SetSkinImages(const QImage& normal, const QImage& pressed, const QImage& hover,
                                 const QImage& disabled, const QImage& focus, const QImage& mask, int drawMode,
                                 bool border, int margin) {
  faces_[kNormal] = normal;
  faces_[kPressed] = pressed;
  faces_[kHover] = hover;
  faces_[kDisabled] = disabled.isNull() ? normal : disabled;
  faces_[kFocus] = focus;
  drawMode_ = std::clamp(drawMode, 0, 2);
  border_ = border;
  margin_ = margin;
  mask_ = mask;
  if (!mask_.isNull()) {
    region_ = RegionFromMask(mask_);
    if (drawMode_ == kNatural) setFixedSize(mask_.size());
    setMask(region_);
  } else {
    region_ = QRegion();
    clearMask();
  }
  update();
}

void GbSkinButton::SetTextColour(COLORREF colour) {
  textColour_ = colour;
  update();
}

QRegion GbSkinButton::RegionFromMask(const QImage& mask) {
  const QImage img = mask.convertToFormat(QImage::Format_RGB32);
  QRegion region;
  std::vector<QRect> rects;
  for (int y = 0; y < img.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    int x = 0;
    while (x < img.width()) {
      while (x < img.width() && (row[x] & 0xFFFFFF) == 0xFFFFFF) ++x;
      const int start = x;
      while (x < img.width() && (row[x] & 0xFFFFFF) != 0xFFFFFF) ++x;
      if (x > start) rects.emplace_back(start, y, x - start, 1);
    }
  }
  if (!rects.empty()) region.setRects(rects.data(), int(rects.size()));
  return region;
}

void GbSkinButton::resizeEvent(QResizeEvent* event) {
  QAbstractButton::resizeEvent(event);
  if (!region_.isEmpty()) setMask(region_);
}

bool GbSkinButton::hitButton(const QPoint& pos) const {
  return region_.isEmpty() ? rect().contains(pos) : region_.contains(pos);
}

void GbSkinButton::enterEvent(QEnterEvent* event) {
  hot_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void GbSkinButton::leaveEvent(QEvent* event) {
  hot_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

void GbSkinButton::nextCheckState() {
  if (kind_ == kCheckBox)
    setChecked(!isChecked());
  else if (kind_ == kRadio)
    setChecked(true);
}

void GbSkinButton::checkStateSet() {
  if (kind_ == kRadio && isChecked()) UncheckGroup();
  update();
}

void GbSkinButton::UncheckGroup() {
  QWidget* top = window();
  std::vector<GbSkinButton*> members;
  if (group_ >= 0) {
    for (GbSkinButton* other : top->findChildren<GbSkinButton*>())
      if (other->group_ == group_ && other->window() == top) members.push_back(other);
  } else if (QWidget* parent = parentWidget()) {
    // Without a group of its own, a radio button belongs with the other
    // ungrouped radio buttons placed on the same dialog.
    for (GbSkinButton* other : parent->findChildren<GbSkinButton*>(Qt::FindDirectChildrenOnly))
      if (other->group_ < 0 && other->kind_ == kRadio) members.push_back(other);
  }
  for (GbSkinButton* other : members) {
    if (other != this && other->isChecked()) {
      other->setChecked(false);
      other->update();
    }
  }
}

int GbSkinButton::CurrentFace() const {
  if (!isEnabled()) return kDisabled;
  if (isDown() || isChecked()) return kPressed;
  if (hot_ && !faces_[kHover].isNull()) return kHover;
  if (hasFocus() && !faces_[kFocus].isNull()) return kFocus;
  return kNormal;
}

void GbSkinButton::DrawFace(QPainter& p, const QImage& face) {
  if (face.isNull()) {
    p.fillRect(rect(), SysColour::Face());
    return;
  }
  switch (drawMode_) {
    case kStretch: p.drawImage(rect(), face); break;
    case kTile:
      for (int y = 0; y < height(); y += face.height())
        for (int x = 0; x < width(); x += face.width()) p.drawImage(x, y, face);
      break;
    default: p.drawImage(0, 0, face); break;
  }
}

void GbSkinButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!region_.isEmpty()) p.setClipRegion(region_);
  const int face = CurrentFace();
  const QString caption = text();
  QRect textRect = rect().adjusted(margin_ + 2, 0, -(margin_ + 2), 0);
  const int flags = Qt::AlignCenter | Qt::TextSingleLine;
  p.setFont(font());

  if (face == kDisabled) {
    DrawFace(p, faces_[kDisabled]);
    DrawEmbossedText(p, textRect, flags, caption);
    return;
  }
  if (face == kPressed) {
    DrawFace(p, faces_[kPressed].isNull() ? faces_[kNormal] : faces_[kPressed]);
    if (border_) DrawEdge(p, rect(), true);
    textRect.translate(1, 1);
  } else {
    DrawFace(p, faces_[face]);
    if (border_) DrawEdge(p, rect(), false);
  }
  if (hasFocus() && margin_ > 0) DrawFocusRect(p, rect().adjusted(margin_, margin_, -margin_, -margin_));
  p.setPen(QColorFromRef(textColour_));
  p.drawText(textRect, flags, caption);
}
