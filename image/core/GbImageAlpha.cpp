// The alpha plane of GbImage: one opacity byte per pixel, unpadded rows,
// bottom row first. Whole-plane work goes row by row through memcpy/memset.
#include <cstring>
#include <utility>

#include "image/core/GbImage.h"
#include "image/core/PlaneRows.h"

bool GbImage::CreateAlpha() {
  if (alpha_) return true;
  if (!block_) return false;  // a plane must match existing pixels
  const size_t size = size_t(Width()) * Height();
  GbBuffer plane = GbBuffer::Allocate(size);
  if (!plane) return false;
  std::memset(plane, 255, size);
  AdoptAlphaPlane(std::move(plane));
  return alpha_ != nullptr;
}

void GbImage::DeleteAlpha() { AdoptAlphaPlane(nullptr); }

bool GbImage::FillAlpha(uint8_t level) {
  if (!alpha_) return false;
  std::memset(alpha_, level, size_t(Width()) * Height());
  return true;
}

bool GbImage::InvertAlpha() {
  if (!alpha_) return false;
  const size_t size = size_t(Width()) * Height();
  for (size_t i = 0; i < size; ++i) alpha_[i] = uint8_t(255 - alpha_[i]);
  return true;
}

bool GbImage::CopyAlphaFrom(const GbImage& source) {
  if (&source == this) return alpha_ != nullptr;
  if (!source.alpha_ || source.Width() != Width() || source.Height() != Height()) return false;
  if (!alpha_ && !CreateAlpha()) return false;
  std::memcpy(alpha_, source.alpha_, size_t(Width()) * Height());
  info_.alphaMax = source.info_.alphaMax;
  return true;
}

bool GbImage::AlphaFromImage(const GbImage& grey) {
  if (!grey.block_ || !grey.IsGreyScale() || grey.Width() != Width() || grey.Height() != Height()) return false;
  if (!alpha_ && !CreateAlpha()) return false;
  const size_t width = Width();
  for (uint32_t y = 0; y < Height(); ++y) std::memcpy(alpha_ + y * width, grey.RowBits(y), width);
  return true;
}

void GbImage::WriteAlpha(long x, long y, uint8_t level) {
  if (alpha_ && Contains(x, y)) alpha_[size_t(y) * Width() + size_t(x)] = level;
}

uint8_t GbImage::ReadAlpha(long x, long y) const {
  if (!alpha_ || !Contains(x, y)) return 0;
  return alpha_[size_t(y) * Width() + size_t(x)];
}

uint8_t* GbImage::AlphaPointer(long x, long y) const {
  if (!alpha_ || !Contains(x, y)) return nullptr;
  return alpha_ + size_t(y) * Width() + size_t(x);
}

bool GbImage::FlipAlpha() {
  if (!alpha_) return false;
  return gbplane::FlipRows(alpha_, Width(), Height());
}

bool GbImage::MirrorAlpha() {
  if (!alpha_) return false;
  gbplane::MirrorRows(alpha_, Width(), Height());
  return true;
}
