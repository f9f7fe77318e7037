#include "skin/SkinArt.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace SkinArt {
namespace {

QImage Blank(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

QFont ArtFont(int px, bool bold) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(px);
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

QPainterPath Rounded(const QRectF& r, qreal radius) {
  QPainterPath p;
  p.addRoundedRect(r, radius, radius);
  return p;
}

// The combo box pieces share one vertical gradient and edge, the normal
// text button's, so the box reads as one raised control.
const QColor kComboEdge{0x9C, 0xAD, 0xC6};
QLinearGradient ComboGradient(int height) {
  QLinearGradient g(0, 0, 0, height);
  g.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
  g.setColorAt(1, QColor(0xE4, 0xEB, 0xF4));
  return g;
}

// A sunken well: soft shadow line on top, white inside, light border.
void Well(QPainter& p, const QRect& r) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xE3, 0xE8, 0xF0));
  p.drawRoundedRect(QRectF(r).adjusted(-2, -2, 2, 2), 5, 5);
  p.setBrush(QColor(0xFF, 0xFF, 0xFF));
  p.setPen(QPen(QColor(0xC3, 0xCD, 0xDB), 1));
  p.drawRoundedRect(QRectF(r).adjusted(-1.5, -1.5, 1.5, 1.5), 3, 3);
}

void Panel(QPainter& p, const QRect& r) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
  g.setColorAt(1, QColor(0xF0, 0xF4, 0xFA));
  p.setBrush(g);
  p.setPen(QPen(QColor(0xDC, 0xE3, 0xEE), 1));
  p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);
}

// A small sparkle: the program's mark in the title band.
void Sparkle(QPainter& p, QPointF c, qreal r, const QColor& colour) {
  QPainterPath s;
  s.moveTo(c.x(), c.y() - r);
  s.quadTo(c.x(), c.y(), c.x() + r, c.y());
  s.quadTo(c.x(), c.y(), c.x(), c.y() + r);
  s.quadTo(c.x(), c.y(), c.x() - r, c.y());
  s.quadTo(c.x(), c.y(), c.x(), c.y() - r);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPath(s);
}

QImage Icon(int size, const std::function<void(QPainter&, qreal)>& draw) {
  QImage img = Blank(size, size);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p, size);
  return img;
}

// Round badge with a glyph for the message-box icons.
QImage Badge(const QColor& top, const QColor& bottom, const std::function<void(QPainter&, qreal)>& glyph) {
  return Icon(32, [&](QPainter& p, qreal s) {
    QLinearGradient g(0, 2, 0, s - 2);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(bottom.darker(115), 1));
    p.setBrush(g);
    p.drawEllipse(QRectF(2.5, 2.5, s - 5, s - 5));
    glyph(p, s);
  });
}

void GlyphText(QPainter& p, qreal s, const QString& text, int px) {
  p.setPen(Qt::white);
  p.setFont(ArtFont(px, true));
  p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, text);
}

// Arrow icon for the move and page buttons. dir: 0 left, 1 up, 2 right, 3 down.
QImage Arrow(int size, int dir, bool hot, bool round) {
  return Icon(size, [&](QPainter& p, qreal s) {
    QColor fill = hot ? kAccent : QColor(0xFF, 0xFF, 0xFF);
    QColor edge = hot ? kAccentDark : QColor(0xB8, 0xC4, 0xD6);
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    QRectF box(1.5, 1.5, s - 3, s - 3);
    if (round)
      p.drawEllipse(box);
    else
      p.drawRoundedRect(box, s / 5, s / 5);
    QPainterPath a;
    const qreal c = s / 2, r = s * 0.22;
    a.moveTo(c + r * 0.6, c - r);
    a.lineTo(c - r * 0.6, c);
    a.lineTo(c + r * 0.6, c + r);
    p.save();
    p.translate(c, c);
    p.rotate(dir * 90);
    p.translate(-c, -c);
    p.setPen(QPen(hot ? QColor(Qt::white) : kAccent, std::max<qreal>(2, s / 11), Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(a);
    p.restore();
  });
}

QImage CloseIcon(int size, bool hot) {
  return Icon(size, [&](QPainter& p, qreal s) {
    p.setPen(Qt::NoPen);
    p.setBrush(hot ? QColor(0xE8, 0x5A, 0x5A) : QColor(255, 255, 255, 60));
    p.drawEllipse(QRectF(0.5, 0.5, s - 1, s - 1));
    const qreal m = s * 0.32;
    p.setPen(QPen(QColor(Qt::white), std::max<qreal>(1.6, s / 9), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(m, m), QPointF(s - m, s - m));
    p.drawLine(QPointF(s - m, m), QPointF(m, s - m));
  });
}

// Keyed bitmap with white see-through (the cursor pictures).
QImage CursorPicture(bool dragging) {
  QImage img(32, 32, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  // Four-way arrows, no antialiasing so white stays pure white.
  p.setPen(QPen(QColor(0x20, 0x20, 0x20), 1));
  p.setBrush(dragging ? kAccent : QColor(0x30, 0x30, 0x30));
  QPolygon arrow;
  arrow << QPoint(10, 0) << QPoint(15, 5) << QPoint(12, 5) << QPoint(12, 8) << QPoint(8, 8) << QPoint(8, 5)
        << QPoint(5, 5);
  for (int i = 0; i < 4; ++i) {
    p.save();
    p.translate(10, 10);
    p.rotate(90 * i);
    p.translate(-10, -10);
    p.drawPolygon(arrow);
    p.restore();
  }
  p.drawRect(8, 8, 4, 4);
  return img;
}

QImage ThumbFrame(bool pressed) {
  QImage img = Blank(71, 53);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(pressed ? kAccentDark : QColor(0xC3, 0xCD, 0xDB), 1));
  p.setBrush(pressed ? kAccent : QColor(0xFF, 0xFF, 0xFF));
  p.drawRoundedRect(QRectF(0.5, 0.5, 70, 52), 4, 4);
  p.end();
  // The frame is fully opaque; corners take the face colour behind it.
  QImage out(71, 53, QImage::Format_RGB32);
  out.fill(kFace);
  QPainter q(&out);
  q.drawImage(0, 0, img);
  return out;
}

QImage SliderChannel(bool active) {
  QImage img = Blank(160, 20);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QRectF track(2, 7, 156, 6);
  if (active) {
    QLinearGradient g(0, 0, 160, 0);
    g.setColorAt(0, kAccentLight);
    g.setColorAt(1, kAccent);
    p.setBrush(g);
    p.setPen(QPen(kAccentDark, 1));
  } else {
    p.setBrush(QColor(0xE1, 0xE6, 0xEE));
    p.setPen(QPen(QColor(0xC0, 0xC9, 0xD6), 1));
  }
  p.drawRoundedRect(track, 3, 3);
  p.end();
  return FlattenOnKey(img);
}

QImage SliderThumb(bool active) {
  QImage img = Blank(14, 20);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 2, 0, 18);
  g.setColorAt(0, active ? kAccentLight : QColor(0xFF, 0xFF, 0xFF));
  g.setColorAt(1, active ? kAccent : QColor(0xE4, 0xEA, 0xF3));
  p.setBrush(g);
  p.setPen(QPen(active ? kAccentDark : QColor(0x8A, 0x9B, 0xB5), 1.2));
  p.drawRoundedRect(QRectF(1.5, 1.5, 11, 17), 4, 4);
  p.setPen(QPen(active ? QColor(Qt::white) : QColor(0xA9, 0xB6, 0xC9), 1));
  for (int x : {5, 8}) p.drawLine(QPointF(x + 0.5, 7), QPointF(x + 0.5, 13));
  p.end();
  return FlattenOnKey(img);
}

QImage CheckMark(bool radio, bool on) {
  return Icon(16, [&](QPainter& p, qreal s) {
    p.setPen(QPen(on ? kAccentDark : QColor(0x9A, 0xA8, 0xBD), 1));
    p.setBrush(on ? kAccent : QColor(0xFF, 0xFF, 0xFF));
    if (radio)
      p.drawEllipse(QRectF(1.5, 1.5, s - 3, s - 3));
    else
      p.drawRoundedRect(QRectF(1.5, 1.5, s - 3, s - 3), 3, 3);
    if (!on) return;
    p.setBrush(Qt::white);
    if (radio) {
      p.setPen(Qt::NoPen);
      p.drawEllipse(QPointF(s / 2, s / 2), 2.6, 2.6);
    } else {
      p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.setBrush(Qt::NoBrush);
      QPainterPath tick;
      tick.moveTo(4.5, 8.3);
      tick.lineTo(7, 10.8);
      tick.lineTo(11.5, 5.3);
      p.drawPath(tick);
    }
  });
}

WindowLook Look(int id) {
  WindowLook l;
  switch (id) {
    case 275:
      l = {800,
           600,
           "Glimmerbox",
           30,
           {{29, 59, 320, 240}, {422, 59, 364, 276}},
           {{8, 302, 366, 290}, {424, 340, 366, 160}}};
      break;
    case 342:
      l = {800,
           400,
           "Glimmerbox  \u00b7  Photo editor",
           30,
           {{20, 37, 320, 240}},
           {{362, 24, 426, 332}, {10, 282, 338, 108}}};
      break;
    case 447: l = {420, 400, "Effects", 30, {{20, 40, 180, 180}, {220, 40, 180, 180}}, {}}; break;
    case 477: l = {500, 400, "Template folders", 30, {}, {{12, 40, 476, 300}}}; break;
    case 340: l = {698, 536, "Pictures", 30, {{12, 40, 674, 420}}, {}}; break;
    case 178:
      l = {500,
           410,
           "Decorations",
           30,
           {{10, 32, 320, 240}, {333, 30, 97, 244}},
           {{50, 330, 400, 66}, {428, 32, 66, 246}}};
      break;
    case 305: l = {640, 550, "Save picture", 30, {{20, 42, 364, 276}}, {{400, 42, 220, 470}}}; break;
    case 475: l = {800, 600, "Print", 30, {{20, 42, 560, 530}}, {{596, 42, 190, 530}}}; break;
    case 254: l = {394, 234, "About Glimmerbox", 30, {}, {{16, 44, 362, 150}}}; break;
    case kResGalleryBackground:
      l = {760, 560, "Glimmerbox  \u00b7  Control gallery", 30, {}, {{12, 40, 360, 510}, {388, 40, 360, 510}}};
      break;
    default: break;
  }
  return l;
}

}  // namespace

QImage FlattenOnKey(const QImage& argb) {
  QImage src = argb.convertToFormat(QImage::Format_ARGB32);
  QImage out(src.size(), QImage::Format_RGB32);
  for (int y = 0; y < src.height(); ++y) {
    const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < src.width(); ++x) {
      QRgb px = in[x];
      if (qAlpha(px) < 128) {
        o[x] = qRgb(255, 0, 255);
      } else {
        // Never let an opaque pixel be exactly the key.
        int r = qRed(px), g = qGreen(px), b = qBlue(px);
        if (r == 255 && g == 0 && b == 255) g = 1;
        o[x] = qRgb(r, g, b);
      }
    }
  }
  return out;
}

QImage WindowBackground(const WindowLook& look) {
  QImage img = Blank(look.width, look.height);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF outer(0.5, 0.5, look.width - 1, look.height - 1);
  const qreal radius = 12;
  QPainterPath shape = Rounded(outer, radius);

  // Body.
  QLinearGradient body(0, 0, 0, look.height);
  body.setColorAt(0, QColor(0xF7, 0xF9, 0xFC));
  body.setColorAt(1, QColor(0xEC, 0xF0, 0xF6));
  p.setPen(Qt::NoPen);
  p.setBrush(body);
  p.drawPath(shape);

  // Title band, clipped to the outline.
  p.save();
  p.setClipPath(shape);
  QLinearGradient band(0, 0, look.width, 0);
  band.setColorAt(0, kAccentDark);
  band.setColorAt(0.55, kAccent);
  band.setColorAt(1, kAccentLight);
  p.fillRect(QRectF(0, 0, look.width, look.band), band);
  QLinearGradient gloss(0, 0, 0, look.band);
  gloss.setColorAt(0, QColor(255, 255, 255, 55));
  gloss.setColorAt(1, QColor(255, 255, 255, 0));
  p.fillRect(QRectF(0, 0, look.width, look.band / 2.0), gloss);
  p.fillRect(QRectF(0, look.band, look.width, 1), QColor(0x22, 0x4C, 0x8C, 90));
  p.restore();

  Sparkle(p, QPointF(18, look.band / 2.0), 7, QColor(0xFF, 0xE0, 0x7A));
  Sparkle(p, QPointF(26, look.band / 2.0 - 6), 3, QColor(255, 255, 255, 200));
  p.setPen(QColor(Qt::white));
  p.setFont(ArtFont(14, true));
  p.drawText(QRectF(34, 0, look.width - 100, look.band), Qt::AlignVCenter | Qt::AlignLeft, look.title);

  for (const QRect& r : look.panels) Panel(p, r);
  for (const QRect& r : look.wells) Well(p, r);

  // Outline.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0x2A, 0x4F, 0x86), 1));
  p.drawPath(shape);
  p.end();
  return FlattenOnKey(img);
}

void PaintButtonFace(QPainter& p, const QRectF& r, int state, qreal radius) {
  // The gradient spans the pixels the outline sits in the middle of.
  QLinearGradient g(0, r.top() - 0.5, 0, r.bottom() + 0.5);
  QColor edge;
  switch (state) {
    case 1:
      g.setColorAt(0, QColor(0xF3, 0xF9, 0xFF));
      g.setColorAt(1, QColor(0xD2, 0xE6, 0xFB));
      edge = kAccent;
      break;
    case 2:
      g.setColorAt(0, QColor(0xC4, 0xDA, 0xF4));
      g.setColorAt(1, QColor(0xE2, 0xEE, 0xFB));
      edge = kAccentDark;
      break;
    case 3:
      g.setColorAt(0, QColor(0xF0, 0xF2, 0xF5));
      g.setColorAt(1, QColor(0xE6, 0xE9, 0xEE));
      edge = QColor(0xCC, 0xD2, 0xDA);
      break;
    default:
      g.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
      g.setColorAt(1, QColor(0xE4, 0xEB, 0xF4));
      edge = QColor(0x9C, 0xAD, 0xC6);
      break;
  }
  p.setBrush(g);
  p.setPen(QPen(edge, 1));
  p.drawRoundedRect(r, radius, radius);
}

QImage ButtonFace(int width, int height, int state) {
  QImage img = Blank(width, height);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  PaintButtonFace(p, QRectF(0.5, 0.5, width - 1, height - 1), state, height / 2.0 - 1);
  p.end();
  return FlattenOnKey(img);
}

QImage ButtonMask(int width, int height) {
  QImage face = ButtonFace(width, height, 0);
  QImage mask(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      mask.setPixel(x, y, face.pixel(x, y) == qRgb(255, 0, 255) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
  return mask;
}

// The program's mark: a rounded tile with a big and a small sparkle. Drawn
// in units of a 32-pixel tile, so every installed size is the same picture.
QImage AppIcon(int size) {
  return Icon(size, [](QPainter& p, qreal s) {
    const qreal u = s / 32;
    QLinearGradient g(0, 0, s, s);
    g.setColorAt(0, kAccentLight);
    g.setColorAt(1, kAccentDark);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(u, u, s - 2 * u, s - 2 * u), 7 * u, 7 * u);
    Sparkle(p, QPointF(s / 2, s / 2), 10 * u, QColor(0xFF, 0xE0, 0x7A));
    Sparkle(p, QPointF(s * 0.76, s * 0.26), 4 * u, Qt::white);
  });
}

// A project file: a sheet of paper with a folded corner and a 2 x 2 grid of
// stickers, the program's sparkle on the first one.
QImage ProjectFileIcon(int size) {
  return Icon(size, [](QPainter& p, qreal s) {
    const qreal u = s / 32;
    const QRectF page(5 * u, 2 * u, 22 * u, 28 * u);
    const qreal fold = 7 * u;
    QPainterPath sheet;
    sheet.moveTo(page.left(), page.top());
    sheet.lineTo(page.right() - fold, page.top());
    sheet.lineTo(page.right(), page.top() + fold);
    sheet.lineTo(page.right(), page.bottom());
    sheet.lineTo(page.left(), page.bottom());
    sheet.closeSubpath();
    p.setPen(QPen(kTextSoft, std::max<qreal>(1, u)));
    p.setBrush(kPanel);
    p.drawPath(sheet);
    p.setBrush(kLine);
    p.drawPolygon(QPolygonF({QPointF(page.right() - fold, page.top()), QPointF(page.right() - fold, page.top() + fold),
                             QPointF(page.right(), page.top() + fold)}));
    const QColor cells[4] = {kAccent, kAccentLight, QColor(0xF2, 0x8C, 0xB1), QColor(0xFF, 0xC8, 0x4A)};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
      const QRectF cell(8 * u + (i % 2) * 8.5 * u, 11 * u + (i / 2) * 8.5 * u, 7 * u, 7 * u);
      p.setBrush(cells[i]);
      p.drawRoundedRect(cell, 1.5 * u, 1.5 * u);
    }
    Sparkle(p, QPointF(11.5 * u, 14.5 * u), 3 * u, Qt::white);
  });
}

QImage Draw(const SkinResource& res) {
  const int id = res.id;
  WindowLook look = Look(id);
  if (!look.title.isEmpty()) return WindowBackground(look);

  switch (id) {
    case 227: {  // combo face: the text-button gradient between two edge lines
      QImage img(res.width, res.height, QImage::Format_RGB32);
      QPainter p(&img);
      p.fillRect(img.rect(), ComboGradient(res.height));
      p.fillRect(QRect(0, 0, res.width, 1), kComboEdge);
      p.fillRect(QRect(0, res.height - 1, res.width, 1), kComboEdge);
      p.fillRect(QRect(0, 1, res.width, 1), QColor(0xFF, 0xFF, 0xFF));
      return img;
    }
    case 230: {  // left end cap, rounded; the right one is its mirror
      QImage img = Blank(res.width, res.height);
      QPainter p(&img);
      p.setRenderHint(QPainter::Antialiasing);
      p.setBrush(ComboGradient(res.height));
      p.setPen(QPen(kComboEdge, 1));
      p.drawRoundedRect(QRectF(0.5, 0.5, res.width * 4, res.height - 1), 3, 3);
      p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF), 1));
      p.drawLine(QPointF(2.5, 1.5), QPointF(res.width * 4, 1.5));
      p.end();
      return FlattenOnKey(img);
    }
    case 229: {  // drop button: a groove to the face, then the theme's chevron
      QImage img(res.width, res.height, QImage::Format_RGB32);
      QPainter p(&img);
      p.fillRect(img.rect(), ComboGradient(res.height));
      p.fillRect(QRect(0, 0, res.width, 1), kComboEdge);
      p.fillRect(QRect(0, res.height - 1, res.width, 1), kComboEdge);
      p.fillRect(QRect(0, 1, res.width, 1), QColor(0xFF, 0xFF, 0xFF));
      p.fillRect(QRect(0, 3, 1, res.height - 6), QColor(0xC0, 0xCB, 0xDA));
      p.fillRect(QRect(1, 3, 1, res.height - 6), QColor(0xFF, 0xFF, 0xFF));
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(QPen(kAccentDark, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      const qreal c = 1 + (res.width - 1) / 2.0, m = res.height / 2.0;
      p.drawPolyline(QPolygonF({QPointF(c - 3.5, m - 1.5), QPointF(c, m + 2), QPointF(c + 3.5, m - 1.5)}));
      return img;
    }
    case 263: {  // message box title strip
      QImage img(res.width, res.height, QImage::Format_RGB32);
      QPainter p(&img);
      QLinearGradient g(0, 0, 0, res.height);
      g.setColorAt(0, kAccentLight);
      g.setColorAt(1, kAccent);
      p.fillRect(img.rect(), g);
      p.fillRect(QRect(0, res.height - 1, res.width, 1), kAccentDark);
      return img;
    }
    case 265: {  // message box tile
      QImage img(res.width, res.height, QImage::Format_RGB32);
      QPainter p(&img);
      QLinearGradient g(0, 0, 0, res.height);
      g.setColorAt(0, QColor(0xFA, 0xFB, 0xFD));
      g.setColorAt(1, QColor(0xF1, 0xF4, 0xF9));
      p.fillRect(img.rect(), g);
      return img;
    }
    case 257:
      return Badge(QColor(0xF2, 0x6D, 0x6D), QColor(0xC9, 0x3A, 0x3A), [](QPainter& p, qreal s) {
        const qreal m = s * 0.34;
        p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(m, m), QPointF(s - m, s - m));
        p.drawLine(QPointF(s - m, m), QPointF(m, s - m));
      });
    case 258:
      return Icon(32, [](QPainter& p, qreal s) {
        QPainterPath tri;
        tri.moveTo(s / 2, 3);
        tri.lineTo(s - 2.5, s - 4);
        tri.lineTo(2.5, s - 4);
        tri.closeSubpath();
        QLinearGradient g(0, 3, 0, s - 4);
        g.setColorAt(0, QColor(0xFF, 0xD2, 0x5E));
        g.setColorAt(1, QColor(0xF0, 0xA0, 0x20));
        p.setPen(QPen(QColor(0xC8, 0x82, 0x10), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(g);
        p.drawPath(tri);
        p.setPen(QPen(QColor(0x5A, 0x3A, 0x00), 3.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(s / 2, 11.5), QPointF(s / 2, 19));
        p.drawPoint(QPointF(s / 2, 23.5));
      });
    case 259: return Badge(kAccentLight, kAccent, [](QPainter& p, qreal s) { GlyphText(p, s, "?", 20); });
    case 260:
      return Badge(QColor(0x6C, 0xCB, 0xA6), QColor(0x2E, 0x9C, 0x72), [](QPainter& p, qreal s) {
        p.setPen(QPen(Qt::white, 3.4, Qt::SolidLine, Qt::RoundCap));
        p.drawPoint(QPointF(s / 2, 9.5));
        p.drawLine(QPointF(s / 2, 14.5), QPointF(s / 2, 22.5));
      });
    case 261: return CloseIcon(res.width, true);
    case 262:
      return Icon(res.width, [](QPainter& p, qreal s) {
        const qreal m = s * 0.3;
        p.setPen(QPen(QColor(Qt::white), 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(m, m), QPointF(s - m, s - m));
        p.drawLine(QPointF(s - m, m), QPointF(m, s - m));
      });
    case 313: return CloseIcon(res.width, true);
    case 312: return CloseIcon(res.width, false);
    case 509: return ButtonFace(res.width, res.height, 1);
    case 510: return ButtonFace(res.width, res.height, 0);
    case 511: return ButtonMask(res.width, res.height);
    case kResSkinButtonNormal: return ButtonFace(res.width, res.height, 0);
    case kResSkinButtonHover: return ButtonFace(res.width, res.height, 1);
    case kResSkinButtonPressed: return ButtonFace(res.width, res.height, 2);
    case kResSkinButtonDisabled: return ButtonFace(res.width, res.height, 3);
    case kResSkinButtonMask: return ButtonMask(res.width, res.height);
    case 527: return ThumbFrame(true);
    case 528: return ThumbFrame(false);
    case 533: return CursorPicture(true);
    case 534: return CursorPicture(false);
    case 197: return Arrow(res.width, 0, true, true);
    case 202: return Arrow(res.width, 0, false, true);
    case 201: return Arrow(res.width, 2, true, true);
    case 200: return Arrow(res.width, 2, false, true);
    case 206: return Arrow(res.width, 0, true, false);
    case 205: return Arrow(res.width, 0, false, false);
    case 210: return Arrow(res.width, 1, true, false);
    case 209: return Arrow(res.width, 1, false, false);
    case 204: return Arrow(res.width, 3, true, false);
    case 203: return Arrow(res.width, 3, false, false);
    case 208: return Arrow(res.width, 2, true, false);
    case 207: return Arrow(res.width, 2, false, false);
    case 198:
    case 199: {
      const bool hot = id == 199;
      return Icon(res.width, [hot](QPainter& p, qreal s) {
        p.setPen(QPen(hot ? kAccentDark : kTextSoft, 1.2));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(1.5, 3.5, s - 3, s - 7), 2, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(hot ? kAccent : QColor(0x8F, 0xB7, 0xE6));
        QPolygonF hill(
            {QPointF(3, s - 5), QPointF(7, s - 10), QPointF(10, s - 7), QPointF(12, s - 9), QPointF(s - 3, s - 5)});
        p.drawPolygon(hill);
        p.setBrush(QColor(0xFF, 0xC8, 0x4A));
        p.drawEllipse(QPointF(s - 6, 7.5), 1.8, 1.8);
      });
    }
    case 128: return AppIcon(32);
    case 152:
      return Icon(16, [](QPainter& p, qreal) {
        p.setPen(QPen(QColor(0x2E, 0x9C, 0x72), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4.5)}));
      });
    case 153:
      return Icon(16, [](QPainter& p, qreal) {
        p.setPen(QPen(QColor(0xC9, 0x3A, 0x3A), 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
      });
    case 156:
      return Icon(16, [](QPainter& p, qreal s) {
        p.setPen(kAccentDark);
        p.setFont(ArtFont(14, true));
        p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, "A");
      });
    case 157:
      return Icon(16, [](QPainter& p, qreal) {
        const QColor cs[3] = {QColor(0xF2, 0x6D, 0x6D), QColor(0x6C, 0xCB, 0xA6), kAccent};
        const QPointF cp[3] = {{6, 6}, {10, 6}, {8, 10}};
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 3; ++i) {
          QColor c = cs[i];
          c.setAlpha(210);
          p.setBrush(c);
          p.drawEllipse(cp[i], 4, 4);
        }
      });
    case kResSliderChannel: return SliderChannel(false);
    case kResSliderChannelActive: return SliderChannel(true);
    case kResSliderThumb: return SliderThumb(false);
    case kResSliderThumbActive: return SliderThumb(true);
    case kResCheckNormal: return CheckMark(false, false);
    case kResCheckChecked: return CheckMark(false, true);
    case kResRadioNormal: return CheckMark(true, false);
    case kResRadioChecked: return CheckMark(true, true);
    default: break;
  }
  QImage img(std::max(1, res.width), std::max(1, res.height), QImage::Format_RGB32);
  img.fill(kFace);
  return img;
}

}  // namespace SkinArt
