// Quarter turns. Rows count from the top here.
#include <algorithm>
#include <cstring>

#include "retouch/engine/FxDibEffect.h"

namespace {

enum class Turn { Left, Right };

// Fixed pixel size so the per-pixel copy compiles to plain moves; square
// tiles keep the column reads of the source within the cache.
template <size_t B>
void CopyTurned(const FxDib& src, FxDib& dst, Turn turn) {
  constexpr int kTile = 64;
  const int w = src.Width(), h = src.Height();
  // The new image has h columns and w rows.
  for (int i0 = 0; i0 < w; i0 += kTile) {
    const int i1 = std::min(w, i0 + kTile);
    for (int j0 = 0; j0 < h; j0 += kTile) {
      const int j1 = std::min(h, j0 + kTile);
      for (int i = i0; i < i1; ++i) {
        uint8_t* out = dst.Row(i) + size_t(j0) * B;
        if (turn == Turn::Left) {
          // new (i, j) = old (j, w - 1 - i)
          const size_t col = size_t(w - 1 - i) * B;
          for (int j = j0; j < j1; ++j, out += B) std::memcpy(out, src.Row(j) + col, B);
        } else {
          // new (i, j) = old (h - 1 - j, i)
          const size_t col = size_t(i) * B;
          for (int j = j0; j < j1; ++j, out += B) std::memcpy(out, src.Row(h - 1 - j) + col, B);
        }
      }
    }
  }
}

}  // namespace

static bool TurnImage(FxDib& image, Turn turn) {
  if (image.IsEmpty() || image.BitsPerPixel() < 8) return false;
  // The unchanged picture moves aside; the image gets a fresh section.
  FxDib src;
  image.SwapPixels(src);
  const int w = src.Width(), h = src.Height();
  const FxDibHeader& sh = src.Header();
  const uint32_t masks[3] = {sh.redMask, sh.greenMask, sh.blueMask};
  if (!image.CreateSection(h, w, src.BitsPerPixel(), sh.info.biCompression, masks, false)) {
    image.SwapPixels(src);  // out of memory: keep the picture
    return false;
  }
  if (src.PaletteSize() > 0) {
    std::memcpy(image.Palette(), src.Palette(), size_t(src.PaletteSize()) * sizeof(RGBQUAD));
    image.PaletteChanged();
  }
  switch (src.BitsPerPixel()) {
    case 8: CopyTurned<1>(src, image, turn); break;
    case 16: CopyTurned<2>(src, image, turn); break;
    case 24: CopyTurned<3>(src, image, turn); break;
    default: CopyTurned<4>(src, image, turn); break;
  }
  return true;
}

bool FxDibEffect::TurnLeft() { return TurnImage(*this, Turn::Left); }

bool FxDibEffect::TurnRight() { return TurnImage(*this, Turn::Right); }
