// The buttons the main window and its dialogs share: text buttons on the
// kit's rounded face, and command buttons drawn with a glyph and caption.
#pragma once
#include <QRect>
#include <QString>

#include "compose/window/MainWindowArt.h"

class GbSkinButton;
class SkinDialog;

GbSkinButton* MakeTextButton(SkinDialog* dialog, int id, const QRect& rect, const QString& text, bool bold = false);
GbSkinButton* MakeGlyphButton(SkinDialog* dialog, int id, const QRect& rect, MainArt::Glyph glyph,
                              const QString& caption, const QString& tooltip);
