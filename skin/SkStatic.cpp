#include "skin/SkStatic.h"

#include <QPainter>
#include <QPainterPath>

#include "skin/RegionFromBitmap.h"
#include "skin/SkinArt.h"
#include "skin/SkinPaint.h"
#include "skin/SkinResources.h"
#include "skin/SkinTypes.h"

SkStatic::SkStatic(QWidget* parent)
    : QWidget(parent),
      normal_(RefFromQColor(SkinArt::kText)),
      bold_(RGB(0x50, 0x50, 0x50)),
      shadow_(RGB(0x3C, 0x3C, 0x3C)),
      disabled_(RefFromQColor(SysColour::Highlight())),
      fill_(RGB(0xFF, 0xFF, 0xFF)),
      frameLight_(RGB(0xCF, 0xD7, 0xE3)),
      frameDark_(RGB(0x9C, 0xAD, 0xC6)) {
  // Mouse presses pass through to the window, as for a plain label.
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

bool SkStatic::SetText(const QString& text) {
  QByteArray bytes = text.toUtf8();
  bool fits = true;
  if (size_t(bytes.size()) >= kBufferSize) {
    fits = false;
    qsizetype cut = kBufferSize - 1;
    while (cut > 0 && (uchar(bytes[cut]) & 0xC0) == 0x80) --cut;  // keep whole characters
    bytes.truncate(cut);
  }
  text_ = QString::fromUtf8(bytes);
  lines_.clear();
  for (const QString& line : text_.split(QLatin1Char('\n'))) lines_.push_back(line);
  Changed();
  return fits;
}

void SkStatic::SetAlignment(Qt::Alignment align) {
  align_ = align & Qt::AlignHorizontal_Mask;
  Changed();
}

void SkStatic::SetBackground(int style, const QImage& tile) {
  background_ = std::clamp(style, 0, 2);
  tile_ = tile;
  setAttribute(Qt::WA_TransparentForMouseEvents);
  Changed();
}

void SkStatic::SetFontChoice(int choice) {
  fontChoice_ = std::clamp(choice, 0, 3);
  Changed();
}

void SkStatic::SetColours(COLORREF normal, COLORREF bold, COLORREF shadow) {
  normal_ = normal;
  bold_ = bold;
  shadow_ = shadow;
  Changed();
}

void SkStatic::SetDisabledColour(COLORREF colour) {
  disabled_ = colour;
  Changed();
}

void SkStatic::SetFrameColours(COLORREF fill, COLORREF frameLight, COLORREF frameDark) {
  fill_ = fill;
  frameLight_ = frameLight;
  frameDark_ = frameDark;
  Changed();
}

void SkStatic::Changed() {
  // Without a background of its own, the parent's skin under the label (and
  // a little around it) is painted again, so old text does not linger.
  if (background_ == kNoBackground && parentWidget()) parentWidget()->update(geometry().adjusted(-3, -3, 3, 3));
  update();
}

QFont SkStatic::DrawFont() const {
  switch (fontChoice_) {
    case kTitleFont: return SkinTitleFont();
    case kSerifFont: return SkinSerifFont();
    case kOwnFont: return font();
    default: return SkinLabelFont();
  }
}

std::vector<QRect> SkStatic::LineRects() const {
  std::vector<QRect> out;
  const QFontMetrics fm(DrawFont());
  int y = 0;
  for (const QString& line : lines_) {
    const int w = fm.horizontalAdvance(line);
    const int h = fm.height();
    int x = 2;
    if (align_ & Qt::AlignHCenter)
      x = (width() - w) / 2;
    else if (align_ & Qt::AlignRight)
      x = width() - w - 2;
    out.emplace_back(x, y, w, h);
    y += h + 1;
  }
  return out;
}

void SkStatic::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  if (background_ == kFilled) {
    p.fillRect(rect(), QColorFromRef(fill_));
    Draw3dRect(p, rect(), QColorFromRef(frameLight_), QColorFromRef(frameDark_));
  } else if (background_ == kTiled) {
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.save();
    p.setClipPath(shape);
    if (tile_.isNull())
      p.fillRect(rect(), QColorFromRef(fill_));
    else
      p.drawTiledPixmap(rect(), QPixmap::fromImage(tile_));
    p.restore();
    p.setPen(QColorFromRef(frameDark_));
    p.drawPath(shape);
  }
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setFont(DrawFont());
  p.setClipRect(rect());
  const auto rects = LineRects();
  const bool boldColour = fontChoice_ == kDefaultFont;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const QRect& r = rects[i];
    const int base = r.top() + p.fontMetrics().ascent();
    if (!isEnabled()) {
      p.setPen(QColorFromRef(disabled_));
      p.drawText(r.left() + 1, base + 1, lines_[i]);
    }
    if (fontChoice_ == kTitleFont) {
      p.setPen(QColorFromRef(shadow_));
      p.drawText(r.left() + 1, base + 1, lines_[i]);
    }
    p.setPen(QColorFromRef(boldColour ? bold_ : normal_));
    p.drawText(r.left(), base, lines_[i]);
  }
}

SkIcon::SkIcon(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

void SkIcon::SetIcon(const QImage& icon) {
  icon_ = icon.width() > 32 || icon.height() > 32 ? icon.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                                  : icon;
  update();
}

bool SkIcon::SetIconId(int id) {
  QImage icon = LoadSkinIcon(id);
  SetIcon(icon);
  return !icon.isNull();
}

void SkIcon::paintEvent(QPaintEvent*) {
  if (icon_.isNull()) return;
  QPainter p(this);
  p.drawImage(0, 0, icon_);
}

CTransparentPic::CTransparentPic(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

void CTransparentPic::SetBitmap(const QImage& bitmap) {
  bitmap_ = bitmap;
  Rebuild();
}

void CTransparentPic::SetKeyColour(COLORREF key) {
  key_ = key;
  Rebuild();
}

void CTransparentPic::Rebuild() {
  keyed_ = bitmap_.isNull() ? QImage() : CursorImageFromBitmap(bitmap_, key_);
  update();
}

void CTransparentPic::paintEvent(QPaintEvent*) {
  if (keyed_.isNull()) return;
  QPainter p(this);
  p.drawImage(0, 0, keyed_);
}
