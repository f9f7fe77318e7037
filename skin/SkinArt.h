// The built-in artwork: every skin picture drawn in code, so the look can be
// changed here and the files regenerated with glimmerbox-skinart.
#pragma once
#include <QColor>
#include <QImage>
#include <QRect>

class QPainter;
#include <QString>
#include <vector>

#include "skin/SkinResources.h"

namespace SkinArt {

// The palette the pictures and the controls share.
inline const QColor kAccent{0x3C, 0x7E, 0xD6};
inline const QColor kAccentLight{0x6F, 0xB8, 0xF0};
inline const QColor kAccentDark{0x2A, 0x5C, 0xA8};
inline const QColor kFace{0xF4, 0xF6, 0xFA};
inline const QColor kPanel{0xFF, 0xFF, 0xFF};
inline const QColor kLine{0xCF, 0xD7, 0xE3};
inline const QColor kText{0x31, 0x42, 0x61};  // 0x614231 as COLORREF
inline const QColor kTextSoft{0x6B, 0x78, 0x8F};

// A window background: rounded outline (magenta outside), title band with the
// title, body face, and sunken wells where pictures or lists sit.
struct WindowLook {
  int width = 400;
  int height = 300;
  QString title;
  int band = 30;  // height of the title band
  std::vector<QRect> wells;
  std::vector<QRect> panels;  // raised light panels behind button groups
};
QImage WindowBackground(const WindowLook& look);

// A text-button face (no text: the button draws its own). state: 0 normal,
// 1 hover, 2 pressed, 3 disabled.
QImage ButtonFace(int width, int height, int state);
// The same face painted into r with corners of the given radius (same states).
void PaintButtonFace(QPainter& p, const QRectF& r, int state, qreal radius);
// The matching outline: white outside, black inside.
QImage ButtonMask(int width, int height);

QImage Draw(const SkinResource& res);

// The program icon and the project-file icon at any size (square), for the
// desktop's icon theme.
QImage AppIcon(int size);
QImage ProjectFileIcon(int size);

// Turns an antialiased ARGB drawing into a keyed bitmap: pixels less than
// half covered become magenta, the rest opaque.
QImage FlattenOnKey(const QImage& argb);

}  // namespace SkinArt
