#include "skin/gallery/Screenshots.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <vector>

#include "skin/CSkinMenu.h"
#include "skin/CSkinSlider.h"
#include "skin/ComboWindow.h"
#include "skin/MessageBoxDlg.h"
#include "skin/SkComboBox.h"
#include "skin/gallery/SkinGallery.h"
#include "skin/WindowShot.h"

namespace {

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// Pastes pop-up windows' pictures over their owner's at their relative places.
QImage Composite(QWidget* owner, const std::vector<QWidget*>& popups) {
  QImage base = GrabShaped(owner);
  QSize size = base.size();
  std::vector<std::pair<QPoint, QImage>> shots;
  for (QWidget* popup : popups) {
    const QPoint offset = popup->pos() - owner->pos();
    QImage shot = GrabShaped(popup);
    size = size.expandedTo(QSize(offset.x() + shot.width() + 3, offset.y() + shot.height() + 3));
    shots.emplace_back(offset, shot);
  }
  QImage out(size, QImage::Format_ARGB32);
  out.fill(Qt::transparent);
  QPainter p(&out);
  p.drawImage(0, 0, base);
  for (const auto& [offset, shot] : shots) {
    // A soft shadow under the pop-up.
    p.fillRect(QRect(offset + QPoint(3, 3), shot.size()), QColor(0, 0, 0, 40));
    p.drawImage(offset, shot);
  }
  return out;
}

void PressAndHold(QWidget* w, QPoint at) {
  QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
}

void Release(QWidget* w, QPoint at) {
  QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &release);
}

}  // namespace

QStringList WriteSkinScreenshots(const QString& dir) {
  QDir().mkpath(dir);
  QStringList written;
  auto save = [&](const QImage& img, const QString& name) {
    const QString path = QDir(dir).filePath(name);
    if (img.save(path)) written << path;
  };

  SkinGallery gallery;
  gallery.move(40, 40);
  gallery.show();
  Settle();
  // The dragged slider shows its active thumb.
  auto* dragged = gallery.ItemAs<CSkinSlider>(SkinGallery::kSliderDragged);
  const QPoint thumb(dragged->PosToPixel(dragged->GetPos()), dragged->height() / 2);
  PressAndHold(dragged, thumb);
  Settle();
  save(GrabShaped(&gallery), QStringLiteral("gallery.png"));

  // The drop-down list, open.
  SkComboBox* combo = gallery.Combo();
  combo->setFocus();
  combo->ShowDropDown(true);
  Settle();
  if (ComboWindow* drop = combo->DropDown()) {
    drop->HandleKey(Qt::Key_Down);
    drop->HandleKey(Qt::Key_Down);
    Settle();
    save(Composite(&gallery, {drop}), QStringLiteral("gallery_combo_open.png"));
  }
  combo->ShowDropDown(false);
  Release(dragged, thumb);
  Settle();

  // The popup menu, open with its submenu.
  CSkinMenuPro* menu = gallery.Menu();
  QTimer::singleShot(0, [&] {
    menu->KeyPress(Qt::Key_Down);
    menu->KeyPress(Qt::Key_Down);
    Settle();
    save(Composite(&gallery, {menu->Window()}), QStringLiteral("popup_menu.png"));
    // Walk to the submenu and open it.
    for (int i = 0; i < 5; ++i) menu->KeyPress(Qt::Key_Down);
    menu->KeyPress(Qt::Key_Right);
    Settle();
    if (CSkinMenu* sub = menu->OpenSubmenu()) {
      save(Composite(&gallery, {menu->Window(), sub->Window()}), QStringLiteral("popup_menu_submenu.png"));
    }
    menu->KeyPress(Qt::Key_Escape);
    menu->KeyPress(Qt::Key_Escape);
  });
  gallery.ShowMenu();

  // Message boxes in their button sets.
  struct Variant {
    const char* file;
    const char* text;
    const char* caption;
    UINT type;
  };
  const Variant variants[] = {
      {"msgbox_info_ok.png", "  The image saved successed!  ", "Save info", MB_OK | MB_ICONINFORMATION},
      {"msgbox_question_yesno.png", "Replace the sticker in this slot?", "", MB_YESNO | MB_ICONQUESTION},
      {"msgbox_warning_okcancel.png", "The folder has no pictures.\nChoose another folder?", "",
       MB_OKCANCEL | MB_ICONWARNING},
      {"msgbox_error_ok.png", "GbImage::Create can't allocate memory", "", MB_OK | MB_ICONERROR},
      {"msgbox_hi.png", "Hi", "", MB_OK},
  };
  for (const Variant& v : variants) {
    MessageBoxDlg box(QString::fromUtf8(v.text), v.type, QString::fromUtf8(v.caption), &gallery);
    box.show();
    Settle();
    save(GrabShaped(&box), QString::fromLatin1(v.file));
    box.done(IDCANCEL);
  }
  gallery.done(IDCANCEL);
  return written;
}
