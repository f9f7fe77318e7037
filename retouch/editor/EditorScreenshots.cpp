#include "retouch/editor/EditorScreenshots.h"

#include <QApplication>
#include <QDir>
#include <QImage>

#include "image/core/GbImage.h"
#include "retouch/editor/DlgEffect.h"
#include "retouch/editor/DlgFilter.h"
#include "skin/CRectTrackerPic.h"
#include "skin/CSkinSlider.h"
#include "skin/GbSkinButton.h"
#include "skin/SkinEvent.h"
#include "skin/WindowShot.h"

namespace {

void MoveSlider(DlgEffect& dialog, int index, int pos) {
  CSkinSlider* slider = dialog.Slider(index);
  if (!slider) return;
  slider->SetPos(pos);
  dialog.OnSlider(ControlId(slider), pos);
}

}  // namespace

QStringList WriteEditorScreenshots(const GbImage& portrait, const QString& dir) {
  QStringList written;
  if (!portrait.HasPixels()) return written;
  QDir().mkpath(dir);
  DlgFilter editor(portrait.MakeDibSection());
  editor.FitToPreview();
  editor.show();
  SaveShaped(&editor, dir, QStringLiteral("editor-portrait.png"), written);

  struct Shot {
    int kind;
    const char* name;
  } shots[] = {
      {3, "effect-windy.png"}, {4, "effect-stripe.png"}, {6, "effect-bright-contrast.png"}, {10, "effect-circle.png"}};
  for (const Shot& s : shots) {
    DlgEffect dialog(&editor, editor.DisplayBitmap(), s.kind, &editor);
    dialog.show();
    if (s.kind == 3) MoveSlider(dialog, 0, 40);
    if (s.kind == 4) MoveSlider(dialog, 0, 35);
    if (s.kind == 6) {
      MoveSlider(dialog, 0, 130);
      MoveSlider(dialog, 1, 120);
    }
    if (s.kind == 10) dialog.OnCircle(DlgEffect::kSwirl);
    SaveShaped(&dialog, dir, QString::fromLatin1(s.name), written);
    dialog.hide();
  }
  // The swirl went into the working image; start the last picture from the portrait again.
  editor.RestoreSnapshot(0);

  editor.OnPseudoColors();
  if (auto* tracker = editor.ItemAs<GbSkinButton>(DlgFilter::kTracker)) tracker->click();
  const QRect r(70, 50, 170, 120);
  editor.Picture()->SetTrackerRect(r);
  CRectTrackerPic::ApplySelection(editor.WorkingImage(), r);
  SaveShaped(&editor, dir, QStringLiteral("editor-pseudocolors-tracker.png"), written);
  editor.hide();
  return written;
}
