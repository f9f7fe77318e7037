// The sheet panel of the main window: slot windows, layout buttons,
// dragging one slot onto another, the double-click into the photo editor and
// the "Combination" menu.
#include <QApplication>
#include <QBitmap>
#include <QMouseEvent>

#include "compose/window/DlgFacecraft.h"
#include "compose/window/MainWindowArt.h"
#include "compose/window/PictureViews.h"
#include "skin/CSkinMenu.h"
#include "skin/GbSkinButton.h"
#include "skin/SkStatic.h"

std::shared_ptr<SlotWindow> DlgFacecraft::MakeSlotWindow(int controlId, const RECT& rect) {
  auto* widget = new SlotPicture(this);
  Place(widget, controlId,
        QRect(int(rect.left), int(rect.top), int(rect.right - rect.left), int(rect.bottom - rect.top)));
  widget->onPress = [this](SlotPicture* s, QMouseEvent* e) { SlotPressed(s, e); };
  widget->onRelease = [this](SlotPicture* s, QMouseEvent* e) { SlotReleased(s, e); };
  widget->onDoubleClick = [this](SlotPicture* s, QMouseEvent* e) { SlotDoubleClicked(s, e); };
  if (overlay_) overlay_->raise();
  return std::make_shared<SlotPictureWindow>(widget);
}

SlotPicture* DlgFacecraft::SlotWidget(int slot) const {
  if (!sheet_ || slot < 0 || slot >= sheet_->SlotCount()) return nullptr;
  auto* window = dynamic_cast<SlotPictureWindow*>(sheet_->Slot(slot).window.get());
  return window ? window->Widget() : nullptr;
}

int DlgFacecraft::SlotOf(const QWidget* widget) const {
  for (int i = 0; i < sheet_->SlotCount(); ++i)
    if (SlotWidget(i) == widget) return i;
  return -1;
}

int DlgFacecraft::SlotAt(const QPoint& globalPos) const {
  const QPoint local = mapFromGlobal(globalPos);
  for (int i = 0; i < sheet_->SlotCount(); ++i) {
    SlotPicture* w = SlotWidget(i);
    if (w && w->isVisible() && w->geometry().contains(local)) return i;
  }
  return -1;
}

void DlgFacecraft::SetDragCursor(bool on) {
  if (on == dragCursor_) return;
  dragCursor_ = on;
  if (!on) {
    unsetCursor();
    for (int i = 0; i < sheet_->SlotCount(); ++i)
      if (SlotPicture* w = SlotWidget(i)) w->unsetCursor();
    return;
  }
  // 16 x 16 with white see-through, hot spot at the top-left corner.
  static const QCursor drag = [] {
    const QImage picture = MainArt::DragCursorPicture();
    QPixmap pixmap = QPixmap::fromImage(picture);
    pixmap.setMask(QBitmap::fromImage(picture.createMaskFromColor(qRgb(255, 255, 255), Qt::MaskInColor)));
    return QCursor(pixmap, 0, 0);
  }();
  setCursor(drag);
  for (int i = 0; i < sheet_->SlotCount(); ++i)
    if (SlotPicture* w = SlotWidget(i)) w->setCursor(drag);
}

void DlgFacecraft::SlotPressed(SlotPicture* slot, QMouseEvent* event) {
  const int i = SlotOf(slot);
  if (i < 0) return;
  if (event->button() == Qt::LeftButton) {
    const bool wasDragging = sheet_->Dragging();
    sheet_->SlotClick(i);
    if (!wasDragging) SetDragCursor(true);
    return;
  }
  if (event->button() == Qt::RightButton) {
    sheet_->Select(i);
    CSkinMenu menu;
    menu.BuildFromResource(kCombinationMenu, 0);
    openMenu_ = &menu;
    // The chosen command reaches the command table as a click.
    menu.Track(event->globalPosition().toPoint(), this);
    openMenu_ = nullptr;
  }
}

void DlgFacecraft::SlotReleased(SlotPicture* slot, QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || SlotOf(slot) < 0) return;
  // The press captured the mouse, so the release comes to the slot it began
  // on; the drop belongs to the slot under the pointer.
  const int j = SlotAt(event->globalPosition().toPoint());
  if (j < 0 || !sheet_->Dragging()) return;  // outside every slot: still dragging
  const int s = sheet_->SelectedSlot();
  const bool change =
      j != s && (sheet_->Slot(s).used || sheet_->Slot(j).used || sheet_->Slot(s).sticker || sheet_->Slot(j).sticker);
  sheet_->SlotDrop(j);
  if (change) MarkDirty();
  SetDragCursor(false);
}

void DlgFacecraft::SlotDoubleClicked(SlotPicture* slot, QMouseEvent* event) {
  const int i = SlotOf(slot);
  if (i < 0 || event->button() != Qt::LeftButton || sheet_->Slot(i).used != 1) return;
  // The click of the double-click started a drag; the editor ends it.
  if (sheet_->Dragging()) sheet_->SlotDrop(sheet_->SelectedSlot());
  SetDragCursor(false);
  if (!hooks_.editPicture) return;
  // The record keeps its pictures until the editor hands a new one back.
  const SharedBitmap sticker = sheet_->Slot(i).sticker;
  const std::optional<SharedBitmap> edited = hooks_.editPicture(sticker);
  if (i >= sheet_->SlotCount()) return;
  if (edited && *edited) {
    if (sheet_->SetEditedPicture(i, *edited)) MarkDirty();
  } else {
    sheet_->RefreshSlot(i);
  }
}

// ---- layouts ----------------------------------------------------------------------------------

void DlgFacecraft::SyncLayoutButtons() {
  for (int k = 0; k < int(layoutButtons_.size()); ++k) layoutButtons_[size_t(k)]->SetChecked(k == sheet_->Layout());
  panelView_->SetPicture(MainArt::LayoutPicture(sheet_->Layout()));
  if (overlay_) overlay_->raise();
}

void DlgFacecraft::OnLayout(int id) {
  const int k = id - kLayout0;
  const bool hadStickers = !sheet_->UsedSlots().empty();
  // The current layout's button stays checked and nothing changes.
  if (k != sheet_->Layout() && sheet_->ChangeLayout(k) && hadStickers) MarkDirty();
  if (sheet_->Dragging()) SetDragCursor(false);
  SyncLayoutButtons();
}

// ---- the "Combination" menu --------------------------------------------------------------------

void DlgFacecraft::OnMenuCopy() { sheet_->CopySlot(sheet_->SelectedSlot()); }

void DlgFacecraft::OnMenuPaste() {
  sheet_->PasteSlot(sheet_->SelectedSlot());
  MarkDirty();
}

void DlgFacecraft::OnMenuRemove() {
  if (sheet_->Slot(sheet_->SelectedSlot()).used) MarkDirty();
  sheet_->ClearSlot(sheet_->SelectedSlot());
}

void DlgFacecraft::OnMenuClear() {
  if (!sheet_->UsedSlots().empty()) MarkDirty();
  sheet_->ClearAll();
}

void DlgFacecraft::OnMenuToEditArea() {
  const ComData& slot = sheet_->Slot(sheet_->SelectedSlot());
  if (slot.used != 1) return;
  if (live_) {
    // The live preview takes the slot's frame as its overlay.
    if (slot.frame && hooks_.capture.showOverlayPicture) hooks_.capture.showOverlayPicture(slot.frame, 9);
    return;
  }
  GbImage plain, frame;
  if (!ImageOfBitmap(slot.plain ? slot.plain : slot.sticker, plain)) return;
  photo_.TakeOver(plain);
  if (ImageOfBitmap(slot.frame, frame)) {
    frame_.TakeOver(frame);
    ShowFrame(frame_);
  }
  // The plain picture is the whole sticker area: the photo window covers it again.
  photoView_->setGeometry(frameView_->geometry());
  tracker_ = photoView_->geometry();
  ShowPhoto();
  SetTrackerVisible(true);
}

void DlgFacecraft::OnMenuApplyToAll() {
  if (sheet_->ApplyFrameToAll(sheet_->SelectedSlot()) && sheet_->UsedSlots().size() > 1) MarkDirty();
}
