// GbImage: the raster image of the whole program.
//
// Pixels are 1, 4, 8 (palette) or 24 bits (blue, green, red) in one heap block
// laid out as a Windows packed DIB: 40-byte header, palette, then rows padded
// to 4 bytes, bottom row first. Optional alpha and selection planes hold one
// byte per pixel (unpadded, bottom-up). Operations never throw; failures
// return false/null and leave a message in LastError().
//
// An image owns everything it points to: the block and the planes (GbBuffer),
// its frames and layers (owned images). Copies are deep; moves hand the whole
// content over and leave the source empty. A codec that encodes an image
// borrows its content for the time of the encoding through GbImageLoan.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "image/core/GbBuffer.h"
#include "image/core/ImageType.h"
#include "platform/WinTypes.h"

// Largest unpadded pixel area Create accepts, in bytes.
constexpr uint32_t GBIMAGE_MAX_MEMORY = 268435456u;
constexpr size_t GB_INFO_RECORD_SIZE = 444;
constexpr size_t GB_ERROR_TEXT_SIZE = 256;

// The state and settings every image carries. The byte layout (444 bytes,
// little-endian, 32-bit pointers) is written by WriteInfoRecord and read back
// by ReadInfoRecord; in memory the fields are ordinary members.
struct ImageInfo {
  uint32_t rowStride = 0;
  uint32_t fileType = 0;
  char lastError[GB_ERROR_TEXT_SIZE] = {};
  int32_t backgroundIndex = -1;
  RGBQUAD backgroundColor{};
  float jpegQuality = 90.0f;
  uint8_t jpegScale = 0;
  int32_t frame = 0;      // frame to decode / frame decoded
  int32_t numFrames = 0;  // frames in the source
  uint32_t frameDelay = 0;
  int32_t dpiX = 96;
  int32_t dpiY = 96;
  int32_t selLeft = 0, selTop = 0, selRight = 0, selBottom = 0;
  uint8_t alphaMax = 255;
  uint8_t paletteAlphaEnabled = 0;
  uint8_t enabled = 1;
  int32_t xOffset = 0;
  int32_t yOffset = 0;
  uint32_t codecOptions[GB_CODEC_SLOTS] = {};
  RGBQUAD lastColor{};
  uint8_t lastColorIndex = 0;
  uint8_t lastColorValid = 0;
  int32_t numLayers = 0;
  uint32_t flags = 0;
  uint8_t disposal = 0;
  uint8_t retrieveAllFrames = 0;
  uint8_t littleEndianHost = 1;
  // Not part of the 444-byte record: what a decoder that succeeded wants
  // the user to know about the file (a damaged file read as far as it goes).
  char warning[GB_ERROR_TEXT_SIZE] = {};
};

class GbImage {
 public:
  explicit GbImage(uint32_t type = GB_TYPE_UNKNOWN);
  GbImage(uint32_t width, uint32_t height, uint32_t bpp, uint32_t type = GB_TYPE_UNKNOWN);
  // A copy (see CopyFrom); when the copy fails the new image is empty with
  // the message in LastError().
  GbImage(const GbImage& source, bool copyPixels = true, bool copySelection = true, bool copyAlpha = true);
  // Takes the whole content over (TakeOver with frames); source is left empty.
  GbImage(GbImage&& source) noexcept;
  GbImage(const char* path, uint32_t type);  // LoadFile
  ~GbImage();
  // CopyFrom; on failure this image keeps its content, see LastError().
  GbImage& operator=(const GbImage& source);
  GbImage& operator=(GbImage&& source) noexcept;

  // ---- life cycle ---------------------------------------------------------
  uint8_t* Create(uint32_t width, uint32_t height, uint32_t bpp, uint32_t type = GB_TYPE_UNKNOWN);
  // Whether Create accepts a picture of this size and depth (sizes above 0),
  // asked without allocating anything.
  static bool SizeAllowed(uint32_t width, uint32_t height, uint32_t bpp);
  bool Release();
  bool ReleaseFrames();
  // Makes this image a deep copy of source: settings, pixels (or, without
  // copyPixels, a block of the same shape with the palette and blank rows)
  // and the planes asked for. Frames and layers come with a copy of the
  // pixels. Fails with a message when any part cannot be copied (memory);
  // this image then keeps all it had, only LastError() changes.
  bool CopyFrom(const GbImage& source, bool copyPixels = true, bool copySelection = true, bool copyAlpha = true);
  // Moves source's content here (frames only with takeFrames; otherwise both
  // keep their own) and leaves source empty, its settings cleared.
  bool TakeOver(GbImage& source, bool takeFrames = true);
  bool CopySettingsFrom(const GbImage& source);
  void Fill(uint8_t value = 0);
  bool HasPixels() const { return block_ != nullptr; }

  // ---- geometry and header ------------------------------------------------
  uint32_t Width() const { return uint32_t(header_.biWidth); }
  uint32_t Height() const { return uint32_t(header_.biHeight); }
  uint32_t BitsPerPixel() const { return header_.biBitCount; }
  uint32_t RowStride() const { return info_.rowStride; }
  uint32_t PaletteEntryCount() const;
  size_t PackedSize() const;
  uint8_t* RowBits(uint32_t row = 0) const;
  uint8_t* PackedDib() const { return block_; }
  const BITMAPINFOHEADER& Header() const { return header_; }
  RGBQUAD* Palette() const;
  uint32_t FileType() const { return info_.fileType; }
  bool SetFileType(uint32_t type);
  const char* LastError() const { return info_.lastError; }
  void SetLastError(const char* text);
  void ClearLastError() { info_.lastError[0] = 0; }
  // Set by a decoder that read a damaged file as far as it goes ("the file
  // ends early; the rest of the picture is blank"); empty otherwise. Cleared
  // by every decode.
  const char* Warning() const { return info_.warning; }
  void SetWarning(const char* text);
  void ClearWarning() { info_.warning[0] = 0; }

  // ---- pixel access (bottom-up coordinates) --------------------------------
  bool Contains(long x, long y) const { return x >= 0 && y >= 0 && x < long(Width()) && y < long(Height()); }
  uint8_t ReadPixelIndex(long x, long y) const;
  uint8_t ReadPixelIndexUnchecked(long x, long y) const;
  void WritePixelIndex(long x, long y, uint8_t index);
  void WritePixelIndexUnchecked(long x, long y, uint8_t index);
  RGBQUAD ReadPixelColor(long x, long y, bool withAlpha = true) const;
  RGBQUAD ReadPixelColorUnchecked(long x, long y, bool withAlpha = true) const;
  void WritePixelColor(long x, long y, RGBQUAD colour, bool withAlpha = false);
  void WritePixelColorUnchecked(long x, long y, RGBQUAD colour, bool withAlpha = false);
  void WritePixelColorRef(long x, long y, COLORREF colour);
  uint8_t* PixelPointer24(long x, long y) const;

  // ---- palette ---------------------------------------------------------------
  RGBQUAD PaletteColor(uint32_t index) const;
  bool PaletteRGB(uint32_t index, uint8_t& red, uint8_t& green, uint8_t& blue) const;
  void SetPaletteColor(uint32_t index, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha = 0);
  void SetPaletteColor(uint32_t index, RGBQUAD colour);
  void SetPalette(const RGBQUAD* entries, uint32_t n);
  void SetPaletteRGB(const uint8_t* triples, uint32_t n);
  void SetPaletteChannels(uint32_t n, const uint8_t* red, const uint8_t* green, const uint8_t* blue);
  void SetGreyPalette();
  void SetStandardPalette();
  bool IsGreyScale() const;
  void SwapPaletteIndices(uint8_t a, uint8_t b);
  void SwapRedBlue();
  uint8_t NearestPaletteIndex(RGBQUAD colour);
  bool PaletteHasAlpha() const;
  void EnablePaletteAlpha(bool flag) { info_.paletteAlphaEnabled = flag ? 1 : 0; }
  bool PaletteAlphaEnabled() const { return info_.paletteAlphaEnabled != 0; }

  // ---- settings read by codecs and other operations --------------------------
  void SetDpiX(int dpi);
  void SetDpiY(int dpi);
  int DpiX() const { return info_.dpiX; }
  int DpiY() const { return info_.dpiY; }
  void SetJpegQuality(uint8_t quality) { info_.jpegQuality = float(quality); }
  void SetJpegQualityF(float quality) { info_.jpegQuality = quality; }
  uint8_t JpegQuality() const { return uint8_t(info_.jpegQuality + 0.5f); }
  float JpegQualityF() const { return info_.jpegQuality; }
  void SetJpegScale(uint8_t scale) { info_.jpegScale = scale; }
  uint8_t JpegScale() const { return info_.jpegScale; }
  void SetCodecOption(uint32_t word, uint32_t type = GB_TYPE_UNKNOWN);
  uint32_t CodecOption(uint32_t type = GB_TYPE_UNKNOWN) const;
  void SetBackgroundIndex(long index);
  long BackgroundIndex() const { return info_.backgroundIndex; }
  bool HasBackgroundIndex() const { return info_.backgroundIndex >= 0; }
  void SetBackgroundColor(RGBQUAD colour);
  RGBQUAD BackgroundColor() const;
  void SetColorsImportant(uint32_t count);
  uint32_t ColorsImportant() const { return header_.biClrImportant; }
  void SetProgress(long percent) { progress_.store(int32_t(percent), std::memory_order_relaxed); }
  long Progress() const { return progress_.load(std::memory_order_relaxed); }
  void SetEscape(long value) { escape_.store(int32_t(value), std::memory_order_relaxed); }
  long Escape() const { return escape_.load(std::memory_order_relaxed); }
  long FrameCount() const { return info_.numFrames; }
  void SetFrameCount(long count) { info_.numFrames = int32_t(count); }
  long Frame() const { return info_.frame; }
  void SetFrame(long frame) { info_.frame = int32_t(frame); }
  uint32_t FrameDelay() const { return info_.frameDelay; }
  void SetFrameDelay(uint32_t delay) { info_.frameDelay = delay; }
  GbImage* FrameAt(long n) const;
  // Owned frames used by multi-frame decoders: SetFrameSlots makes count
  // empty slots (replacing any frames); SetFrameAt stores a frame in one.
  bool SetFrameSlots(long count);
  bool SetFrameAt(long n, std::unique_ptr<GbImage> frame);
  long FrameSlotCount() const { return long(frames_.size()); }
  void SetDisposalMethod(uint8_t method) { info_.disposal = method; }
  uint8_t DisposalMethod() const { return info_.disposal; }
  void SetRetrieveAllFrames(bool flag) { info_.retrieveAllFrames = flag ? 1 : 0; }
  bool RetrieveAllFrames() const { return info_.retrieveAllFrames != 0; }
  void SetOffset(long x, long y) {
    info_.xOffset = int32_t(x);
    info_.yOffset = int32_t(y);
  }
  long XOffset() const { return info_.xOffset; }
  long YOffset() const { return info_.yOffset; }
  uint8_t AlphaMax() const { return info_.alphaMax; }
  void SetAlphaMax(uint8_t value) { info_.alphaMax = value; }

  // Layers (only created by deserialisation).
  long LayerCount() const { return info_.numLayers; }
  GbImage* LayerAt(long n) const;
  bool SetLayers(std::vector<std::unique_ptr<GbImage>> layers);  // replaces the layers

  // Direct access to the record for codecs and the clipboard form.
  ImageInfo& Info() { return info_; }
  const ImageInfo& Info() const { return info_; }
  BITMAPINFOHEADER& MutableHeader() { return header_; }

  // The 444-byte record in its exact byte layout. Pointer fields are written
  // as zero; reading recomputes them from the image's own state.
  void WriteInfoRecord(uint8_t out[GB_INFO_RECORD_SIZE]) const;
  void ReadInfoRecord(const uint8_t in[GB_INFO_RECORD_SIZE]);

  // Plane blocks (operations on them live with the plane functions).
  uint8_t* AlphaPlane() const { return alpha_; }
  uint8_t* SelectionPlane() const { return selection_; }

  // Raw setters used by the plane operations: the image takes a block of
  // Width()*Height() bytes over (an empty one removes the plane).
  void AdoptAlphaPlane(GbBuffer plane);
  void AdoptSelectionPlane(GbBuffer plane);

  static RGBQUAD ColorRefToQuad(COLORREF c) { return RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0}; }
  static uint32_t NormaliseBpp(uint32_t bpp);
  static uint32_t StrideFor(uint32_t width, uint32_t bpp) { return uint32_t(((uint64_t(width) * bpp + 31) / 32) * 4); }
  // Resolutions come from files: a value beyond the 32-bit field saturates
  // instead of overflowing the conversion.
  static int32_t DpiToPpm(int32_t dpi) { return SaturateToInt32(double(dpi) * 10000.0 / 254.0 + 0.5); }
  static int32_t PpmToDpi(int32_t ppm) { return SaturateToInt32(double(ppm) * 254.0 / 10000.0 + 0.5); }
  static int32_t SaturateToInt32(double v) {
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return int32_t(v);
  }

  // ==== alpha and selection planes, transparency, mixing (planes) ==========
  // Both planes are Width()*Height() bytes, bottom-up, unpadded.

  // Alpha plane: 0 transparent ... 255 opaque.
  bool CreateAlpha();
  void DeleteAlpha();
  bool HasAlpha() const { return alpha_ != nullptr; }
  bool FillAlpha(uint8_t level);
  bool InvertAlpha();
  bool CopyAlphaFrom(const GbImage& source);
  bool AlphaFromImage(const GbImage& grey);
  void WriteAlpha(long x, long y, uint8_t level);
  uint8_t ReadAlpha(long x, long y) const;
  uint8_t ReadAlphaUnchecked(long x, long y) const { return alpha_[size_t(y) * Width() + size_t(x)]; }
  uint8_t* AlphaPointer(long x, long y) const;
  bool FlipAlpha();
  bool MirrorAlpha();

  // Selection plane: 0 outside, any other value inside. The box (selLeft,
  // selTop, selRight, selBottom) bounds it as left <= x < right and
  // bottom <= y < top.
  bool CreateSelection();
  bool DeleteSelection();
  bool ClearSelection(uint8_t level = 0);
  bool HasSelection() const { return selection_ != nullptr; }
  bool SelectionContains(long x, long y) const;
  bool SelectionContainsUnchecked(long x, long y) const {
    return !selection_ || selection_[size_t(y) * Width() + size_t(x)] != 0;
  }
  // Rectangle in bottom-up coordinates, both ends inclusive, corners in any order.
  bool AddRectToSelection(RECT rect, uint8_t level = 255);
  bool SelectionSet(const GbImage& grey);
  void WriteSelection(long x, long y, uint8_t level);
  uint8_t ReadSelectionUnchecked(long x, long y) const { return selection_[size_t(y) * Width() + size_t(x)]; }
  uint8_t* SelectionPointer(long x, long y) const;
  void RebuildSelectionBox();
  RECT SelectionBox() const { return RECT{info_.selLeft, info_.selTop, info_.selRight, info_.selBottom}; }
  bool SplitSelection(GbImage* destination);
  bool CopySelectionFrom(const GbImage& source);
  bool FlipSelection();
  bool MirrorSelection();

  // Transparency: background index / colour key, then alpha 0.
  bool IsTransparentAt(long x, long y) const;
  // 1-bit mask, index 1 where transparent; into destination, or this image.
  bool MakeTransparencyMask(GbImage* destination = nullptr);

  // Numbers are stored by callers; they never change.
  enum class MixOperation : int {
    Add = 0,
    And = 1,
    Xor = 2,
    Or = 3,
    Mask = 4,
    CopyIntoTransparent = 5,
    CopyOpaqueSource = 6,
    Subtract = 7,
    BlendNearBackground = 8,
    AlphaOver = 9,
    Average = 10,
  };
  // Merges source pixel (x + dx, y + dy) into pixel (x, y) of this image.
  bool MixWith(const GbImage& source, MixOperation operation, long dx = 0, long dy = 0, bool mixAlpha = false);
  // Copies source into this image at (x, y), skipping keyed-out pixels.
  bool PasteFrom(const GbImage& source, long x, long y);

  // ==== colour depth conversion ==============================================
  // Grey value of a colour, weights summing to 1024.
  static uint8_t GreyOf(uint8_t red, uint8_t green, uint8_t blue) {
    return uint8_t((306u * red + 601u * green + 117u * blue) >> 10);
  }
  bool ToGreyScale();
  bool RaiseBpp(uint32_t target);
  // palette may be null (standard palette); it must hold coloursImportant
  // entries when that is non-zero, else 2^target entries.
  bool DecreaseBpp(uint32_t target, bool errorDiffusion, const RGBQUAD* palette = nullptr,
                   uint32_t coloursImportant = 0);

  // ==== geometry transforms ==================================================
  // Defined in image/transform (link gb_image_transform). Results are built in
  // a temporary image and moved into the destination, or into this image when
  // no destination is given.

  // Numbers are stored and passed by callers; they never change.
  enum InterpolationMethod : int {
    kNearestNeighbour = 1,
    kBilinear = 2,
    kBSpline = 3,
    kBicubic = 4,
    kBicubic2 = 5,
    kLanczos = 6,
    kBox = 7,
    kHermite = 8,
    kHamming = 9,
    kSinc = 10,
    kBlackman = 11,
    kBessel = 12,
    kGaussian = 13,
    kQuadratic = 14,
    kMitchell = 15,
    kCatmullRom = 16,
    kHanning = 17,
    kPower = 18,
  };
  // What a sampler returns outside the image; other numbers act like kColor.
  enum OverflowMethod : int {
    kColor = 1,
    kBackground = 2,
    kTransparent = 3,
    kWrap = 4,
    kRepeat = 5,
    kMirror = 6,
  };
  static constexpr RGBQUAD kReplacementWhite{255, 255, 255, 0};

  bool FlipVertical(bool flipSelection = false, bool flipAlpha = true);
  bool MirrorHorizontal(bool mirrorSelection = false, bool mirrorAlpha = true);
  bool RotateQuarterLeft(GbImage* destination = nullptr);   // 90 degrees counter-clockwise
  bool RotateQuarterRight(GbImage* destination = nullptr);  // 90 degrees clockwise
  bool RotateHalfTurn(GbImage* destination = nullptr);
  // Positive angles turn clockwise as displayed. replacement null: white.
  bool RotateFree(float angle, GbImage* destination = nullptr, InterpolationMethod method = kBilinear,
                  OverflowMethod overflow = kColor, const RGBQUAD* replacement = nullptr, bool rightAngles = true,
                  bool keepSize = false);
  // Modes of ResampleSimple; numbers are stored and passed by callers, and
  // any other number acts like kBilinear. Scoped: the interpolation methods
  // already use these names.
  enum class ResampleMode : int {
    kBilinear = 0,  // box filter when shrinking 24 bits
    kNearest = 1,
    kBicubic = 2,
  };
  bool ResampleSimple(long newWidth, long newHeight, ResampleMode mode = ResampleMode::kNearest,
                      GbImage* destination = nullptr);
  bool ResampleInterpolated(long newWidth, long newHeight, InterpolationMethod method = kCatmullRom,
                            OverflowMethod overflow = kRepeat, GbImage* destination = nullptr,
                            bool disableAveraging = false);
  bool QIShrink(long newWidth, long newHeight, GbImage* destination = nullptr, bool changeTo24Bits = false);
  // Top-down coordinates; right and bottom are exclusive.
  bool CropTo(long left, long top, long right, long bottom, GbImage* destination = nullptr);
  bool CropToRect(const RECT& rect, GbImage* destination = nullptr);
  // Shears the selected pixels: source = (x + xGain (y - yPivot), y + yGain (x - xPivot)).
  bool SkewBy(float xGain, float yGain, long xPivot, long yPivot, bool interpolate = true);
  // Margins in pixels; top is above the picture as displayed.
  bool ExpandCanvas(long left, long top, long right, long bottom, RGBQUAD canvasColor, GbImage* destination = nullptr);

  // Samplers (bottom-up, pixel centres at integer positions).
  RGBQUAD SampleInterpolated(double x, double y, InterpolationMethod method, OverflowMethod overflow = kBackground,
                             RGBQUAD replacement = kReplacementWhite) const;
  RGBQUAD SampleArea(double x, double y, double width, double height, InterpolationMethod method,
                     OverflowMethod overflow = kBackground, RGBQUAD replacement = kReplacementWhite) const;
  RGBQUAD SampleWithOverflow(long x, long y, OverflowMethod overflow = kBackground,
                             RGBQUAD replacement = kReplacementWhite) const;
  // Maps an outside position inside for kWrap, kRepeat and kMirror.
  void FoldCoordinates(long& x, long& y, OverflowMethod overflow) const;
  void FoldCoordinates(double& x, double& y, OverflowMethod overflow) const;

  // ==== retouching operations ================================================
  // Defined in image/retouch (link gb_image_retouch). Filters work on the
  // selection box (or the whole image), change only selected pixels, read
  // neighbours from the unchanged image and stop early on the escape flag.

  // Kernel of ksize x ksize entries, row 0 being the row below the pixel.
  bool ConvolveKernel(const int32_t* kernel, long ksize, int32_t factor, int32_t offset);
  bool MinimumFilter(long ksize);
  bool MaximumFilter(long ksize);
  bool RangeEdge(long ksize);
  bool MedianFilter(long ksize);
  bool ContourLines();
  // Random operations draw from gbretouch::Random (image/retouch/RetouchRandom.h).
  bool ScatterPixels(long radius);
  bool AddRandomNoise(long level);
  bool GaussianSmooth(float radius, GbImage* destination = nullptr);
  bool EdgePreservingBlur(float radius, uint8_t threshold, GbImage* destination = nullptr);
  bool UnsharpSharpen(float radius, float amount, long threshold);
  bool InvertColours();
  bool BinarizeAtLevel(uint8_t level);
  bool GammaCorrect(float gamma);
  bool MapThroughTable(const uint8_t* table);  // 256 entries
  bool RainbowPalette(float correction);
  // Circle transforms; numbers are passed by callers, others are refused.
  enum class WarpKind : long {
    kPunch = 0,
    kPinch = 1,
    kSwirl = 2,
    kCylinder = 3,
    kBathroom = 4,
  };
  bool RadialWarp(WarpKind kind, long rmax, float koeff);

  // ==== device interop and clipboard forms ===================================
  // Defined in image/device (link gb_image_device). Bitmaps, contexts,
  // palettes and global blocks are the drawing stand-in's handles
  // (platform/gdi: HBITMAP, HDC, HPALETTE, HGLOBAL); a returned handle
  // belongs to the caller.

  // A DIB section with this image's header, palette and pixels; null
  // without pixels.
  struct GdiBitmap* MakeDibSection(struct GdiDC* dc = nullptr) const;
  // Rebuilds the image from a bitmap at its depth (16 and 32 bits become 24).
  bool CreateFromBitmap(struct GdiBitmap* bitmap, struct GdiPalette* palette = nullptr);
  // A movable, zero-initialised block holding the packed buffer.
  struct GdiGlobal* CopyToGlobalDib() const;
  // Reads a packed DIB from a global block (clipboard bytes: all checked).
  bool CreateFromGlobalDib(struct GdiGlobal* handle);
  // The same from plain bytes: 1/4/8/16/24/32 bits, uncompressed, RLE8,
  // RLE4 or bit fields, either row order.
  bool CreateFromPackedDib(const uint8_t* bytes, size_t size);
  // The clipboard form: header, record, packed buffer, planes, layers and
  // frames. 0 without pixels.
  size_t SerializedSize() const;
  // Writes the form; 0 when destination is null or capacity is short.
  size_t Serialize(uint8_t* destination, size_t capacity) const;
  // Reads a form of at most size bytes; returns the bytes consumed, 0 (and
  // an empty image) when the form is short, lying or malformed.
  size_t Deserialize(const uint8_t* source, size_t size);
  // Draws settings' text, with its rounded box when opaque, so that (x, y)
  // (top-down) is the box's bottom row at its left edge, centre or right
  // edge by the alignment. Returns the text's measured size {0, 0, w, h};
  // {0, 0, 0, 0} without pixels or text support.
  RECT DrawTextBox(struct GdiDC* dc, long x, long y, const struct TextSettings& settings, bool writeAlpha = false);

  // ==== codec dispatch =======================================================
  // Defined in image/codecs (link gb_image_codecs). The stream type is the
  // global GbFile of image/io/GbFile.h.
  bool Encode(class GbFile* stream, uint32_t type);
  // Type 0 detects the format, trying the registered decoders in a fixed order.
  bool Decode(class GbFile* stream, uint32_t type);
  // Reads no more than the header: the picture's size as Decode would give
  // it (also in Width() and Height() afterwards), without pixels.
  bool ProbeSize(class GbFile* stream, uint32_t type, uint32_t& width, uint32_t& height);
  bool Encode(std::FILE* handle, uint32_t type);  // wraps the handle, does not close it
  bool Decode(std::FILE* handle, uint32_t type);
  bool SaveFile(const char* path, uint32_t type);
  // A specific type that fails falls back to detection; if that fails too,
  // the specific decoder's message is kept.
  bool LoadFile(const char* path, uint32_t type = GB_TYPE_UNKNOWN);
  // LoadFile(path, type) then ResampleInterpolated(newWidth, newHeight,
  // method, overflow) in one pass, without ever holding the whole picture:
  // a colour JPEG shrunk in both axes is averaged down row by row as it is
  // decoded. The result (pixels, settings, warning) is exactly the two
  // calls'. False when that one pass does not apply or does not get through
  // (another format, grey or CMYK output, no shrink in both axes, edge rows
  // wrapping around, a file that ends before its last row, no memory):
  // nothing has changed then, and the caller makes the two calls.
  bool LoadFileShrunk(const char* path, uint32_t type, long newWidth, long newHeight, InterpolationMethod method,
                      OverflowMethod overflow);
  // A byte block compiled into the program or an asset file (image/io/GbResource.h);
  // module names an asset folder to search instead (null: the default places).
  bool LoadFromResource(const char* resource, uint32_t type = GB_TYPE_UNKNOWN, const char* module = nullptr);
  // True when encoding must be refused (null stream, no pixels); sets the message.
  bool CheckEncodable(class GbFile* stream);
  // Type id from an extension given without the dot (first three letters, any case).
  static uint32_t TypeFromExtension(const char* extension);
  // Type id from a file name's extension: the text after the last dot of the
  // last path element; unknown when that element has no dot.
  static uint32_t TypeFromPath(const std::string& path);

 protected:
  friend class GbImageLoan;
  void ResetHeader();
  void FreeOwnedPlanes();
  // Moves block, planes, layers (and frames when asked) from source; what
  // this image held before is freed.
  void MoveContentFrom(GbImage& source, bool withFrames) noexcept;
  // Builds the deep copy CopyFrom makes into this (empty) image.
  bool BuildCopyOf(const GbImage& source, bool copyPixels, bool copySelection, bool copyAlpha);

  BITMAPINFOHEADER header_{};
  ImageInfo info_{};  // info_.numLayers always equals layers_.size()
  std::atomic<int32_t> progress_{0};
  std::atomic<int32_t> escape_{0};
  GbBuffer block_;      // packed DIB
  GbBuffer selection_;  // Width()*Height() bytes or empty
  GbBuffer alpha_;      // Width()*Height() bytes or empty
  std::vector<std::unique_ptr<GbImage>> layers_;
  std::vector<std::unique_ptr<GbImage>> frames_;  // slots may be empty
};

// Lends an image's content (block, planes, frames, layers) to a borrower,
// typically a codec encoding it, for the loan's scope; the borrower gets a
// copy of the settings and header. At the end the content goes back to the
// owner, whose settings stay its own (only a colour cache the borrower
// invalidated is invalidated). Nothing is copied and there is never more
// than one owner; the owner reads as empty during the loan. Changes the
// borrower makes to the pixels stay (a borrower that made a new block also
// hands back its header, so the owner stays consistent).
class GbImageLoan {
 public:
  GbImageLoan(GbImage& owner, GbImage& borrower) noexcept;
  ~GbImageLoan();
  GbImageLoan(const GbImageLoan&) = delete;
  GbImageLoan& operator=(const GbImageLoan&) = delete;

 private:
  GbImage& owner_;
  GbImage& borrower_;
  const uint8_t* lentBlock_;
};
