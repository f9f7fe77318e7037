// The selection plane of GbImage and its bounding box. Values are selection
// levels (0 = not selected); the box in the record bounds the non-zero values
// as left <= x < right, bottom <= y < top.
#include <algorithm>
#include <cstring>
#include <new>

#include "image/core/GbImage.h"
#include "platform/LargeBlock.h"
#include "image/core/PlaneRows.h"

namespace {

void SetEmptyBox(ImageInfo& info, long width, long height) {
  info.selLeft = int32_t(width);
  info.selTop = 0;
  info.selRight = 0;
  info.selBottom = int32_t(height);
}

void SetFullBox(ImageInfo& info, long width, long height) {
  info.selLeft = 0;
  info.selTop = int32_t(height);
  info.selRight = int32_t(width);
  info.selBottom = 0;
}

long long Clamp(long long v, long long hi) { return v < 0 ? 0 : v > hi ? hi : v; }

}  // namespace

bool GbImage::CreateSelection() {
  if (!block_) return false;  // a plane must match existing pixels
  AdoptSelectionPlane(nullptr);
  const size_t size = size_t(Width()) * Height();
  GbBuffer plane = GbBuffer::Allocate(size);
  if (!plane) return false;
  std::memset(plane, 0, size);
  AdoptSelectionPlane(std::move(plane));
  SetEmptyBox(info_, Width(), Height());
  return selection_ != nullptr;
}

bool GbImage::DeleteSelection() {
  AdoptSelectionPlane(nullptr);
  SetEmptyBox(info_, Width(), Height());
  return true;
}

bool GbImage::ClearSelection(uint8_t level) {
  if (!selection_) return false;
  std::memset(selection_, level, size_t(Width()) * Height());
  if (level)
    SetFullBox(info_, Width(), Height());
  else
    SetEmptyBox(info_, Width(), Height());
  return true;
}

bool GbImage::SelectionContains(long x, long y) const {
  if (!Contains(x, y)) return false;
  return !selection_ || selection_[size_t(y) * Width() + size_t(x)] != 0;
}

bool GbImage::AddRectToSelection(RECT rect, uint8_t level) {
  if (!selection_ && !CreateSelection()) return false;
  const long long w = Width(), h = Height();
  const long long left = std::min<long long>(rect.left, rect.right);
  const long long right = std::max<long long>(rect.left, rect.right);
  const long long bottom = std::min<long long>(rect.top, rect.bottom);
  const long long top = std::max<long long>(rect.top, rect.bottom);

  const long long x0 = Clamp(left, w), x1 = Clamp(right + 1, w);
  const long long y0 = Clamp(bottom, h), y1 = Clamp(top + 1, h);
  if (info_.selTop <= top) info_.selTop = int32_t(y1);
  if (info_.selLeft > left) info_.selLeft = int32_t(x0);
  if (info_.selRight <= right) info_.selRight = int32_t(x1);
  if (info_.selBottom > bottom) info_.selBottom = int32_t(y0);

  if (x1 > x0) {
    for (long long y = y0; y < y1; ++y) std::memset(selection_ + size_t(y * w + x0), level, size_t(x1 - x0));
  }
  return true;
}

bool GbImage::SelectionSet(const GbImage& grey) {
  if (!grey.IsGreyScale() || grey.Width() != Width() || grey.Height() != Height()) {
    SetLastError("GbImage::SelectionSet: wrong width or height, or image is not gray scale");
    return false;
  }
  if (!selection_) CreateSelection();
  if (!block_ || !grey.block_ || !selection_) {
    SetLastError("GbImage::SelectionSet: null pointer");
    return false;
  }
  const size_t width = Width();
  for (uint32_t y = 0; y < Height(); ++y) std::memcpy(selection_ + y * width, grey.RowBits(y), width);
  RebuildSelectionBox();
  return true;
}

void GbImage::WriteSelection(long x, long y, uint8_t level) {
  if (selection_ && Contains(x, y)) selection_[size_t(y) * Width() + size_t(x)] = level;
}

uint8_t* GbImage::SelectionPointer(long x, long y) const {
  if (!selection_ || !Contains(x, y)) return nullptr;
  return selection_ + size_t(y) * Width() + size_t(x);
}

void GbImage::RebuildSelectionBox() {
  const long width = Width(), height = Height();
  SetEmptyBox(info_, width, height);
  if (!selection_) return;
  long minX = width, maxX = -1, minY = height, maxY = -1;
  for (long y = 0; y < height; ++y) {
    const uint8_t* row = selection_ + size_t(y) * size_t(width);
    long first = 0;
    while (first < width && !row[first]) ++first;
    if (first == width) continue;
    long last = width - 1;
    while (!row[last]) --last;
    minX = std::min(minX, first);
    maxX = std::max(maxX, last);
    if (minY == height) minY = y;
    maxY = y;
  }
  if (maxY < 0) return;  // nothing selected: the empty box stands
  info_.selLeft = int32_t(minX);
  info_.selRight = int32_t(maxX + 1);
  info_.selBottom = int32_t(minY);
  info_.selTop = int32_t(maxY + 1);
}

bool GbImage::SplitSelection(GbImage* destination) {
  if (!destination || !selection_) return false;
  GbImage grey(FileType());
  if (!grey.Create(Width(), Height(), 8, FileType())) {
    SetLastError(grey.LastError());
    return false;
  }
  grey.SetGreyPalette();
  const size_t width = Width();
  const size_t pad = grey.RowStride() - width;
  for (uint32_t y = 0; y < Height(); ++y) {
    uint8_t* row = grey.RowBits(y);
    std::memcpy(row, selection_ + y * width, width);
    if (pad) std::memset(row + width, 0, pad);
  }
  return destination->TakeOver(grey, true);
}

bool GbImage::CopySelectionFrom(const GbImage& source) {
  if (&source == this) return selection_ != nullptr;
  if (!source.selection_ || source.Width() != Width() || source.Height() != Height()) return false;
  if (!selection_ && !CreateSelection()) return false;
  std::memcpy(selection_, source.selection_, size_t(Width()) * Height());
  info_.selLeft = source.info_.selLeft;
  info_.selTop = source.info_.selTop;
  info_.selRight = source.info_.selRight;
  info_.selBottom = source.info_.selBottom;
  return true;
}

bool GbImage::FlipSelection() {
  if (!selection_ || !gbplane::FlipRows(selection_, Width(), Height())) return false;
  const int32_t h = int32_t(Height());
  const int32_t top = info_.selTop, bottom = info_.selBottom;
  info_.selBottom = h - top;
  info_.selTop = h - bottom;
  return true;
}

bool GbImage::MirrorSelection() {
  if (!selection_) return false;
  gbplane::MirrorRows(selection_, Width(), Height());
  const int32_t w = int32_t(Width());
  const int32_t left = info_.selLeft, right = info_.selRight;
  info_.selLeft = w - right;
  info_.selRight = w - left;
  return true;
}
