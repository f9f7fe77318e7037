#include "image/codecs/GbImageWMF.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/codecs/MetaRecords.h"
#include "platform/gdi/Gdi.h"
#include "image/io/Bytes.h"

namespace {

constexpr const char* kCorrupted = "corrupted WMF";
constexpr const char* kEmpty = "empty WMF";
constexpr const char* kCancelled = "Cancelled";
constexpr const char* kNoMemory = "GbImage::Create can't allocate memory";

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"

int32_t sle32(const uint8_t* p) { return int32_t(gbio::Le32(p)); }

size_t readSome(GbFile* f, void* buffer, size_t n) { return n ? f->Read(buffer, 1, n) : 0; }

// The drawing surface: a 32-bit DIB section in a memory context, released
// with everything selected into it.
struct Surface {
  HDC screen = nullptr;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ oldBitmap = nullptr;
  HPALETTE palette = nullptr;
  HPALETTE oldPalette = nullptr;
  uint32_t* pixels = nullptr;
  ~Surface() {
    if (dc && oldPalette) SelectPalette(dc, oldPalette, FALSE);
    if (dc && oldBitmap) SelectObject(dc, oldBitmap);
    if (palette) DeleteObject(palette);
    if (bitmap) DeleteObject(bitmap);
    if (dc) DeleteDC(dc);
    if (screen) ReleaseDC(nullptr, screen);
  }
};

// The palette an enhanced metafile carries in its end record.
std::vector<PALETTEENTRY> emfPalette(const uint8_t* data, size_t size) {
  std::vector<PALETTEENTRY> entries;
  size_t pos = 0;
  while (pos + 8 <= size) {
    const uint32_t type = gbio::Le32(data + pos), length = gbio::Le32(data + pos + 4);
    if (length < 8 || length % 4 || length > size - pos) break;
    if (type == 14) {
      if (length < 20) break;
      const uint32_t count = gbio::Le32(data + pos + 8), offset = gbio::Le32(data + pos + 12);
      if (offset > length || count > (length - offset) / 4) break;
      for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = data + pos + offset + 4 * size_t(i);
        entries.push_back(PALETTEENTRY{e[0], e[1], e[2], e[3]});
      }
      break;
    }
    pos += length;
  }
  return entries;
}

}  // namespace

GB_CODEC_FACTORY(GbImageWMF)

bool GbImageWMF::Decode(GbFile* stream, uint32_t requestedWidth, uint32_t requestedHeight) {
  requestedWidth_ = requestedWidth;
  requestedHeight_ = requestedHeight;
  const bool ok = GbImageCodec::Decode(stream);
  requestedWidth_ = requestedHeight_ = 0;
  return ok;
}

const char* GbImageWMF::NoMemoryText() const { return kNoMemory; }

const char* GbImageWMF::DecodeStream(GbFile* f) {
  const uint32_t requestedWidth = requestedWidth_, requestedHeight = requestedHeight_;
  const int32_t start = f->Tell();
  const int32_t streamSize = f->Size();
  if (start < 0 || streamSize < start) return kCorrupted;
  const size_t available = size_t(streamSize - start);

  HDC screen = GetDC(nullptr);
  const int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  const int screenBits = GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);

  // ---- placeable metafile, else enhanced metafile ----
  bool placeable = false;
  int64_t width = 0, height = 0;
  int16_t box[4] = {0, 0, 0, 0};
  uint32_t objectCount = 0;
  size_t recordsAt = 0, recordsEnd = 0;
  uint8_t head[22 + 18];
  // Some writers count the placeable header in the metafile's size, so the
  // size is checked against the whole stream.
  if (readSome(f, head, sizeof head) == sizeof head && gbio::Le32(head) == kPlaceableKey) {
    uint16_t checksum = 0;
    for (int i = 0; i < 10; ++i) checksum ^= gbio::Le16(head + 2 * i);
    const uint32_t unitsPerInch = gbio::Le16(head + 14);
    const uint8_t* mh = head + 22;
    const uint32_t type = gbio::Le16(mh), headerWords = gbio::Le16(mh + 2), sizeWords = gbio::Le32(mh + 6);
    if (checksum == gbio::Le16(head + 20) && unitsPerInch >= 1 && unitsPerInch <= 2540 && (type == 1 || type == 2) &&
        uint64_t(sizeWords) * 2 <= available && headerWords >= 9 && uint64_t(headerWords) * 2 <= available - 22) {
      placeable = true;
      for (int i = 0; i < 4; ++i) box[i] = int16_t(gbio::Le16(head + 6 + 2 * i));
      width = (int64_t(box[2] - box[0]) * dpiX + unitsPerInch / 2) / unitsPerInch;
      height = (int64_t(box[3] - box[1]) * dpiY + unitsPerInch / 2) / unitsPerInch;
      objectCount = gbio::Le16(mh + 10);
      recordsAt = 22 + size_t(headerWords) * 2;
      recordsEnd = std::max(recordsAt, 22 + size_t(sizeWords) * 2);
    }
  }
  uint8_t emf[108];
  if (!placeable) {
    if (!f->Seek(start, GB_SEEK_SET) || readSome(f, emf, sizeof emf) != sizeof emf || gbio::Le32(emf) != 1 ||
        gbio::Le32(emf + 40) != kEmfSignature)
      return kCorrupted;
    width = int64_t(sle32(emf + 16)) - sle32(emf + 8);
    height = int64_t(sle32(emf + 20)) - sle32(emf + 12);
  }
  if (width <= 0 || height <= 0) return kEmpty;

  if (Probing())
    return SizeFound(uint32_t(std::min<int64_t>(width, INT32_MAX)), uint32_t(std::min<int64_t>(height, INT32_MAX)),
                     GB_TYPE_WMF);

  const int64_t fileWidth = width, fileHeight = height;
  if (requestedWidth && requestedHeight) {
    width = requestedWidth;
    height = requestedHeight;
  }
  if (width > kMaxSide) {
    height = height * kMaxSide / width;
    width = kMaxSide;
  }
  if (height > kMaxSide) {
    width = width * kMaxSide / height;
    height = kMaxSide;
  }
  // A very slender picture keeps at least one pixel across.
  width = std::max<int64_t>(width, 1);
  height = std::max<int64_t>(height, 1);

  std::vector<uint8_t> data(available);
  if (!f->Seek(start, GB_SEEK_SET) || readSome(f, data.data(), data.size()) != data.size()) return kCorrupted;

  // ---- the drawing surface, cleared to the window colour ----
  Surface s;
  s.screen = GetDC(nullptr);
  s.dc = CreateCompatibleDC(s.screen);
  BITMAPINFOHEADER bi{};
  bi.biSize = 40;
  bi.biWidth = LONG(width);
  bi.biHeight = -LONG(height);  // top row first, as the player draws
  bi.biPlanes = 1;
  bi.biBitCount = 32;
  void* bits = nullptr;
  s.bitmap = CreateDIBSection(s.screen, &bi, DIB_RGB_COLORS, &bits);
  if (!s.dc || !s.bitmap || !bits) return kNoMemory;
  s.pixels = static_cast<uint32_t*>(bits);
  s.oldBitmap = SelectObject(s.dc, s.bitmap);
  std::fill(s.pixels, s.pixels + size_t(width) * size_t(height), 0xFFFFFFu);

  meta::Canvas canvas(s.pixels, int(width), int(height));
  meta::Player player(canvas, s.dc);
  const auto cancelled = [this] { return Escape() != 0; };
  if (placeable) {
    // The bounding box fills the picture; the file's window extents and
    // origin, when it sets them, take over from there.
    player.LockViewport(double(width), double(height));
    player.SetWindowOrg(box[0], box[1]);
    player.SetWindowExt(box[2] - box[0], box[3] - box[1]);
    const size_t end = std::min(recordsEnd, data.size());
    if (recordsAt < end) meta::PlayWmf(data.data() + recordsAt, end - recordsAt, objectCount, player, cancelled);
  } else {
    if (gbio::Le32(emf + 68) != 0) {
      const std::vector<PALETTEENTRY> entries = emfPalette(data.data(), data.size());
      if (!entries.empty()) {
        s.palette = CreatePalette(entries.data(), int(entries.size()));
        if (!s.palette) return kCancelled;
        s.oldPalette = SelectPalette(s.dc, s.palette, FALSE);
        RealizePalette(s.dc);
      }
    }
    // The picture frame (0.01 mm) is what is mapped onto the bitmap.
    const double devX = sle32(emf + 72), devY = sle32(emf + 76);
    double mmX = sle32(emf + 80), mmY = sle32(emf + 84);
    if (gbio::Le32(emf + 4) >= 108) {
      // Micrometres are more precise, when the header really has them.
      const double umX = sle32(emf + 100) / 1000.0, umY = sle32(emf + 104) / 1000.0;
      if (umX > 0 && umY > 0 && std::abs(umX - mmX) <= std::max(1.0, mmX * 0.1) &&
          std::abs(umY - mmY) <= std::max(1.0, mmY * 0.1)) {
        mmX = umX;
        mmY = umY;
      }
    }
    const double pxPerMmX = devX > 0 && mmX > 0 ? devX / mmX : 96 / 25.4;
    const double pxPerMmY = devY > 0 && mmY > 0 ? devY / mmY : 96 / 25.4;
    player.SetDeviceResolution(pxPerMmX, pxPerMmY);
    double left = sle32(emf + 24) * pxPerMmX / 100, top = sle32(emf + 28) * pxPerMmY / 100;
    double right = sle32(emf + 32) * pxPerMmX / 100, bottom = sle32(emf + 36) * pxPerMmY / 100;
    if (!(right - left > 0.5 && bottom - top > 0.5)) {
      left = sle32(emf + 8);
      top = sle32(emf + 12);
      right = left + double(fileWidth);
      bottom = top + double(fileHeight);
    }
    player.SetOutput(double(width) / (right - left), double(height) / (bottom - top),
                     -left * double(width) / (right - left), -top * double(height) / (bottom - top));
    const size_t declared = gbio::Le32(emf + 48);
    const size_t end = declared >= 108 ? std::min(declared, data.size()) : data.size();
    meta::PlayEmf(data.data(), end, player, cancelled);
  }
  if (Escape()) return kCancelled;

  // ---- the picture, read back through the stand-in ----
  if (!Create(uint32_t(width), uint32_t(height), uint32_t(screenBits), GB_TYPE_WMF)) return LastError();
  SelectObject(s.dc, s.oldBitmap);
  s.oldBitmap = nullptr;
  BITMAPINFO out{};
  out.bmiHeader = header_;
  out.bmiHeader.biSize = 40;
  if (GetDIBits(s.dc, s.bitmap, 0, uint32_t(height), RowBits(0), &out, DIB_RGB_COLORS) != int(height)) return kNoMemory;
  return nullptr;
}

bool GbImageWMF::Encode(GbFile* stream) {
  if (CheckEncodable(stream)) return false;
  SetLastError("Save WMF not supported");
  return false;
}
