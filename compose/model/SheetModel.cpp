#include "compose/model/SheetModel.h"

#include <utility>

ComData DetachedCopy(const ComData& slot) {
  ComData copy = slot;
  copy.window.reset();
  return copy;
}

void RefreshSlot(ComData& slot) {
  if (slot.window) slot.window->MoveTo(slot.rect);
  if (slot.sticker) {
    GbImage base;
    // A record always has its plain picture with its sticker; fall back to
    // the sticker rather than lose the slot.
    if (ImageOfBitmap(slot.plain ? slot.plain : slot.sticker, base)) {
      if (slot.frame) {
        const SharedBitmap stretched = ResizeBitmap(slot.frame, GB_STICKER_WIDTH, GB_STICKER_HEIGHT, ResizeStretch);
        GbImage frame;
        if (ImageOfBitmap(stretched, frame)) PasteFrame(base, frame, AnchorTopLeft, 0, 0, slot.alpha, false);
      }
      if (SharedBitmap redrawn = BitmapOfImage(base)) slot.sticker = std::move(redrawn);
    }
    if (slot.window) slot.window->ShowBitmap(ResizeBitmap(slot.sticker, slot.Width(), slot.Height(), ResizeStretch));
  } else if (slot.window) {
    slot.window->ShowBitmap(ResizeBitmap(EmptySlotBitmap(), slot.Width(), slot.Height(), ResizeStretch));
  }
  if (slot.window) slot.window->Repaint();
}

void ClearSlot(ComData& slot) {
  slot.used = 0;
  const SharedBitmap empty = ResizeBitmap(EmptySlotBitmap(), slot.Width(), slot.Height(), ResizeResample);
  slot.sticker = empty;
  slot.plain = empty;
  slot.frame = empty;
  if (slot.window) {
    slot.window->ShowBitmap(empty);
    slot.window->Repaint();
  }
}

SheetModel::SheetModel(SlotWindowFactory factory) : factory_(std::move(factory)) {}

bool SheetModel::SetupLayout(int layout) {
  const std::vector<RECT>& rects = LayoutSlots(layout);
  if (rects.empty()) return false;
  slots_.clear();  // destroys the windows
  for (size_t i = 0; i < rects.size(); ++i) {
    ComData r;
    r.rect = rects[i];
    r.controlId = GB_SLOT_CONTROL_BASE + int(i);
    if (factory_) r.window = factory_(r.controlId, r.rect);
    slots_.push_back(std::move(r));
  }
  layout_ = layout;
  if (!Valid(selected_)) selected_ = 0;
  return true;
}

bool SheetModel::ChangeLayout(int layout) {
  if (layout == layout_ && !slots_.empty()) return false;
  if (LayoutSlots(layout).empty()) return false;
  std::vector<ComData> carry;
  for (const ComData& s : slots_)
    if (s.used == 1) carry.push_back(DetachedCopy(s));
  SetupLayout(layout);
  for (size_t i = 0; i < slots_.size() && i < carry.size(); ++i) PlaceRecord(std::move(carry[i]), int(i));
  return true;
}

std::vector<int> SheetModel::UsedSlots() const {
  std::vector<int> used;
  for (int i = 0; i < SlotCount(); ++i)
    if (slots_[size_t(i)].used == 1) used.push_back(i);
  return used;
}

void SheetModel::PlaceRecord(ComData r, int i) {
  ComData& slot = slots_[size_t(i)];
  r.window = slot.window;
  r.rect = slot.rect;
  r.controlId = slot.controlId;
  ::RefreshSlot(r);
  slot = std::move(r);
}

int SheetModel::PlaceInFirstFree(const ComposedSticker& sticker, bool frameOption, std::optional<int> alpha) {
  if (!sticker.sticker) return -1;
  for (int i = 0; i < SlotCount(); ++i) {
    ComData& slot = slots_[size_t(i)];
    if (slot.used != 0) continue;
    if (slot.window) {
      slot.window->ShowBitmap(ResizeBitmap(sticker.sticker, slot.Width(), slot.Height(), ResizeResample));
      slot.window->Repaint();
    }
    slot.sticker = sticker.sticker;
    slot.plain = sticker.plain;
    slot.used = 1;
    if (frameOption) slot.frame = sticker.frame;
    if (alpha) slot.alpha = *alpha;
    return i;
  }
  return -1;
}

void SheetModel::RefreshSlot(int i) {
  if (Valid(i)) ::RefreshSlot(slots_[size_t(i)]);
}

void SheetModel::ClearSlot(int i) {
  if (Valid(i)) ::ClearSlot(slots_[size_t(i)]);
}

void SheetModel::ClearAll() {
  for (ComData& s : slots_) ::ClearSlot(s);
}

bool SheetModel::SwapSlots(int a, int b) {
  if (!Valid(a) || !Valid(b) || a == b) return false;
  ComData& x = slots_[size_t(a)];
  ComData& y = slots_[size_t(b)];
  std::swap(x, y);
  // The windows and places stay where they were.
  std::swap(x.window, y.window);
  std::swap(x.rect, y.rect);
  std::swap(x.controlId, y.controlId);
  ::RefreshSlot(x);
  ::RefreshSlot(y);
  return true;
}

void SheetModel::Select(int i) {
  if (Valid(i)) selected_ = i;
}

void SheetModel::SlotClick(int i) {
  if (!Valid(i) || dragging_) return;
  dragging_ = true;
  selected_ = i;
}

void SheetModel::SlotDrop(int j) {
  if (!Valid(j) || !dragging_) return;
  if (j != selected_) SwapSlots(selected_, j);
  dragging_ = false;
}

void SheetModel::CopySlot(int i) {
  if (Valid(i)) copy_ = DetachedCopy(slots_[size_t(i)]);
}

void SheetModel::PasteSlot(int i) {
  if (Valid(i)) PlaceRecord(DetachedCopy(copy_), i);
}

bool SheetModel::ApplyFrameToAll(int i) {
  if (!Valid(i) || slots_[size_t(i)].edited != 0) return false;
  const SharedBitmap frame = slots_[size_t(i)].frame;
  GbImage picture;
  const bool hasFrame = ImageOfBitmap(frame, picture);
  for (int j = 0; j < SlotCount(); ++j) {
    ComData& slot = slots_[size_t(j)];
    if (j == i || slot.used != 1) continue;
    // Each slot gets a bitmap of its own.
    slot.frame = hasFrame ? BitmapOfImage(picture) : nullptr;
    ::RefreshSlot(slot);
  }
  return true;
}

bool SheetModel::SetEditedPicture(int i, const SharedBitmap& picture) {
  if (!Valid(i) || !picture) return false;
  ComData& slot = slots_[size_t(i)];
  slot.sticker = picture;
  slot.plain = picture;
  slot.frame = EmptySlotBitmap();
  slot.edited = 1;
  ::RefreshSlot(slot);
  return true;
}

bool SheetModel::BuildSheetImage(GbImage& sheet) const {
  GbImage base;
  if (!MakeSheetBase(base) ||
      !base.ResampleInterpolated(GB_SHEET_WIDTH, GB_SHEET_HEIGHT, GbImage::kCatmullRom, GbImage::kRepeat))
    return false;
  for (const ComData& s : slots_) {
    if (!s.sticker) continue;  // never filled: the black shows
    GbImage sticker;
    if (!ImageOfBitmap(s.sticker, sticker)) continue;
    if (!sticker.ResampleInterpolated(s.Width(), s.Height(), GbImage::kCatmullRom, GbImage::kRepeat)) continue;
    base.PasteFrom(sticker, long(s.rect.left) - GB_SHEET_ORIGIN_X,
                   GB_SHEET_HEIGHT - (long(s.rect.bottom) - GB_SHEET_ORIGIN_Y));
  }
  return sheet.TakeOver(base);
}

SharedBitmap SheetModel::BuildSheet() const {
  GbImage sheet;
  return BuildSheetImage(sheet) ? BitmapOfImage(sheet) : nullptr;
}
