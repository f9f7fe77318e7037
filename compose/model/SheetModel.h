// The sheet: the slot records of the current layout and the commands that
// change them (placing a sticker, refreshing and clearing slots, layout
// changes, swap, copy and paste, "Apply to all"), and the sheet picture.
// Slot windows are attached by whoever shows the sheet, through a factory;
// without one, every command works on the records alone.
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "compose/model/ComposeSticker.h"
#include "compose/model/Composition.h"
#include "compose/model/SheetLayouts.h"

// A slot's picture window, as the model sees it.
class SlotWindow {
 public:
  virtual ~SlotWindow() = default;
  virtual void MoveTo(const RECT& rect) = 0;
  // Shows the bitmap (already at the slot's size); null shows nothing.
  virtual void ShowBitmap(const SharedBitmap& bitmap) = 0;
  virtual void Repaint() = 0;
};
// Makes the window of a new slot (control id 65520 + slot index). Dropping
// the last reference destroys it.
using SlotWindowFactory = std::function<std::shared_ptr<SlotWindow>(int controlId, const RECT& rect)>;

// One slot of the sheet. Copies share the bitmaps (they are not duplicated).
struct ComData {
  std::shared_ptr<SlotWindow> window;  // only records of the slot array hold one
  RECT rect{};                         // main-window client coordinates
  int used = 0;
  SharedBitmap sticker;  // frame applied, sticker size
  SharedBitmap plain;    // without the frame
  SharedBitmap frame;    // at its own size; null or the empty-slot picture without a frame
  int controlId = 0;
  int alpha = 255;
  int edited = 0;

  int Width() const { return int(rect.right - rect.left); }
  int Height() const { return int(rect.bottom - rect.top); }
};

// Redraws a record's sticker from its plain picture and frame (the frame
// stretched to 320 x 240 and laid over with the record's alpha) and shows it
// in the record's window when it has one.
void RefreshSlot(ComData& slot);
// Empties a record: used 0, and the empty-slot picture at the slot's size as
// sticker, plain and frame (a cleared slot shows white on the sheet).
void ClearSlot(ComData& slot);

class SheetModel {
 public:
  explicit SheetModel(SlotWindowFactory factory = {});

  // Replaces every slot (destroying the windows) by the empty records of
  // layout k. False, with nothing changed, for k outside 0..4.
  bool SetupLayout(int layout);
  // The layout buttons: the used stickers move, in order and without gaps,
  // into the new layout's first slots; those beyond its slot count are
  // dropped. False when k is the current layout or not a layout.
  bool ChangeLayout(int layout);
  int Layout() const { return layout_; }

  int SlotCount() const { return int(slots_.size()); }
  ComData& Slot(int i) { return slots_.at(size_t(i)); }
  const ComData& Slot(int i) const { return slots_.at(size_t(i)); }
  std::vector<int> UsedSlots() const;

  // A composed sticker into the lowest free slot; its index, or -1 when
  // every slot is used (the sticker is dropped). The frame is taken only
  // with the frame option; alpha is set when given (the add command).
  int PlaceInFirstFree(const ComposedSticker& sticker, bool frameOption, std::optional<int> alpha);

  void RefreshSlot(int i);
  void ClearSlot(int i);
  void ClearAll();

  // Swaps the contents of two slots; each keeps its window and place.
  bool SwapSlots(int a, int b);
  // The click and drop of dragging: a click selects a slot and starts
  // dragging; a drop on another slot swaps the two and ends dragging.
  void SlotClick(int i);
  void SlotDrop(int j);
  bool Dragging() const { return dragging_; }
  int SelectedSlot() const { return selected_; }
  void Select(int i);

  // "Copy" and "Paste" of the context menu (bitmaps shared, not copied).
  void CopySlot(int i);
  void PasteSlot(int i);
  const ComData& CopyRecord() const { return copy_; }
  // "Apply to all": slot i's frame onto every other used slot, each with its
  // own alpha. Nothing happens when slot i's picture was edited.
  bool ApplyFrameToAll(int i);
  // The photo editor's OK: the edited picture becomes sticker and plain, the
  // frame the empty-slot picture.
  bool SetEditedPicture(int i, const SharedBitmap& picture);

  // The 364 x 276 sheet: black, with every slot that has a sticker resampled
  // into its rectangle (a cleared slot white, a never-filled one black).
  bool BuildSheetImage(GbImage& sheet) const;
  SharedBitmap BuildSheet() const;

 private:
  // Places record r into slot i: r takes the slot's window, place and id.
  void PlaceRecord(ComData r, int i);
  bool Valid(int i) const { return i >= 0 && i < SlotCount(); }

  SlotWindowFactory factory_;
  std::vector<ComData> slots_;
  ComData copy_;
  int layout_ = 0;
  int selected_ = 0;
  bool dragging_ = false;
};

// A record without its window, as the carry array and the copy record hold it.
ComData DetachedCopy(const ComData& slot);
