#include "compose/window/WindowControls.h"

#include "skin/GbSkinButton.h"
#include "skin/SkinArt.h"
#include "skin/SkinDialog.h"

GbSkinButton* MakeTextButton(SkinDialog* dialog, int id, const QRect& r, const QString& text, bool bold) {
  auto* b = dialog->Add<GbSkinButton>(id, r.x(), r.y(), r.width(), r.height());
  // The faces are keyed bitmaps; the mask cuts the rounded outline out of them.
  b->SetSkinImages(SkinArt::ButtonFace(r.width(), r.height(), 0), SkinArt::ButtonFace(r.width(), r.height(), 2),
                   SkinArt::ButtonFace(r.width(), r.height(), 1), SkinArt::ButtonFace(r.width(), r.height(), 3),
                   QImage(), SkinArt::ButtonMask(r.width(), r.height()));
  b->setText(text);
  b->setFont(SkinFont(QStringLiteral("Tahoma"), 11, bold ? 700 : 400));
  b->SetTextColour(RGB(0x31, 0x42, 0x61));
  return b;
}

GbSkinButton* MakeGlyphButton(SkinDialog* dialog, int id, const QRect& r, MainArt::Glyph glyph, const QString& caption,
                              const QString& tooltip) {
  auto* b = dialog->Add<GbSkinButton>(id, r.x(), r.y(), r.width(), r.height());
  const int w = r.width(), h = r.height();
  b->SetSkinImages(MainArt::CommandFace(w, h, MainArt::kNormal, glyph, caption),
                   MainArt::CommandFace(w, h, MainArt::kPressed, glyph, caption),
                   MainArt::CommandFace(w, h, MainArt::kHover, glyph, caption),
                   MainArt::CommandFace(w, h, MainArt::kDisabled, glyph, caption), QImage(), QImage());
  b->SetTooltipText(tooltip);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}
