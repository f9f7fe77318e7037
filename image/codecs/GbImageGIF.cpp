#include "image/codecs/GbImageGIF.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "image/codecs/GifCodeStream.h"
#include "image/io/GbIOFile.h"
#include "image/io/Bytes.h"

namespace {

constexpr const char* kWriteError = "Write Error in GIF file";
constexpr const char* kTruncated = "GIF file is truncated";
constexpr const char* kTooLarge = "GIF pictures are at most 65535 pixels wide and high";
// Frames kept for the caller (retrieve all frames) may take this much.
constexpr size_t kMaxKeptFrameBytes = size_t(1) << 30;
constexpr int kTileWidth = 17, kTileHeight = 15;

bool readExact(GbFile* f, void* buffer, size_t n) { return n == 0 || f->Read(buffer, 1, n) == n; }

// Skips data sub-blocks up to and including the empty one.
bool skipSubBlocks(GbFile* f) {
  while (true) {
    const long n = f->GetC();
    if (n < 0) return false;
    if (n == 0) return true;
    if (!f->Seek(int32_t(n), GB_SEEK_CUR)) return false;
  }
}

// Bytes between blocks that start nothing: skip to the next 0.
void skipToZero(GbFile* f) {
  long c;
  do c = f->GetC();
  while (c > 0);
}

uint32_t tableEntries(uint8_t flags) { return 2u << (flags & 7); }

// Depth of a frame by its colour table; without any table the indices are
// shown as grey levels, so they keep all 8 bits.
uint32_t depthForEntries(uint32_t entries) {
  if (entries == 0) return 8;
  return entries <= 2 ? 1 : entries <= 16 ? 4 : 8;
}

uint8_t headerFlags(uint32_t bpp) { return bpp == 1 ? 0x80 : bpp == 4 ? 0xE3 : 0xE7; }

class Out {
 public:
  explicit Out(GbFile* f) : f_(f) {}
  void Bytes(const void* p, size_t n) {
    if (n && f_->Write(p, 1, n) != n) failed_ = true;
  }
  void U8(uint32_t v) {
    const uint8_t b = uint8_t(v);
    Bytes(&b, 1);
  }
  void U16(uint32_t v) {
    const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
    Bytes(b, 2);
  }
  void Table(const RGBQUAD* pal, uint32_t n) {
    uint8_t rgb[768];
    for (uint32_t i = 0; i < n && i < 256; ++i) {
      rgb[3 * i] = pal[i].rgbRed;
      rgb[3 * i + 1] = pal[i].rgbGreen;
      rgb[3 * i + 2] = pal[i].rgbBlue;
    }
    Bytes(rgb, 3 * size_t(std::min(n, 256u)));
  }
  void Header(uint32_t width, uint32_t height, uint8_t flags, const RGBQUAD* pal, uint32_t n) {
    Bytes("GIF89a", 6);
    U16(width);
    U16(height);
    U8(flags);
    U8(0);  // background colour index
    U8(0);  // aspect
    if (pal) Table(pal, n);
  }
  void Loop(uint32_t value) {
    const uint8_t head[3] = {0x21, 0xFF, 0x0B};
    Bytes(head, 3);
    Bytes("NETSCAPE2.0", 11);
    U8(3);
    U8(1);
    U16(value);
    U8(0);
  }
  void Control(long transparent, uint32_t delay, uint8_t disposal) {
    const uint8_t head[3] = {0x21, 0xF9, 0x04};
    Bytes(head, 3);
    U8((transparent >= 0 ? 1 : 0) | ((disposal & 7) << 2));
    U16(std::min<uint32_t>(delay, 0xFFFF));
    U8(transparent >= 0 ? uint32_t(transparent) : 0);
    U8(0);
  }
  void Comment(const char* text) {
    const size_t n = std::min<size_t>(std::strlen(text), 255);
    if (!n) return;
    U8(0x21);
    U8(0xFE);
    U8(uint32_t(n));
    Bytes(text, n);
    U8(0);
  }
  void Descriptor(long left, long top, uint32_t width, uint32_t height, const RGBQUAD* local, uint32_t depth) {
    U8(0x2C);
    U16(uint32_t(std::clamp(left, 0L, 65535L)));
    U16(uint32_t(std::clamp(top, 0L, 65535L)));
    U16(width);
    U16(height);
    U8(local ? 0x80 | (depth - 1) : 0);
    if (local) Table(local, 1u << depth);
  }
  bool Failed() const { return failed_; }
  void Fail() { failed_ = true; }

 private:
  GbFile* f_;
  bool failed_ = false;
};

bool samePalette(const GbImage& a, const GbImage& b, uint32_t entries) {
  if (a.PaletteEntryCount() < entries || b.PaletteEntryCount() < entries) return false;
  const RGBQUAD* p = a.Palette();
  const RGBQUAD* q = b.Palette();
  for (uint32_t i = 0; i < entries; ++i)
    if (p[i].rgbRed != q[i].rgbRed || p[i].rgbGreen != q[i].rgbGreen || p[i].rgbBlue != q[i].rgbBlue) return false;
  return true;
}

// Fills a top-down rectangle of a palette or 24-bit image.
void fillRect(GbImage& image, uint32_t left, uint32_t top, uint32_t width, uint32_t height, uint8_t index,
              RGBQUAD colour) {
  const uint32_t h = image.Height();
  for (uint32_t t = top; t < top + height && t < h; ++t) {
    const long y = long(h - 1 - t);
    for (uint32_t x = left; x < left + width && x < image.Width(); ++x) {
      if (image.BitsPerPixel() == 24) {
        uint8_t* p = image.PixelPointer24(long(x), y);
        p[0] = colour.rgbBlue;
        p[1] = colour.rgbGreen;
        p[2] = colour.rgbRed;
      } else {
        image.WritePixelIndexUnchecked(long(x), y, index);
      }
    }
  }
}

// Makes room in an 8-bit screen's palette for the colours a frame uses:
// each maps to an entry of the same colour that pixels already use, or to
// an entry no pixel uses. False when 256 entries are not enough.
bool mergeColours(GbImage& screen, const GbImage& frame, int skip, uint8_t keep, uint8_t map[256]) {
  if (screen.BitsPerPixel() < 8 && !screen.RaiseBpp(8)) return false;
  bool used[256] = {}, needed[256] = {};
  used[keep] = true;
  for (uint32_t y = 0; y < screen.Height(); ++y) {
    const uint8_t* row = screen.RowBits(y);
    for (uint32_t x = 0; x < screen.Width(); ++x) used[row[x]] = true;
  }
  for (uint32_t y = 0; y < frame.Height(); ++y)
    for (uint32_t x = 0; x < frame.Width(); ++x) needed[frame.ReadPixelIndexUnchecked(long(x), long(y))] = true;
  RGBQUAD* pal = screen.Palette();
  const RGBQUAD* colours = frame.Palette();
  uint32_t free = 0;
  for (uint32_t v = 0; v < 256; ++v) {
    if (!needed[v] || int(v) == skip) continue;
    const RGBQUAD c = colours[v];
    uint32_t i = 0;
    while (i < 256 &&
           !(used[i] && pal[i].rgbRed == c.rgbRed && pal[i].rgbGreen == c.rgbGreen && pal[i].rgbBlue == c.rgbBlue))
      ++i;
    if (i == 256) {
      while (free < 256 && used[free]) ++free;
      if (free == 256) return false;
      i = free;
      screen.SetPaletteColor(i, c.rgbRed, c.rgbGreen, c.rgbBlue);
      used[i] = true;
    }
    map[v] = uint8_t(i);
  }
  return true;
}

// Copies frame pixels onto a screen image at (left, top), top-down; pixels
// holding skip (when >= 0) are left out. A 24-bit screen takes the colours,
// a palette screen the indices, through map when given.
void paste(GbImage& screen, const GbImage& frame, uint32_t left, uint32_t top, int skip, const uint8_t* map) {
  const uint32_t w = frame.Width(), h = frame.Height(), sh = screen.Height();
  const RGBQUAD* pal = frame.Palette();
  const bool colour = screen.BitsPerPixel() == 24;
  for (uint32_t t = 0; t < h; ++t) {
    const long fy = long(h - 1 - t), sy = long(sh - 1 - (top + t));
    uint8_t* dst = screen.RowBits(uint32_t(sy));
    const uint8_t* src = frame.RowBits(uint32_t(fy));
    for (uint32_t x = 0; x < w; ++x) {
      const uint8_t v = frame.BitsPerPixel() == 8 ? src[x] : frame.ReadPixelIndexUnchecked(long(x), fy);
      if (int(v) == skip) continue;
      if (colour) {
        uint8_t* p = dst + 3 * size_t(left + x);
        p[0] = pal[v].rgbBlue;
        p[1] = pal[v].rgbGreen;
        p[2] = pal[v].rgbRed;
      } else if (screen.BitsPerPixel() == 8) {
        dst[left + x] = map ? map[v] : v;
      } else {
        screen.WritePixelIndexUnchecked(long(left + x), sy, map ? map[v] : v);
      }
    }
  }
}

// The logical screen the frames are composed on, top-down placement
// included. A frame's disposal is carried out when the next one arrives:
// 2 restores its area to the fill, 3 brings back what was there before it.
class GifScreen : public GbImage {
 public:
  GifScreen(uint32_t width, uint32_t height, bool restoresPrevious)
      : GbImage(GB_TYPE_GIF), width_(width), height_(height), restoresPrevious_(restoresPrevious) {}

  bool Started() const { return started_; }

  // Frames without any colour table, painted in true colour one over the
  // other, transparent pixels included.
  bool Paint(const GbImage& frame, uint32_t left, uint32_t top) {
    if (!started_) {
      if (!Create(width_, height_, 24, GB_TYPE_GIF)) return false;
      Fill(0);
      started_ = true;
    }
    paste(*this, frame, left, top, -1, nullptr);
    std::memcpy(lastPalette_, frame.Palette(), sizeof(RGBQUAD) * frame.PaletteEntryCount());
    return true;
  }

  // The previous frame's disposal, then this frame at (left, top) without
  // its transparent pixels (transparent < 0: none); disposal is its own.
  bool Place(const GbImage& frame, uint32_t left, uint32_t top, int transparent, uint32_t entries, uint8_t disposal) {
    const uint32_t depth = frame.BitsPerPixel();
    if (!started_) {
      // The screen starts filled with the first control block's
      // transparent index; without one (or with its flag clear, when the
      // byte means nothing) with index 0.
      fill_ = transparent >= 0 ? uint8_t(transparent) : 0;
      transparent_ = transparent;
      if (!Create(width_, height_, depth, GB_TYPE_GIF)) return false;
      SetPalette(frame.Palette(), frame.PaletteEntryCount());
      Fill(fill_);
      fillColour_ = PaletteColor(fill_);
      fillColour_.rgbReserved = 0;
      started_ = true;
    } else if (prevDisposal_ == 2) {
      // Restore to background: the previous frame's area only.
      fillRect(*this, prevLeft_, prevTop_, prevWidth_, prevHeight_, fill_, fillColour_);
    } else if (prevDisposal_ == 3 && haveSaved_) {
      if (!CopyFrom(saved_)) return false;
    }
    if (disposal == 3 && restoresPrevious_) {
      if (!saved_.CopyFrom(*this)) return false;  // what this frame's disposal brings back
      haveSaved_ = saved_.HasPixels();
    }
    // Indices carry over while the palettes agree. Otherwise the frame's
    // colours join the screen's palette, and when they don't fit the
    // screen keeps true colours.
    const uint32_t compared = entries ? entries : 256;
    uint8_t map[256];
    bool mapped = false;
    if (BitsPerPixel() != 24 && (BitsPerPixel() != depth || !samePalette(*this, frame, compared))) {
      mapped = mergeColours(*this, frame, transparent, fill_, map);
      if (!mapped && !RaiseBpp(24)) return false;
    }
    paste(*this, frame, left, top, transparent, mapped ? map : nullptr);
    if (BitsPerPixel() == 24) {
      SetBackgroundColor(fillColour_);
      SetBackgroundIndex(transparent_ >= 0 ? 0 : -1);
    } else {
      // An index beyond the palette marks no pixel: no colour key then.
      SetBackgroundIndex(transparent_ < long(PaletteEntryCount()) ? transparent_ : -1);
    }
    prevDisposal_ = disposal;
    prevLeft_ = left;
    prevTop_ = top;
    prevWidth_ = frame.Width();
    prevHeight_ = frame.Height();
    return true;
  }

  // A painted canvas keys the colour the last frame's table gives index.
  void KeyCanvasColour(uint8_t index) {
    RGBQUAD key = lastPalette_[index];
    key.rgbReserved = 0;
    SetBackgroundColor(key);
    SetBackgroundIndex(0);
  }

 private:
  uint32_t width_, height_;
  bool restoresPrevious_;  // some frame uses disposal 3: keep what it covers
  bool started_ = false;
  GbImage saved_{GB_TYPE_GIF};
  bool haveSaved_ = false;
  long transparent_ = -1;
  uint8_t fill_ = 0;
  RGBQUAD fillColour_{};
  uint8_t prevDisposal_ = 0;
  uint32_t prevLeft_ = 0, prevTop_ = 0, prevWidth_ = 0, prevHeight_ = 0;
  RGBQUAD lastPalette_[256] = {};
};

}  // namespace

// What the decoder learns from the header and the frame-counting pass.
struct GbImageGIF::Scan {
  uint32_t screenWidth = 0, screenHeight = 0;
  uint32_t globalEntries = 0;  // 0: no global table
  uint8_t global[768] = {};
  int32_t dataStart = 0;
  long count = 0;
  bool firstSeen = false;
  uint32_t firstWidth = 0, firstHeight = 0;
  bool restoresPrevious = false;                        // some frame uses disposal 3
  long images = 0, emptyImages = 0, outsideImages = 0;  // wholly outside the screen
  bool Fits(uint32_t left, uint32_t top, uint32_t w, uint32_t h) const {
    return w > 0 && h > 0 && uint64_t(left) + w <= screenWidth && uint64_t(top) + h <= screenHeight;
  }
};

GB_CODEC_FACTORY(GbImageGIF)

GbImageGIF::GbImageGIF() : GbImageCodec(GB_TYPE_GIF) {}

void GbImageGIF::SetComment(const char* text) { std::snprintf(comment_, sizeof comment_, "%s", text ? text : ""); }

bool GbImageGIF::Encode(std::FILE* handle) {
  if (!handle) return Encode(static_cast<GbFile*>(nullptr));
  GbIOFile file(handle);
  return Encode(&file);
}

bool GbImageGIF::Encode(std::FILE* handle, GbImage** images, long count, bool localColorTables,
                        bool localDisposalMethods) {
  if (!handle) return Encode(static_cast<GbFile*>(nullptr), images, count, localColorTables, localDisposalMethods);
  GbIOFile file(handle);
  return Encode(&file, images, count, localColorTables, localDisposalMethods);
}

// ---- decoding ------------------------------------------------------------

bool GbImageGIF::ReadExtension(GbFile* f, Control& control) {
  const long label = f->GetC();
  const long size = f->GetC();
  if (label < 0 || size < 0) return false;
  if (size == 0) return true;  // an empty extension: that was its terminator
  uint8_t data[255];
  if (!readExact(f, data, size_t(size))) return false;
  if (label == 0xF9 && size == 4) {
    control.transparent = (data[0] & 1) != 0;
    control.disposal = uint8_t((data[0] >> 2) & 7);
    control.delay = gbio::Le16(data + 1);
    control.index = data[3];
    control.seen = true;
  } else if (label == 0xFE) {
    std::memcpy(comment_, data, size_t(size));
    comment_[size] = 0;
  } else if (label == 0xFF && size == 11) {
    const bool looping = std::memcmp(data, "NETSCAPE2.0", 11) == 0 || std::memcmp(data, "ANIMEXTS1.0", 11) == 0;
    const long n = f->GetC();
    if (n < 0) return false;
    if (n == 0) return true;
    uint8_t sub[255];
    if (!readExact(f, sub, size_t(n))) return false;
    // Sub-block 1 of the looping extension: repeats, 0 for endless.
    if (looping && n > 2 && sub[0] == 1) {
      const uint32_t repeats = gbio::Le16(sub + 1);
      loops_ = repeats == 0 ? 0 : long(repeats) + 1;
    }
  }
  return skipSubBlocks(f);
}

bool GbImageGIF::ScanFrames(GbFile* f, Scan& scan) {
  Control control;
  uint8_t table[768];
  while (true) {
    const long b = f->GetC();
    if (b < 0 || b == ';') break;
    if (b == '!') {
      if (!ReadExtension(f, control)) break;
      if (control.seen && control.disposal == 3) scan.restoresPrevious = true;
      continue;
    }
    if (b == ',') {
      uint8_t d[9];
      if (!readExact(f, d, sizeof d)) break;
      const uint32_t left = gbio::Le16(d), top = gbio::Le16(d + 2), w = gbio::Le16(d + 4), h = gbio::Le16(d + 6);
      if ((d[8] & 0x80) && !readExact(f, table, 3 * size_t(tableEntries(d[8])))) break;
      if (!scan.firstSeen) {
        scan.firstSeen = true;
        scan.firstWidth = w;
        scan.firstHeight = h;
        if (scan.screenWidth == 0 && scan.screenHeight == 0) {
          scan.screenWidth = w;
          scan.screenHeight = h;
        }
      }
      if (scan.Fits(left, top, w, h)) ++scan.count;
      ++scan.images;
      if (w == 0 || h == 0)
        ++scan.emptyImages;
      else if (left >= scan.screenWidth || top >= scan.screenHeight)
        ++scan.outsideImages;
      if (f->GetC() < 0 || !skipSubBlocks(f)) break;
      continue;
    }
    if (b != 0) skipToZero(f);
  }
  return true;
}

const char* GbImageGIF::DecodeStream(GbFile* f) {
  uint8_t head[13];
  if (!readExact(f, head, sizeof head) || std::memcmp(head, "GIF8", 4) != 0) return "Not a GIF file";
  Scan scan;
  scan.screenWidth = gbio::Le16(head + 6);
  scan.screenHeight = gbio::Le16(head + 8);
  if (Probing()) return SizeFound(scan.screenWidth, scan.screenHeight, GB_TYPE_GIF);
  if (head[10] & 0x80) {
    scan.globalEntries = tableEntries(head[10]);
    if (!readExact(f, scan.global, 3 * size_t(scan.globalEntries))) return kTruncated;
  }
  loops_ = 1;  // no loop extension: the animation plays once
  scan.dataStart = f->Tell();
  ScanFrames(f, scan);
  if (scan.count == 0) return NoFrameOnTheScreen(scan) ? nullptr : LastError();
  if (!SelectFrame(scan.count)) return LastError();
  if (!f->Seek(scan.dataStart, GB_SEEK_SET)) return kTruncated;
  return DecodeFrames(f, scan) ? nullptr : LastError();
}

// No image lies on the screen. Images wholly outside it leave what a viewer
// shows: the empty screen, filled with index 0 as every screen starts.
// Anything else is refused, saying why.
bool GbImageGIF::NoFrameOnTheScreen(const Scan& scan) {
  char text[GB_ERROR_TEXT_SIZE];
  if (!scan.firstSeen) {
    SetLastError("the GIF file holds no image");
    return false;
  }
  if (scan.screenWidth == 0 || scan.screenHeight == 0 || scan.emptyImages == scan.images) {
    std::snprintf(text, sizeof text, "the GIF's screen (%u x %u) or its images (%u x %u) have no size",
                  scan.screenWidth, scan.screenHeight, scan.firstWidth, scan.firstHeight);
    SetLastError(text);
    return false;
  }
  if (scan.outsideImages != scan.images) {
    std::snprintf(text, sizeof text, "the GIF's images reach past its %u x %u screen, which shows none of them",
                  scan.screenWidth, scan.screenHeight);
    SetLastError(text);
    return false;
  }
  if (!SelectFrame(1)) return false;
  if (!Create(scan.screenWidth, scan.screenHeight, 8, GB_TYPE_GIF)) return false;
  if (scan.globalEntries)
    SetPaletteRGB(scan.global, scan.globalEntries);
  else
    SetGreyPalette();
  Fill(0);
  SetBackgroundIndex(-1);
  SetProgress(100);
  return true;
}

// The rows of one frame's code stream into frame (created, palette set,
// filled). False when the file ends before the code size byte.
bool GbImageGIF::ReadFramePixels(GbFile* f, GbImage& frame, bool interlaced, uint8_t fill,
                                 std::vector<uint32_t>& rowOrder) {
  const uint32_t w = frame.Width(), h = frame.Height(), depth = frame.BitsPerPixel();
  // Rows arrive top-down, or in the four interlace passes.
  rowOrder.resize(h);
  if (interlaced) {
    static const uint32_t kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    uint32_t k = 0;
    for (int pass = 0; pass < 4; ++pass)
      for (uint32_t t = kStart[pass]; t < h; t += kStep[pass]) rowOrder[k++] = t;
  } else {
    for (uint32_t t = 0; t < h; ++t) rowOrder[t] = t;
  }
  const long minCode = f->GetC();
  if (minCode < 0) return false;
  GifBlockReader reader(f);
  if (minCode >= 2 && minCode <= 11) {  // 11: codes start at the 12-bit maximum
    const GifDecodeResult decoded =
        GifDecodeCodeStream(reader, int(minCode), w, h, fill, [&](uint32_t k, const uint8_t* idx) {
          const uint32_t y = h - 1 - rowOrder[k];
          uint8_t* row = frame.RowBits(y);
          if (depth == 8) {
            std::memcpy(row, idx, w);
          } else if (depth == 4) {
            for (uint32_t x = 0; x < w; x += 2)
              row[x / 2] = uint8_t(((idx[x] & 15) << 4) | (x + 1 < w ? idx[x + 1] & 15 : 0));
          } else {
            for (uint32_t x = 0; x < w; x += 8) {
              uint8_t v = 0;
              for (uint32_t i = 0; i < 8 && x + i < w; ++i) v |= uint8_t((idx[x + i] & 1) << (7 - i));
              row[x / 8] = v;
            }
          }
        });
    // The frame is kept as far as it goes (the rest shows the fill), and
    // the reader is told.
    if (decoded.truncated)
      SetWarning(reader.Truncated() ? "the file ends early; the rest of the picture is blank"
                                    : "a frame's data ends early; the rest of it is blank");
  }
  // The sub-block structure is followed independently of the codes, so
  // even a damaged code stream ends exactly at its terminator.
  reader.SkipRest();
  return true;
}

bool GbImageGIF::DecodeFrames(GbFile* f, Scan& scan) {
  const uint32_t screenW = scan.screenWidth, screenH = scan.screenHeight;
  // Small frames without a global table: paint every frame on a canvas.
  const bool canvas =
      scan.globalEntries == 0 && scan.count > 1 && scan.firstWidth < screenW && scan.firstHeight < screenH;
  const long last = canvas ? scan.count - 1 : Frame();
  const bool keepFrames = RetrieveAllFrames() && !canvas;

  Control control;
  GifScreen screen(screenW, screenH, scan.restoresPrevious);
  size_t keptBytes = 0;
  long frameNo = 0;
  uint8_t local[768];
  std::vector<uint32_t> rowOrder;

  while (frameNo <= last) {
    if (Escape() > 0) return false;
    const long b = f->GetC();
    if (b < 0 || b == ';') break;
    if (b == '!') {
      if (!ReadExtension(f, control)) break;
      continue;
    }
    if (b != ',') {
      if (b != 0) skipToZero(f);
      continue;
    }
    uint8_t d[9];
    if (!readExact(f, d, sizeof d)) break;
    const uint32_t left = gbio::Le16(d), top = gbio::Le16(d + 2), w = gbio::Le16(d + 4), h = gbio::Le16(d + 6);
    const uint8_t flags = d[8];
    uint32_t entries = scan.globalEntries;
    const uint8_t* table = scan.global;
    if (flags & 0x80) {
      entries = tableEntries(flags);
      if (!readExact(f, local, 3 * size_t(entries))) break;
      table = local;
    }
    if (!scan.Fits(left, top, w, h)) {  // not on the screen: skip its data
      if (f->GetC() < 0 || !skipSubBlocks(f)) break;
      continue;
    }

    GbImage frame(GB_TYPE_GIF);
    if (!frame.Create(w, h, depthForEntries(entries), GB_TYPE_GIF)) {
      SetLastError(frame.LastError());
      return false;
    }
    if (entries) {
      frame.SetPaletteRGB(table, entries);
      if (control.transparent)
        for (uint32_t i = entries; i < 256; ++i) frame.SetPaletteColor(i, 255, 255, 255);
    } else {
      frame.SetGreyPalette();
    }
    const int transparent = control.transparent ? control.index : -1;
    const uint8_t fill = transparent >= 0 ? uint8_t(transparent) : 0;
    frame.Fill(fill);
    if (!ReadFramePixels(f, frame, (flags & 0x40) != 0, fill, rowOrder)) break;
    if (Escape()) return false;

    const bool placed = canvas ? screen.Paint(frame, left, top)
                               : screen.Place(frame, left, top, transparent, entries, control.disposal);
    if (!placed) {
      SetLastError(screen.LastError());
      return false;
    }
    if (keepFrames) {
      if (!FrameSlotCount() && !SetFrameSlots(scan.count)) {
        SetLastError("GbImage::Create can't allocate memory");
        return false;
      }
      keptBytes += screen.PackedSize();
      if (keptBytes > kMaxKeptFrameBytes) {
        SetLastError("GIF frames are too large to keep them all");
        return false;
      }
      std::unique_ptr<GbImage> copy(new (std::nothrow) GbImage(screen));
      if (!copy || !copy->HasPixels()) {
        SetLastError("GbImage::Create can't allocate memory");
        return false;
      }
      copy->SetFrame(frameNo);
      copy->SetFrameCount(scan.count);
      copy->SetFrameDelay(control.delay);
      copy->SetDisposalMethod(control.disposal);
      SetFrameAt(frameNo, std::move(copy));
    }
    if (frameNo == last) break;
    ++frameNo;
  }

  if (!screen.Started() || (!canvas && frameNo != last)) {
    SetLastError(kTruncated);
    return false;
  }
  if (canvas && control.transparent) screen.KeyCanvasColour(control.index);
  // The screen becomes this image; the caller's settings stay.
  ImageInfo settings = info_;
  const long background = screen.BackgroundIndex();
  const RGBQUAD backgroundColour = screen.Info().backgroundColor;
  if (!TakeOver(screen, false)) return false;
  const uint32_t stride = info_.rowStride;
  info_ = settings;
  info_.rowStride = stride;
  info_.fileType = GB_TYPE_GIF;
  info_.backgroundIndex = background;
  info_.backgroundColor = backgroundColour;
  info_.lastColorValid = 0;
  SetFrame(frameNo);
  SetFrameCount(scan.count);
  SetFrameDelay(control.delay);
  SetDisposalMethod(control.disposal);
  SetOffset(0, 0);
  SetProgress(100);
  return true;
}

// ---- encoding ------------------------------------------------------------

bool GbImageGIF::WriteFrameData(GbFile* f, GbImage& image, uint32_t mode) {
  const uint32_t w = image.Width(), h = image.Height(), depth = image.BitsPerPixel();
  std::vector<uint8_t> unpacked(depth < 8 ? w : 0);
  auto row = [&](uint32_t t) -> const uint8_t* {
    const long y = long(h - 1 - t);
    if (depth == 8) return image.RowBits(uint32_t(y));
    for (uint32_t x = 0; x < w; ++x) unpacked[x] = image.ReadPixelIndexUnchecked(long(x), y);
    return unpacked.data();
  };
  const GifCodeMode codeMode = mode == GIF_UNCOMPRESSED ? GIF_UNCOMPRESSED
                               : mode == GIF_RUN_LENGTH ? GIF_RUN_LENGTH
                                                        : GIF_LZW;
  const bool written = GifEncodeCodeStream(f, codeMode, int(std::max(2u, depth)), w, h, row);
  if (!written || !f->Flush() || f->Error() != 0) {
    SetLastError(kWriteError);
    return false;
  }
  return true;
}

bool GbImageGIF::Encode(GbFile* f) {
  if (CheckEncodable(f)) return false;
  if (BitsPerPixel() == 24) return EncodeMosaic(f);
  if (FrameSlotCount() > 1) {
    std::vector<GbImage*> frames;
    bool differ = false;
    for (long i = 0; i < FrameSlotCount(); ++i) {
      GbImage* frame = FrameAt(i);
      frames.push_back(frame);
      // A frame whose colours differ from the first gets a table of its own.
      if (frame && frames[0] && frame->HasPixels() && frames[0]->HasPixels() &&
          (frame->BitsPerPixel() != frames[0]->BitsPerPixel() ||
           !samePalette(*frame, *frames[0], frame->PaletteEntryCount())))
        differ = true;
    }
    return Encode(f, frames.data(), long(frames.size()), differ, false);
  }
  return EncodeSingle(f);
}

bool GbImageGIF::EncodeSingle(GbFile* f) {
  const uint32_t w = Width(), h = Height();
  const long left = std::max(0L, XOffset()), top = std::max(0L, YOffset());
  // The logical screen holds the picture where its offset puts it.
  const uint64_t screenW = uint64_t(left) + w, screenH = uint64_t(top) + h;
  if (screenW > 65535 || screenH > 65535) {
    SetLastError(kTooLarge);
    return false;
  }
  Out out(f);
  out.Header(uint32_t(screenW), uint32_t(screenH), headerFlags(BitsPerPixel()), Palette(), PaletteEntryCount());
  out.Control(BackgroundIndex(), FrameDelay(), DisposalMethod());
  out.Comment(comment_);
  out.Descriptor(left, top, w, h, nullptr, BitsPerPixel());
  bool ok = !out.Failed() && WriteFrameData(f, *this, CodecOption(GB_TYPE_GIF));
  out.U8(';');
  if (!ok || out.Failed()) {
    SetLastError(kWriteError);
    return false;
  }
  return true;
}

bool GbImageGIF::EncodeMosaic(GbFile* f) {
  const uint32_t w = Width(), h = Height();
  if (w > 65535 || h > 65535) {
    SetLastError(kTooLarge);
    return false;
  }
  Out out(f);
  out.Header(w, h, 0x11, nullptr, 0);
  out.Comment(comment_);
  const bool keyed = HasBackgroundIndex();
  const RGBQUAD key = BackgroundColor();
  bool ok = !out.Failed();
  for (uint32_t tileTop = 0; ok && tileTop < h; tileTop += kTileHeight) {
    const uint32_t th = std::min<uint32_t>(kTileHeight, h - tileTop);
    for (uint32_t tileLeft = 0; ok && tileLeft < w; tileLeft += kTileWidth) {
      const uint32_t tw = std::min<uint32_t>(kTileWidth, w - tileLeft);
      GbImage tile(GB_TYPE_GIF);
      if (!tile.Create(tw, th, 8, GB_TYPE_GIF)) {
        SetLastError(tile.LastError());
        return false;
      }
      if (keyed) {
        tile.SetPaletteColor(0, key);
        tile.SetBackgroundIndex(0);
      } else {
        tile.SetBackgroundIndex(-1);
      }
      // Entry i * 17 + j + 1 belongs to pixel (j, i) from the tile's bottom
      // row; a colour met before keeps its lower entry.
      for (uint32_t i = 0; i < th; ++i) {
        const long y = long(h - tileTop - th + i);
        for (uint32_t j = 0; j < tw; ++j) {
          RGBQUAD c = ReadPixelColorUnchecked(long(tileLeft + j), y, false);
          c.rgbReserved = 0;
          tile.SetPaletteColor(i * kTileWidth + j + 1, c);
          tile.WritePixelIndexUnchecked(long(j), long(i), tile.NearestPaletteIndex(c));
        }
      }
      out.Control(tile.BackgroundIndex(), 0, 0);
      out.Descriptor(long(tileLeft), long(tileTop), tw, th, tile.Palette(), 8);
      ok = !out.Failed() && WriteFrameData(f, tile, GIF_LZW);
    }
  }
  out.U8(';');
  if (!ok || out.Failed()) {
    SetLastError(kWriteError);
    return false;
  }
  return true;
}

bool GbImageGIF::Encode(GbFile* f, GbImage** images, long count, bool localColorTables, bool localDisposalMethods) {
  if (!f) {
    SetLastError("invalid file pointer");
    return false;
  }
  if (!images || count <= 0 || !images[0]) {
    SetLastError("multipage GIF, no images!");
    return false;
  }
  uint64_t screenW = 0, screenH = 0;
  for (long i = 0; i < count; ++i) {
    const GbImage* image = images[i];
    if (!image) {
      SetLastError("Bad image pointer");
      return false;
    }
    if (!image->HasPixels()) {
      SetLastError("Empty image");
      return false;
    }
    if (image->PaletteEntryCount() == 0) {
      SetLastError("GbImageGIF::Encode cannot create animated GIFs with a true color frame. Use DecreaseBpp before");
      return false;
    }
    // Every frame must lie on the logical screen.
    screenW = std::max(screenW, uint64_t(std::max(0L, image->XOffset())) + image->Width());
    screenH = std::max(screenH, uint64_t(std::max(0L, image->YOffset())) + image->Height());
  }
  if (screenW > 65535 || screenH > 65535) {
    SetLastError(kTooLarge);
    return false;
  }
  Out out(f);
  const GbImage& first = *images[0];
  out.Header(uint32_t(screenW), uint32_t(screenH), headerFlags(first.BitsPerPixel()), first.Palette(),
             first.PaletteEntryCount());
  if (loops_ != 1) out.Loop(uint32_t(std::clamp(loops_ - 1, 0L, 65535L)));
  const uint32_t mode = CodecOption(GB_TYPE_GIF);
  bool ok = !out.Failed();
  for (long i = 0; ok && i < count; ++i) {
    GbImage& image = *images[i];
    const uint8_t disposal = localDisposalMethods ? image.DisposalMethod() : DisposalMethod();
    out.Control(image.BackgroundIndex(), image.FrameDelay(), disposal);
    if (i == 0) out.Comment(comment_);
    const bool ownTable = localColorTables && i > 0;
    out.Descriptor(std::max(0L, image.XOffset()), std::max(0L, image.YOffset()), image.Width(), image.Height(),
                   ownTable ? image.Palette() : nullptr, image.BitsPerPixel());
    ok = !out.Failed() && WriteFrameData(f, image, mode);
  }
  out.U8(';');
  if (!ok || out.Failed()) {
    SetLastError(kWriteError);
    return false;
  }
  return true;
}
