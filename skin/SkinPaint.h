// Drawing helpers shared by the controls: the system colours of this skin,
// 3-D edges, greyed and embossed drawing.
#pragma once
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

namespace SysColour {
QColor Face();        // button face
QColor Text();        // button text
QColor Highlight();   // 3-D highlight (lit edge)
QColor Light();       // 3-D light
QColor Shadow();      // 3-D shadow
QColor DarkShadow();  // 3-D dark shadow
QColor GrayText();
QColor Window();
}  // namespace SysColour

// Grey copy: each pixel's luminance 0.299 R + 0.587 G + 0.114 B (truncated), alpha kept.
QImage GreyCopy(const QImage& image);
// The look of a disabled picture: grey and faded.
QImage DisabledCopy(const QImage& image);

// Two-colour rectangle: topLeft colour on the top and left lines, the other
// on the bottom and right lines (a Windows 3-D rectangle).
void Draw3dRect(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight);
// Sunken or raised two-line edge.
void DrawEdge(QPainter& p, const QRect& r, bool sunken);
// Text drawn twice for a disabled look: highlight one pixel down-right, then shadow.
void DrawEmbossedText(QPainter& p, const QRect& r, int flags, const QString& text);
// Dotted focus rectangle.
void DrawFocusRect(QPainter& p, const QRect& r);
