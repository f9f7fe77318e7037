// MetaPlayer: the drawing state a Windows metafile is played against -
// pens, brushes, fonts, the object table, mapping modes with window and
// viewport extents and origins, the world transform, clipping, paths and
// saved states - and the drawing operations the WMF and EMF record readers
// call, in logical coordinates. Shapes are drawn by MetaRaster into the
// drawing stand-in's DIB section; text goes through the stand-in's text
// functions when the build has them.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "image/codecs/MetaRaster.h"
#include "platform/gdi/GdiTypes.h"

namespace meta {

// x' = m11 x + m21 y + dx, y' = m12 x + m22 y + dy
struct Xform {
  double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
};
Xform Multiply(const Xform& first, const Xform& then);

struct Pen {
  uint32_t style = 0;  // PS_* with end cap, join and type bits
  double width = 0;    // logical units; 0 is one pixel
  uint32_t colour = 0;
  bool cosmetic = true;  // always one pixel wide, whatever the mapping
  std::vector<int> userDashes;
};

struct Brush {
  uint32_t style = 0;  // BS_SOLID 0, BS_NULL 1, BS_HATCHED 2, patterns 3, 5, 6
  uint32_t colour = 0xFFFFFF;
  uint32_t hatch = 0;
  std::shared_ptr<const Bitmap> pattern;
  bool monochrome = false;  // pattern bits 0/1 take text and background colours
};

struct Font {
  int32_t height = 0, width = 0, escapement = 0, weight = 0;
  uint8_t italic = 0, underline = 0, strikeOut = 0, charSet = 0, quality = 0, pitchAndFamily = 0;
  std::string face;  // UTF-8
};

// A rectangle list in logical or device units, right and bottom exclusive.
struct Rects {
  std::vector<RECT> rects;
};

struct Object {
  enum class Kind { Empty, Pen, Brush, Font, Palette, Region, Other };
  Kind kind = Kind::Empty;
  Pen pen;
  Brush brush;
  Font font;
  Rects region;
  std::vector<uint32_t> palette;  // 0x00RRGGBB
};

// Decodes a packed DIB description and its bits into 0xAARRGGBB pixels,
// top row first (1 to 32 bits, uncompressed or bit fields). bottomUp tells
// how the rows were stored. False on anything malformed or too large.
bool DecodeDib(const uint8_t* info, size_t infoSize, const uint8_t* bits, size_t bitsSize, Bitmap& out,
               bool* bottomUp = nullptr);

class Player {
 public:
  // Draws into the canvas (the pixels of the bitmap selected into dc).
  Player(Canvas& canvas, GdiDC* dc);

  // ---- set-up by the record readers ------------------------------------
  // Reference device to canvas: out = device * scale + offset.
  void SetOutput(double scaleX, double scaleY, double offsetX, double offsetY);
  // Device pixels per millimetre of the reference device (fixed map modes).
  void SetDeviceResolution(double pixelsPerMmX, double pixelsPerMmY);
  // Placeable WMF: the window is mapped onto the whole canvas, whatever
  // the file says about viewports and mapping modes.
  void LockViewport(double width, double height);

  // ---- state ------------------------------------------------------------
  struct State {
    Pen pen;
    Brush brush;
    Font font;
    uint32_t textColour = 0, bkColour = 0xFFFFFF;
    int bkMode = 2;  // OPAQUE
    int rop2 = 13;
    int fillMode = 1;  // 1 alternate, 2 winding
    uint32_t textAlign = 0;
    int mapMode = 1;
    int arcDirection = 1;  // 1 counter-clockwise, 2 clockwise
    PointF windowOrg{0, 0}, windowExt{1, 1}, viewportOrg{0, 0}, viewportExt{1, 1};
    Xform world;
    Canvas::ClipMask clip;
    PointF position;  // logical
    PointF brushOrigin;
    uint32_t paletteIndex = 0;
  };
  State& S() { return state_; }
  void SaveState();
  // relative < 0: that many states back; > 0: the absolute saved state.
  void RestoreState(int relative);
  void SetMapMode(int mode);
  void SetWindowOrg(double x, double y);
  void SetWindowExt(double x, double y);
  void SetViewportOrg(double x, double y);
  void SetViewportExt(double x, double y);
  void ScaleWindowExt(double xNum, double xDen, double yNum, double yDen);
  void ScaleViewportExt(double xNum, double xDen, double yNum, double yDen);
  void OffsetWindowOrg(double dx, double dy);
  void OffsetViewportOrg(double dx, double dy);
  void SetWorld(const Xform& xform);
  // 1 identity, 2 left multiply, 3 right multiply, 4 set.
  void ModifyWorld(const Xform& xform, int mode);
  uint32_t ResolveColour(uint32_t colourRef) const;

  // ---- objects ------------------------------------------------------------
  // WMF: the lowest free slot of a table of the given size; EMF: the index.
  void SetTableSize(uint32_t size) { tableSize_ = size; }
  void CreateObjectAtFreeSlot(Object object);
  void CreateObjectAt(uint32_t index, Object object);
  void SelectObject(uint32_t index);
  void SelectStock(uint32_t which);
  void DeleteObject(uint32_t index);
  const Object* Find(uint32_t index) const;

  // ---- drawing, in logical coordinates --------------------------------------
  PointF ToDevice(PointF logical) const;
  PointF ToOutput(PointF device) const;  // reference-device pixels to canvas
  void MoveTo(PointF p);
  void LineTo(PointF p);
  void Polyline(const std::vector<PointF>& points, bool fromCurrent = false);
  void Polygon(const std::vector<std::vector<PointF>>& polygons);
  void PolyPolyline(const std::vector<std::vector<PointF>>& lines);
  void PolyBezier(const std::vector<PointF>& points, bool fromCurrent);
  // types: PT_MOVETO 6, PT_LINETO 2, PT_BEZIERTO 4, | PT_CLOSEFIGURE 1.
  void PolyDraw(const std::vector<PointF>& points, const std::vector<uint8_t>& types);
  void Rectangle(double left, double top, double right, double bottom);
  void RoundRect(double left, double top, double right, double bottom, double width, double height);
  void Ellipse(double left, double top, double right, double bottom);
  // kind: 0 arc, 1 chord, 2 pie, 3 arc from the current position (ArcTo).
  void Arc(int kind, double left, double top, double right, double bottom, PointF start, PointF end);
  void AngleArc(PointF centre, double radius, double startDegrees, double sweepDegrees);
  void SetPixel(PointF p, uint32_t colourRef);
  // Text in UTF-8, one advance per code point when given (logical units).
  void Text(PointF reference, const std::string& text, const std::vector<double>* advances, uint32_t options,
            const RECT* rect);
  // Rectangles in logical units; brush null: the selected brush.
  void FillRects(const Rects& rects, const Brush* brush);
  void PatBlt(double x, double y, double width, double height, uint32_t rop);
  // Destination in logical units, source in DIB pixels from the top.
  void DrawBitmap(const Bitmap& source, double x, double y, double width, double height, double sx, double sy,
                  double sw, double sh, uint32_t rop, const Bitmap* mask = nullptr, uint32_t backRop = 0);
  void AlphaBlend(const Bitmap& source, double x, double y, double width, double height, double sx, double sy,
                  double sw, double sh, uint8_t constantAlpha, bool perPixel);
  void TransparentBlit(const Bitmap& source, double x, double y, double width, double height, double sx, double sy,
                       double sw, double sh, uint32_t key);

  // ---- clipping -------------------------------------------------------------
  void IntersectClip(double left, double top, double right, double bottom);
  void ExcludeClip(double left, double top, double right, double bottom);
  // Rectangles in reference-device units (device) or logical units.
  void SelectClipRects(const Rects* rects, int mode, bool device);

  // ---- paths ------------------------------------------------------------------
  void BeginPath();
  void EndPath() { pathOpen_ = false; }
  void AbortPath();
  void CloseFigure();
  void FillPath();
  void StrokePath();
  void StrokeAndFillPath();
  void SelectClipPath(int mode);

 private:
  void Shape(std::vector<Figure> figures, bool fill, bool stroke);
  void StrokeFigures(const std::vector<Figure>& figures);
  Paint PenPaint() const;
  bool BrushPaint(const Brush& brush, Paint& paint) const;
  double PenWidthDevice() const;
  // The combined logical-to-canvas transform.
  Xform Total() const;
  void ApplyClip();
  std::vector<PointF> EllipsePoints(double left, double top, double right, double bottom) const;
  void DrawText(int x, int y, const std::string& text);

  Canvas& canvas_;
  GdiDC* dc_;
  State state_;
  std::vector<State> saved_;
  std::unordered_map<uint32_t, Object> objects_;
  uint32_t tableSize_ = 0;
  double outScaleX_ = 1, outScaleY_ = 1, outX_ = 0, outY_ = 0;
  double pxPerMmX_ = 96 / 25.4, pxPerMmY_ = 96 / 25.4;
  bool viewportLocked_ = false;
  double lockedWidth_ = 1, lockedHeight_ = 1;
  // Path under construction, in canvas coordinates.
  bool pathOpen_ = false;
  std::vector<Figure> path_;
  bool figureOpen_ = false;
};

}  // namespace meta
