#include "skin/SkinResources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <map>
#include <mutex>

#include "skin/SkinArt.h"

namespace {

// clang-format off
const std::vector<SkinResource> kTable = {
  // Window backgrounds; magenta outside each outline.
  {275, SkinResKind::Bitmap, "main_window.png", 800, 600, "main window"},
  {342, SkinResKind::Bitmap, "photo_editor.png", 800, 400, "photo editor"},
  {447, SkinResKind::Bitmap, "effects.png", 420, 400, "effects dialog"},
  {477, SkinResKind::Bitmap, "configure.png", 500, 400, "template configuration"},
  {340, SkinResKind::Bitmap, "asset_browser.png", 698, 536, "asset browser"},
  {178, SkinResKind::Bitmap, "layer_editor.png", 500, 410, "layer editor"},
  {305, SkinResKind::Bitmap, "save_picture.png", 640, 550, "save picture"},
  {475, SkinResKind::Bitmap, "print.png", 800, 600, "print"},
  {254, SkinResKind::Bitmap, "about.png", 394, 234, "about box"},
  {kResGalleryBackground, SkinResKind::Bitmap, "gallery.png", 760, 560, "control gallery"},
  // Combo box: face, drop button, end caps.
  {227, SkinResKind::Bitmap, "combo_face.png", 40, 17, "combo box face"},
  {229, SkinResKind::Bitmap, "combo_button.png", 17, 17, "combo box drop button"},
  {230, SkinResKind::Bitmap, "combo_cap.png", 3, 17, "combo box end caps"},
  // Message box.
  {263, SkinResKind::Bitmap, "msgbox_title.png", 64, 26, "message box title strip"},
  {265, SkinResKind::Bitmap, "msgbox_tile.png", 64, 40, "message box background tile"},
  {257, SkinResKind::Icon, "icon_error.png", 32, 32, "message box: error"},
  {258, SkinResKind::Icon, "icon_warning.png", 32, 32, "message box: warning"},
  {259, SkinResKind::Icon, "icon_question.png", 32, 32, "message box: question"},
  {260, SkinResKind::Icon, "icon_information.png", 32, 32, "message box: information"},
  {261, SkinResKind::Icon, "close_small_hot.png", 16, 16, "message box close, hover"},
  {262, SkinResKind::Icon, "close_small.png", 16, 16, "message box close"},
  // Layer editor.
  {509, SkinResKind::Bitmap, "button60_hover.png", 60, 23, "text button, hover"},
  {510, SkinResKind::Bitmap, "button60.png", 60, 23, "text button, normal and pressed"},
  {511, SkinResKind::Bitmap, "button60_mask.png", 60, 23, "text button outline (white outside)"},
  {527, SkinResKind::Bitmap, "thumb_frame_pressed.png", 71, 53, "thumbnail slot, pressed"},
  {528, SkinResKind::Bitmap, "thumb_frame.png", 71, 53, "thumbnail slot, normal"},
  {533, SkinResKind::Bitmap, "cursor_drag.png", 32, 32, "dragging cursor (white see-through)"},
  {534, SkinResKind::Bitmap, "cursor_over.png", 32, 32, "over-layer cursor (white see-through)"},
  {197, SkinResKind::Icon, "prev_hot.png", 40, 40, "previous page, hover"},
  {202, SkinResKind::Icon, "prev.png", 40, 40, "previous page"},
  {201, SkinResKind::Icon, "next_hot.png", 40, 40, "next page, hover"},
  {200, SkinResKind::Icon, "next.png", 40, 40, "next page"},
  {206, SkinResKind::Icon, "arrow_left_hot.png", 28, 28, "move left, hover"},
  {205, SkinResKind::Icon, "arrow_left.png", 28, 28, "move left"},
  {210, SkinResKind::Icon, "arrow_up_hot.png", 28, 28, "move up, hover"},
  {209, SkinResKind::Icon, "arrow_up.png", 28, 28, "move up"},
  {204, SkinResKind::Icon, "arrow_down_hot.png", 28, 28, "move down, hover"},
  {203, SkinResKind::Icon, "arrow_down.png", 28, 28, "move down"},
  {208, SkinResKind::Icon, "arrow_right_hot.png", 28, 28, "move right, hover"},
  {207, SkinResKind::Icon, "arrow_right.png", 28, 28, "move right"},
  {199, SkinResKind::Icon, "picture_hot.png", 18, 18, "replace image, hover"},
  {198, SkinResKind::Icon, "picture.png", 18, 18, "replace image"},
  {313, SkinResKind::Icon, "close_hot.png", 20, 20, "window close, hover"},
  {312, SkinResKind::Icon, "close.png", 20, 20, "window close"},
  {128, SkinResKind::Icon, "app.png", 32, 32, "program icon"},
  // Text dialog.
  {152, SkinResKind::Icon, "ok.png", 16, 16, "OK"},
  {153, SkinResKind::Icon, "cancel.png", 16, 16, "Cancel"},
  {156, SkinResKind::Icon, "font.png", 16, 16, "font picker"},
  {157, SkinResKind::Icon, "colour.png", 16, 16, "colour picker"},
  // The kit's own.
  {kResSliderChannel, SkinResKind::Bitmap, "slider_channel.png", 160, 20, "slider channel"},
  {kResSliderChannelActive, SkinResKind::Bitmap, "slider_channel_active.png", 160, 20, "slider channel before the thumb"},
  {kResSliderThumb, SkinResKind::Bitmap, "slider_thumb.png", 14, 20, "slider thumb"},
  {kResSliderThumbActive, SkinResKind::Bitmap, "slider_thumb_active.png", 14, 20, "slider thumb while dragged"},
  {kResSkinButtonNormal, SkinResKind::Bitmap, "button_normal.png", 88, 26, "text button"},
  {kResSkinButtonHover, SkinResKind::Bitmap, "button_hover.png", 88, 26, "text button, hover"},
  {kResSkinButtonPressed, SkinResKind::Bitmap, "button_pressed.png", 88, 26, "text button, pressed or checked"},
  {kResSkinButtonDisabled, SkinResKind::Bitmap, "button_disabled.png", 88, 26, "text button, disabled"},
  {kResSkinButtonMask, SkinResKind::Bitmap, "button_mask.png", 88, 26, "text button outline"},
  {kResCheckNormal, SkinResKind::Icon, "check.png", 16, 16, "check box"},
  {kResCheckChecked, SkinResKind::Icon, "check_on.png", 16, 16, "check box, checked"},
  {kResRadioNormal, SkinResKind::Icon, "radio.png", 16, 16, "radio button"},
  {kResRadioChecked, SkinResKind::Icon, "radio_on.png", 16, 16, "radio button, checked"},
};
// clang-format on

std::mutex g_mutex;
QString g_dir;
std::map<int, QImage> g_cache;

QImage Load(int id) {
  const SkinResource* res = FindSkinResource(id);
  if (!res) return {};
  {
    std::lock_guard lock(g_mutex);
    auto it = g_cache.find(id);
    if (it != g_cache.end()) return it->second;
  }
  QImage image(QDir(SkinAssetsDir()).filePath(QString::fromLatin1(res->file)));
  if (image.isNull()) image = DrawSkinResource(id);
  image = image.convertToFormat(res->kind == SkinResKind::Icon ? QImage::Format_ARGB32_Premultiplied
                                                               : QImage::Format_RGB32);
  std::lock_guard lock(g_mutex);
  g_cache[id] = image;
  return image;
}

}  // namespace

const std::vector<SkinResource>& SkinResourceTable() { return kTable; }

const SkinResource* FindSkinResource(int id) {
  for (const auto& r : kTable)
    if (r.id == id) return &r;
  return nullptr;
}

QString SkinAssetsDir() {
  {
    std::lock_guard lock(g_mutex);
    if (!g_dir.isEmpty()) return g_dir;
  }
  const QByteArray env = qgetenv("GLIMMERBOX_SKIN_DIR");
  if (!env.isEmpty()) return QString::fromLocal8Bit(env);
  if (QCoreApplication::instance()) {
    const QString appDir = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {appDir + "/skin", appDir + "/../share/glimmerbox/skin"}) {
      if (QFileInfo(candidate).isDir()) return QDir::cleanPath(candidate);
    }
  }
  return QStringLiteral(GB_SOURCE_SKIN_DIR);
}

void SetSkinAssetsDir(const QString& dir) {
  std::lock_guard lock(g_mutex);
  g_dir = dir;
  g_cache.clear();
}

QImage LoadSkinBitmap(int id) { return Load(id); }
QImage LoadSkinIcon(int id) { return Load(id); }

QImage DrawSkinResource(int id) {
  const SkinResource* res = FindSkinResource(id);
  if (!res) return {};
  return SkinArt::Draw(*res);
}
