#include "compose/window/MainWindowArt.h"

#include <QPainter>
#include <QPainterPath>

#include "compose/model/Composition.h"
#include "compose/model/SheetLayouts.h"
#include "skin/SkinArt.h"

namespace MainArt {
namespace {

QImage Blank(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

QFont CaptionFont(int px) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(px);
  f.setBold(true);
  return f;
}

QPen Stroke(const QColor& c, qreal w) { return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

// A small picture frame: rounded border with an oval window.
void FrameShape(QPainter& p, const QRectF& r, const QColor& ink) {
  p.setPen(Stroke(ink, 2));
  p.setBrush(QColor(0xFF, 0xE3, 0xEE));
  p.drawRoundedRect(r, 3, 3);
  p.setBrush(Qt::white);
  p.drawEllipse(r.adjusted(r.width() * 0.22, r.height() * 0.18, -r.width() * 0.22, -r.height() * 0.18));
}

// A photo: sky, sun and hills.
void PhotoShape(QPainter& p, const QRectF& r, const QColor& ink) {
  p.setPen(Stroke(ink, 2));
  p.setBrush(QColor(0xDD, 0xEE, 0xFF));
  p.drawRoundedRect(r, 2, 2);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xF6, 0xC3, 0x4B));
  p.drawEllipse(QPointF(r.left() + r.width() * 0.72, r.top() + r.height() * 0.32), r.height() * 0.14,
                r.height() * 0.14);
  QPainterPath hills;
  hills.moveTo(r.left() + 1, r.bottom() - 1);
  hills.lineTo(r.left() + r.width() * 0.35, r.top() + r.height() * 0.45);
  hills.lineTo(r.left() + r.width() * 0.6, r.bottom() - r.height() * 0.3);
  hills.lineTo(r.left() + r.width() * 0.75, r.top() + r.height() * 0.6);
  hills.lineTo(r.right() - 1, r.bottom() - 1);
  hills.closeSubpath();
  p.setBrush(QColor(0x5C, 0xA8, 0x6A));
  p.drawPath(hills);
}

void PlusBadge(QPainter& p, QPointF c, qreal radius) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x3B, 0xB2, 0x73));
  p.drawEllipse(c, radius, radius);
  p.setPen(Stroke(Qt::white, 2));
  p.drawLine(QPointF(c.x() - radius * 0.5, c.y()), QPointF(c.x() + radius * 0.5, c.y()));
  p.drawLine(QPointF(c.x(), c.y() - radius * 0.5), QPointF(c.x(), c.y() + radius * 0.5));
}

void Arrow(QPainter& p, const QRectF& r, bool left, const QColor& ink) {
  const qreal dir = left ? -1 : 1;
  const QPointF c = r.center();
  const qreal s = r.height() * 0.32;
  QPainterPath a;
  a.moveTo(c.x() + dir * s, c.y());
  a.lineTo(c.x() - dir * s * 0.6, c.y() - s);
  a.lineTo(c.x() - dir * s * 0.6, c.y() + s);
  a.closeSubpath();
  p.setPen(Stroke(ink, 2));
  p.setBrush(ink);
  p.drawPath(a);
}

void Folder(QPainter& p, const QRectF& r, const QColor& ink) {
  QPainterPath f;
  f.moveTo(r.left(), r.top() + r.height() * 0.2);
  f.lineTo(r.left() + r.width() * 0.38, r.top() + r.height() * 0.2);
  f.lineTo(r.left() + r.width() * 0.48, r.top() + r.height() * 0.32);
  f.lineTo(r.right(), r.top() + r.height() * 0.32);
  f.lineTo(r.right(), r.bottom());
  f.lineTo(r.left(), r.bottom());
  f.closeSubpath();
  p.setPen(Stroke(ink, 2));
  p.setBrush(QColor(0xF8, 0xD7, 0x7A));
  p.drawPath(f);
}

void DrawGlyph(QPainter& p, Glyph g, const QRectF& r, const QColor& ink) {
  const QPointF c = r.center();
  const qreal h = r.height();
  const QRectF box(c.x() - h * 0.62, c.y() - h * 0.45, h * 1.24, h * 0.9);
  switch (g) {
    case Glyph::SelectFrame: FrameShape(p, box, ink); break;
    case Glyph::AddFrame:
      FrameShape(p, box, ink);
      PlusBadge(p, box.bottomRight() - QPointF(1, 2), h * 0.22);
      break;
    case Glyph::FrameOption:
      PhotoShape(p, box.adjusted(4, 3, -4, -3), ink);
      p.setPen(Stroke(QColor(0xD9, 0x4C, 0x8C), 3));
      p.setBrush(Qt::NoBrush);
      p.drawRoundedRect(box, 3, 3);
      break;
    case Glyph::SelectPhoto: PhotoShape(p, box, ink); break;
    case Glyph::AddPhoto:
      PhotoShape(p, box, ink);
      PlusBadge(p, box.bottomRight() - QPointF(1, 2), h * 0.22);
      break;
    case Glyph::Print: {
      p.setPen(Stroke(ink, 2));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(box.left() + box.width() * 0.22, box.top() - 1, box.width() * 0.56, box.height() * 0.45));
      p.setBrush(QColor(0xB9, 0xC8, 0xDC));
      p.drawRoundedRect(QRectF(box.left(), box.top() + box.height() * 0.3, box.width(), box.height() * 0.45), 3, 3);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(box.left() + box.width() * 0.22, box.top() + box.height() * 0.6, box.width() * 0.56,
                        box.height() * 0.42));
      break;
    }
    case Glyph::Webcam: {
      p.setPen(Stroke(ink, 2));
      p.setBrush(QColor(0xE9, 0xEE, 0xF6));
      const qreal rad = h * 0.36;
      p.drawEllipse(QPointF(c.x(), c.y() - h * 0.05), rad, rad);
      p.setBrush(QColor(0x2E, 0x3C, 0x57));
      p.drawEllipse(QPointF(c.x(), c.y() - h * 0.05), rad * 0.45, rad * 0.45);
      p.drawLine(QPointF(c.x() - rad * 0.8, c.y() + h * 0.46), QPointF(c.x() + rad * 0.8, c.y() + h * 0.46));
      break;
    }
    case Glyph::Snapshot: {
      p.setPen(Stroke(ink, 2));
      p.setBrush(QColor(0xE9, 0xEE, 0xF6));
      p.drawRoundedRect(box.adjusted(0, h * 0.12, 0, 0), 4, 4);
      p.drawRect(QRectF(c.x() - h * 0.18, box.top() + 1, h * 0.36, h * 0.13));
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(c.x(), c.y() + h * 0.06), h * 0.22, h * 0.22);
      p.drawLine(QPointF(c.x(), c.y() + h * 0.06), QPointF(c.x(), c.y() - h * 0.1));
      break;
    }
    case Glyph::SavePicture:
      PhotoShape(p, box.adjusted(0, 0, -h * 0.25, 0), ink);
      p.setPen(Stroke(QColor(0x2A, 0x7F, 0xD4), 3));
      p.drawLine(QPointF(box.right() - 3, box.top() + 2), QPointF(box.right() - 3, box.bottom() - 2));
      p.drawLine(QPointF(box.right() - 8, box.bottom() - 7), QPointF(box.right() - 3, box.bottom() - 2));
      p.drawLine(QPointF(box.right() + 2, box.bottom() - 7), QPointF(box.right() - 3, box.bottom() - 2));
      break;
    case Glyph::Configure: {
      p.setPen(Stroke(ink, 2));
      for (int i = 0; i < 3; ++i) {
        const qreal y = box.top() + box.height() * (0.18 + 0.32 * i);
        p.drawLine(QPointF(box.left(), y), QPointF(box.right(), y));
        const qreal x = box.left() + box.width() * (i == 1 ? 0.68 : 0.3);
        p.setBrush(QColor(0x6F, 0xB8, 0xF0));
        p.drawEllipse(QPointF(x, y), h * 0.1, h * 0.1);
      }
      break;
    }
    case Glyph::OpenProject: Folder(p, box, ink); break;
    case Glyph::SaveProject: {
      p.setPen(Stroke(ink, 2));
      p.setBrush(QColor(0x6F, 0x8F, 0xC8));
      p.drawRoundedRect(box.adjusted(h * 0.1, 0, -h * 0.1, 0), 3, 3);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(box.left() + h * 0.3, box.top(), box.width() - h * 0.6, box.height() * 0.38));
      p.drawRect(
          QRectF(box.left() + h * 0.25, box.top() + box.height() * 0.58, box.width() - h * 0.5, box.height() * 0.42));
      break;
    }
    case Glyph::AddToSheet: {
      const QRectF sheet(c.x() - h * 0.4, c.y() - h * 0.32, h * 0.8, h * 0.62);
      p.setPen(Stroke(ink, 2));
      p.setBrush(QColor(0x2E, 0x3C, 0x57));
      p.drawRoundedRect(sheet, 3, 3);
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::white);
      const qreal cw = (sheet.width() - 9) / 2, ch = (sheet.height() - 9) / 2;
      for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(sheet.left() + 3 + (i % 2) * (cw + 3), sheet.top() + 3 + (i / 2) * (ch + 3), cw, ch));
      PlusBadge(p, QPointF(sheet.right(), sheet.bottom()), h * 0.18);
      break;
    }
    case Glyph::Previous: Arrow(p, r, true, ink); break;
    case Glyph::Next: Arrow(p, r, false, ink); break;
    case Glyph::Minimise:
      p.setPen(Stroke(ink, 2));
      p.drawLine(QPointF(r.left() + r.width() * 0.3, r.bottom() - r.height() * 0.32),
                 QPointF(r.right() - r.width() * 0.3, r.bottom() - r.height() * 0.32));
      break;
    case Glyph::Close:
      p.setPen(Stroke(ink, 2));
      p.drawLine(r.topLeft() + QPointF(r.width() * 0.32, r.height() * 0.32),
                 r.bottomRight() - QPointF(r.width() * 0.32, r.height() * 0.32));
      p.drawLine(r.topRight() + QPointF(-r.width() * 0.32, r.height() * 0.32),
                 r.bottomLeft() + QPointF(r.width() * 0.32, -r.height() * 0.32));
      break;
    case Glyph::FirstPage:
    case Glyph::LastPage: {
      const bool first = g == Glyph::FirstPage;
      Arrow(p, r.translated(first ? 3 : -3, 0), first, ink);
      const qreal x = first ? c.x() - h * 0.32 : c.x() + h * 0.32;
      p.setPen(Stroke(ink, 2));
      p.drawLine(QPointF(x, c.y() - h * 0.3), QPointF(x, c.y() + h * 0.3));
      break;
    }
    case Glyph::Search:
      p.setPen(Stroke(ink, 2));
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(c.x() - h * 0.1, c.y() - h * 0.1), h * 0.28, h * 0.28);
      p.drawLine(QPointF(c.x() + h * 0.1, c.y() + h * 0.1), QPointF(c.x() + h * 0.38, c.y() + h * 0.38));
      break;
    case Glyph::About: break;
  }
}

}  // namespace

QImage CommandFace(int w, int h, int face, Glyph glyph, const QString& caption) {
  QImage img = Blank(w, h);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r(1.5, 1.5, w - 3, h - 3);
  // The kit's face, its states numbered normal, hover, pressed, disabled.
  static const int kKitState[4] = {0, 2, 1, 3};
  SkinArt::PaintButtonFace(p, r, kKitState[face], std::min(w, h) < 30 ? 5 : 10);
  const QColor ink = face == kDisabled ? QColor(0xA8, 0xB2, 0xC0) : SkinArt::kText;
  const int shift = face == kPressed ? 1 : 0;
  QRectF glyphRect =
      caption.isEmpty() ? r.adjusted(6, 6, -6, -6) : QRectF(r.left() + 6, r.top() + 6, r.width() - 12, r.height() - 24);
  glyphRect.translate(shift, shift);
  DrawGlyph(p, glyph, glyphRect, ink);
  if (!caption.isEmpty()) {
    p.setFont(CaptionFont(11));
    p.setPen(face == kDisabled ? ink : SkinArt::kText);
    p.drawText(QRectF(r.left() + shift, r.bottom() - 18 + shift, r.width(), 15), Qt::AlignCenter, caption);
  }
  return img;
}

QImage LayoutButtonFace(int layout, int face) {
  QImage img = Blank(16, 16);
  QPainter p(&img);
  const bool on = face == kPressed;
  p.setPen(QPen(on ? SkinArt::kAccentDark : (face == kHover ? SkinArt::kAccent : QColor(0x9C, 0xAD, 0xC6)), 1));
  p.setBrush(on ? SkinArt::kAccent : QColor(0xFF, 0xFF, 0xFF));
  p.drawRect(0, 0, 15, 15);
  // The slots, scaled from the sheet into the 14 x 14 inside.
  p.setPen(Qt::NoPen);
  p.setBrush(on ? QColor(0xFF, 0xFF, 0xFF) : QColor(0x6B, 0x78, 0x8F));
  for (const RECT& s : LayoutSlots(layout)) {
    const int l = 1 + int((s.left - GB_SHEET_ORIGIN_X) * 14 / GB_SHEET_WIDTH);
    const int t = 1 + int((s.top - GB_SHEET_ORIGIN_Y) * 14 / GB_SHEET_HEIGHT);
    const int r = 1 + int((s.right - GB_SHEET_ORIGIN_X) * 14 / GB_SHEET_WIDTH);
    const int b = 1 + int((s.bottom - GB_SHEET_ORIGIN_Y) * 14 / GB_SHEET_HEIGHT);
    p.drawRect(l, t, std::max(1, r - l - 1), std::max(1, b - t - 1));
  }
  return img;
}

QImage LayoutPicture(int layout) {
  QImage img(GB_SHEET_WIDTH, GB_SHEET_HEIGHT, QImage::Format_RGB32);
  img.fill(QColor(0xFA, 0xFB, 0xFD));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QFont f = CaptionFont(12);
  p.setFont(f);
  int n = 0;
  for (const RECT& s : LayoutSlots(layout)) {
    const QRectF r(s.left - GB_SHEET_ORIGIN_X + 0.5, s.top - GB_SHEET_ORIGIN_Y + 0.5, s.right - s.left - 1.0,
                   s.bottom - s.top - 1.0);
    p.setBrush(QColor(0xEE, 0xF3, 0xFA));
    p.setPen(QPen(QColor(0xB7, 0xC6, 0xDB), 1, Qt::DashLine));
    p.drawRoundedRect(r, 4, 4);
    p.setPen(QColor(0xA9, 0xB8, 0xCC));
    p.drawText(r, Qt::AlignCenter, QString::number(++n));
  }
  return img;
}

QImage DragCursorPicture() {
  QImage img(16, 16, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  // An arrow with a small sticker under it.
  p.setPen(QColor(0x31, 0x42, 0x61));
  p.setBrush(QColor(0x3C, 0x7E, 0xD6));
  p.drawRect(6, 8, 9, 7);
  QPolygon arrow;
  arrow << QPoint(0, 0) << QPoint(0, 10) << QPoint(3, 7) << QPoint(6, 7);
  p.setBrush(QColor(0x31, 0x42, 0x61));
  p.drawPolygon(arrow);
  return img;
}

}  // namespace MainArt
