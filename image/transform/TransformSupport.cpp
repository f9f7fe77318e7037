#include "image/transform/TransformSupport.h"

#include <cstring>
#include <new>
#include <vector>

namespace gbtransform {

bool StartResult(GbImage& self, GbImage& out, uint32_t width, uint32_t height, uint32_t bpp) {
  out.CopySettingsFrom(self);
  if (!out.Create(width, height, bpp, self.FileType())) {
    self.SetLastError(out.LastError());
    return false;
  }
  const uint32_t n =
      out.PaletteEntryCount() < self.PaletteEntryCount() ? out.PaletteEntryCount() : self.PaletteEntryCount();
  if (n) out.SetPalette(self.Palette(), n);
  if (out.BitsPerPixel() == self.BitsPerPixel()) out.SetColorsImportant(self.ColorsImportant());
  // Resolution lives in both headers.
  BITMAPINFOHEADER& h = out.MutableHeader();
  h.biXPelsPerMeter = self.Header().biXPelsPerMeter;
  h.biYPelsPerMeter = self.Header().biYPelsPerMeter;
  auto* blockHeader = reinterpret_cast<BITMAPINFOHEADER*>(out.PackedDib());
  blockHeader->biXPelsPerMeter = h.biXPelsPerMeter;
  blockHeader->biYPelsPerMeter = h.biYPelsPerMeter;
  // Operations that stop early commit what they have; the rest (and the row
  // padding) must not be left as stale heap memory.
  std::memset(out.RowBits(0), 0, size_t(out.RowStride()) * out.Height());
  return true;
}

GbBuffer NewPlane(size_t n) { return GbBuffer::Allocate(n); }

bool AttachAlpha(GbImage& self, GbImage& out, uint8_t fill) {
  const size_t n = size_t(out.Width()) * out.Height();
  GbBuffer plane = NewPlane(n);
  if (!plane) {
    self.SetLastError(kNoMemory);
    return false;
  }
  std::memset(plane, fill, n);
  out.AdoptAlphaPlane(std::move(plane));
  return true;
}

bool AttachSelection(GbImage& self, GbImage& out, uint8_t fill) {
  const size_t n = size_t(out.Width()) * out.Height();
  GbBuffer plane = NewPlane(n);
  if (!plane) {
    self.SetLastError(kNoMemory);
    return false;
  }
  std::memset(plane, fill, n);
  out.AdoptSelectionPlane(std::move(plane));
  return true;
}

bool Commit(GbImage& self, GbImage* destination, GbImage& result) {
  GbImage& target = destination ? *destination : self;
  return target.TakeOver(result, true);
}

bool CopyInto(GbImage& self, GbImage* destination) {
  if (!destination || destination == &self) return true;
  if (destination->CopyFrom(self, true, true, true)) return true;
  self.SetLastError(destination->LastError());
  return false;
}

void NearestAlpha(const GbImage& self, GbImage& out, double xs, double ys) {
  const uint8_t* src = self.AlphaPlane();
  uint8_t* dst = out.AlphaPlane();
  if (!src || !dst) return;
  const long w = long(self.Width()), h = long(self.Height());
  const long nw = long(out.Width()), nh = long(out.Height());
  std::vector<long> sx(static_cast<size_t>(nw));
  for (long x = 0; x < nw; ++x) {
    const long v = long(double(x) * xs);
    sx[size_t(x)] = v < w ? v : w - 1;
  }
  for (long y = 0; y < nh; ++y) {
    long sy = long(double(y) * ys);
    if (sy >= h) sy = h - 1;
    const uint8_t* s = src + size_t(sy) * size_t(w);
    uint8_t* d = dst + size_t(y) * size_t(nw);
    for (long x = 0; x < nw; ++x) d[x] = s[sx[size_t(x)]];
  }
}

}  // namespace gbtransform
