// MetaRaster: the pixel work of the metafile player. Fills polygons (even-odd
// or winding), strokes lines with one-pixel cosmetic pens or wide pens,
// applies the sixteen binary and 256 ternary raster operations, stretches
// bitmaps and keeps the clipping mask. Works on 32-bit pixels (0x00RRGGBB),
// top row first, as held by the drawing stand-in's DIB section.
//
// Device coordinates: integer values are pixel centres. A polygon covers
// the pixels whose centre lies inside it (left and top edges included,
// right and bottom excluded), so a rectangle from (0, 0) to (10, 10) covers
// pixels 0 to 9, as the platform fills rectangles.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace meta {

struct PointF {
  double x = 0, y = 0;
};

// An open or closed run of points in device coordinates.
struct Figure {
  std::vector<PointF> points;
  bool closed = false;
};

// A picture held by a brush or drawn by a blit: top row first, 0xAARRGGBB.
struct Bitmap {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  bool hasAlpha = false;  // the top byte carries alpha (32-bit sources)
};

// How pixels are painted: a colour or a tiled pattern, through a binary
// raster operation (R2_* numbering, 13 = copy).
struct Paint {
  uint32_t colour = 0;  // 0x00RRGGBB
  int rop2 = 13;
  // A tiled pattern replaces the colour; entries with a zero top byte leave
  // the pixel alone (the gaps of a hatch drawn in transparent mode).
  std::shared_ptr<const Bitmap> pattern;
  int originX = 0, originY = 0;
};

// Bit patterns of dashed cosmetic pens: lengths of on and off runs.
struct Dashes {
  std::vector<int> runs;  // on, off, on, off ...
};

class Canvas {
 public:
  Canvas(uint32_t* pixels, int width, int height) : px_(pixels), width_(width), height_(height) {}
  int Width() const { return width_; }
  int Height() const { return height_; }

  // ---- clipping: the pixels that may change ---------------------------
  // A rectangle (right and bottom exclusive) and, within it, an optional
  // mask: rectangles, the common case, cost nothing per pixel or per record.
  struct ClipMask {
    bool active = false;
    int left = 0, top = 0, right = 0, bottom = 0;
    std::shared_ptr<const std::vector<uint8_t>> mask;  // width * height, non-zero inside
  };
  ClipMask Clip() const { return clip_; }
  void SetClip(ClipMask clip) { clip_ = std::move(clip); }
  // Rectangles in device pixels, right and bottom exclusive.
  void IntersectClipRect(int left, int top, int right, int bottom);
  void ExcludeClipRect(int left, int top, int right, int bottom);
  // Combines a mask (width * height, non-zero inside) with the clip: 1 and,
  // 2 or, 3 xor, 4 diff, 5 copy (platform RGN_* numbers).
  void CombineClip(const std::vector<uint8_t>& mask, int mode);
  // The pixels covered by closed figures, as a mask.
  std::vector<uint8_t> Coverage(const std::vector<Figure>& figures, bool winding) const;

  // ---- drawing ------------------------------------------------------------
  void Fill(const std::vector<Figure>& figures, bool winding, const Paint& paint);
  void FillRect(int left, int top, int right, int bottom, const Paint& paint);
  // One-pixel line through the rounded points; open figures leave out their
  // last point. Gaps of a dashed pen take gapPaint when given.
  void StrokeThin(const Figure& figure, const Paint& paint, const Dashes* dashes = nullptr,
                  const Paint* gapPaint = nullptr);
  // Pen of the given width. cap: 0 round, 1 square, 2 flat; join: 0 round,
  // 1 bevel, 2 miter (drawn round).
  void StrokeWide(const std::vector<Figure>& figures, double width, int cap, int join, const Paint& paint);
  void SetPixel(int x, int y, const Paint& paint);
  uint32_t GetPixel(int x, int y) const;

  // Stretches the source rectangle (sx, sy, sw, sh; top-down pixels) onto
  // the destination rectangle (pixel edges; a negative size mirrors),
  // combining source, brush pattern and destination by the ternary raster
  // operation (the index in bits 16-23 of a ROP code). A null source is a
  // pattern blit. With a mask (1 = foreground) backRop serves where it is 0.
  void Blit(const Bitmap* source, double dx, double dy, double dw, double dh, double sx, double sy, double sw,
            double sh, uint32_t rop, const Paint& brush, const Bitmap* mask = nullptr, uint32_t backRop = 0);
  // Blends premultiplied or plain source pixels over the destination.
  void AlphaBlend(const Bitmap& source, double dx, double dy, double dw, double dh, double sx, double sy, double sw,
                  double sh, uint8_t constantAlpha, bool perPixel);
  // Stretch that leaves out source pixels of the key colour.
  void TransparentBlit(const Bitmap& source, double dx, double dy, double dw, double dh, double sx, double sy,
                       double sw, double sh, uint32_t key);

 private:
  bool Visible(int x, int y) const {
    if (!clip_.active) return true;
    if (x < clip_.left || x >= clip_.right || y < clip_.top || y >= clip_.bottom) return false;
    return !clip_.mask || (*clip_.mask)[size_t(y) * width_ + x];
  }
  // The clip as a full mask (all pixels inside when there is none).
  std::vector<uint8_t> ClipAsMask() const;
  void Span(int y, int x0, int x1, const Paint& paint);
  void Plot(int x, int y, const Paint& paint);
  template <typename Fn>
  void ForEachCovered(const std::vector<Figure>& figures, bool winding, Fn&& span) const;
  // The destination pixels of a blit and their source pixels.
  template <typename Fn>
  void ForEachBlitPixel(double dx, double dy, double dw, double dh, double sx, double sy, double sw, double sh,
                        int srcWidth, int srcHeight, Fn&& pixel);

  uint32_t* px_;
  int width_, height_;
  ClipMask clip_;
};

// R2_* binary raster operation on 24-bit colours.
uint32_t Rop2(int rop, uint32_t pen, uint32_t dst);
// Ternary raster operation (index 0..255) on 24-bit colours.
uint32_t Rop3(uint32_t index, uint32_t pattern, uint32_t source, uint32_t dst);

}  // namespace meta
