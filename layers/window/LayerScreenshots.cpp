#include "layers/window/LayerScreenshots.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <algorithm>
#include <cstring>

#include "app/FacecraftApp.h"
#include "image/core/GbImage.h"
#include "layers/window/DlgMix.h"
#include "layers/window/DlgText.h"
#include "skin/GbSkinButton.h"
#include "skin/WindowShot.h"

QStringList WriteLayerScreenshots(CFacecraftApp& app, const GbImage& portrait, const QString& dir) {
  QStringList written;
  if (!portrait.HasPixels()) return written;
  QDir().mkpath(dir);
  GbImage sticker(portrait);
  // The photo editor hands over what it shows: fitted into the 320 x 240
  // preview, its shape kept (a square portrait is shown centred).
  if (sticker.Width() > 320 || sticker.Height() > 240) {
    const long w = long(sticker.Width()), h = long(sticker.Height());
    const long nw = w * 240 >= h * 320 ? 320 : std::max(1L, w * 240 / h);
    const long nh = w * 240 >= h * 320 ? std::max(1L, h * 320 / w) : 240;
    sticker.ResampleInterpolated(nw, nh, GbImage::kCatmullRom, GbImage::kRepeat);
  }
  HBITMAP picture = sticker.MakeDibSection();
  MixContext context;
  context.emotionFolder = app.settings().PathEmotion;
  context.textTool = &app.textTool;
  {
    DlgMix editor(picture, nullptr, context);
    editor.show();
    // Two decorations from the strip: the first at the top left, the second
    // moved to the right and down.
    int added = 0;
    for (int slot = 0; slot < DlgMix::kThumbsPerPage && added < 2; ++slot) {
      if (editor.SlotPath(slot).empty()) continue;
      editor.OnThumbnail(DlgMix::kThumbIds[slot]);
      if (added == 1)
        for (int i = 0; i < 60; ++i) editor.OnRight(), editor.OnDown();
      ++added;
    }
    TextSettings text = app.textTool;
    std::memset(text.text, 0, sizeof text.text);
    std::strcpy(text.text, "Hello!");
    text.boxOpacity = 0.3f;
    // The text layer as the text dialog would make it.
    DlgText dialog(&editor);
    dialog.Settings() = text;
    dialog.LoadControls();
    dialog.show();
    SaveShaped(&dialog, dir, QStringLiteral("text-dialog.png"), written);
    dialog.hide();
    const TextSettings saved = app.textTool;
    app.textTool = text;
    // Adds the text through the dialog, answered at once with OK.
    QMetaObject::invokeMethod(
        &editor,
        [] {
          if (auto* d = qobject_cast<DlgText*>(QApplication::activeModalWidget())) d->OnOK();
        },
        Qt::QueuedConnection);
    editor.OnAddText();
    app.textTool = saved;
    for (int i = 0; i < 50; ++i) editor.OnRight();
    for (int i = 0; i < 75; ++i) editor.OnDown();
    SaveShaped(&editor, dir, QStringLiteral("layer-editor.png"), written);
    editor.hide();
  }
  DeleteObject(picture);
  return written;
}
