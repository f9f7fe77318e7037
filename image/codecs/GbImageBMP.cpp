#include "image/codecs/GbImageBMP.h"

#include "image/io/ByteReader.h"
#include "image/io/Bytes.h"
#include "image/io/DecodeLimits.h"
#include "image/io/DibPixels.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Reads up to n bytes; returns how many arrived.
size_t readSome(GbFile* f, void* buffer, size_t n) { return n ? f->Read(buffer, 1, n) : 0; }
bool readExact(GbFile* f, void* buffer, size_t n) { return readSome(f, buffer, n) == n; }

constexpr const char* kNotBmp = "Not a BMP";
constexpr const char* kBadInfo = "Error reading BMP info";
constexpr const char* kCancelled = "Cancelled";
constexpr const char* kCompressionNotSupported = "compression type not supported";
constexpr const char* kUnknownCompression = "unknown compression";
constexpr const char* kNoMemory = "can't allocate memory";
constexpr const char* kTooShort = "BMP data too short for the image size";
// Decoding goes on with what is there; the reader is told.
constexpr const char* kEndsEarly = "the file ends early; the rest of the picture is blank";
constexpr const char* kWriteError = "Error writing BMP";

// Extended header sizes with a known layout (V2, V3, V4, V5 headers).
bool knownLongHeader(uint32_t size) { return size == 52 || size == 56 || size == 108 || size == 124; }

}  // namespace

GB_CODEC_FACTORY(GbImageBMP)

const char* GbImageBMP::DecodeStream(GbFile* f) {
  const int64_t start = f->Tell();
  if (start < 0) return kNotBmp;
  uint8_t fileHeader[14];
  if (!readExact(f, fileHeader, sizeof fileHeader)) return kNotBmp;
  uint32_t dataOffset = gbio::Le32(fileHeader + 10);
  if (gbio::Le16(fileHeader) != 0x4D42) {
    // A packed bitmap: the info header comes first.
    dataOffset = 0;
    if (!f->Seek(int32_t(start), GB_SEEK_SET)) return kNotBmp;
  }
  const int64_t headerStart = f->Tell();
  if (headerStart < 0) return kBadInfo;

  // ---- info header ----
  uint8_t ih[40] = {};
  if (!readExact(f, ih, 4)) return kBadInfo;
  const uint32_t headerSize = gbio::Le32(ih);
  const bool core = headerSize == 12;
  BITMAPINFOHEADER h{};
  if (core) {
    if (!readExact(f, ih + 4, 8)) return kBadInfo;
    h.biSize = 40;
    h.biWidth = gbio::Le16(ih + 4);
    h.biHeight = gbio::Le16(ih + 6);
    h.biPlanes = gbio::Le16(ih + 8);
    h.biBitCount = gbio::Le16(ih + 10);
  } else {
    if (headerSize < 40) return kBadInfo;
    if (!readExact(f, ih + 4, 36)) return kBadInfo;
    h.biSize = headerSize;
    h.biWidth = int32_t(gbio::Le32(ih + 4));
    h.biHeight = int32_t(gbio::Le32(ih + 8));
    h.biPlanes = gbio::Le16(ih + 12);
    h.biBitCount = gbio::Le16(ih + 14);
    h.biCompression = gbio::Le32(ih + 16);
    h.biSizeImage = gbio::Le32(ih + 20);
    h.biXPelsPerMeter = int32_t(gbio::Le32(ih + 24));
    h.biYPelsPerMeter = int32_t(gbio::Le32(ih + 28));
    h.biClrUsed = gbio::Le32(ih + 32);
    h.biClrImportant = gbio::Le32(ih + 36);
  }

  const uint32_t bits = h.biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return kBadInfo;
  if (h.biWidth < 0 || h.biHeight == INT32_MIN) return kBadInfo;
  const bool topDown = h.biHeight < 0;
  const uint32_t width = uint32_t(h.biWidth);
  const uint32_t height = uint32_t(topDown ? -h.biHeight : h.biHeight);
  const uint64_t computedSize = uint64_t((uint64_t(bits) * width + 31) / 32) * 4 * height;

  if (headerSize > 40 && headerSize != 64 && !knownLongHeader(headerSize)) {
    // An unknown layout is trusted only when its first fields look sane.
    if (h.biPlanes != 1 || h.biClrUsed != 0 || h.biSizeImage < computedSize) return kBadInfo;
  }
  if (h.biSizeImage == 0) h.biSizeImage = computedSize > UINT32_MAX ? UINT32_MAX : uint32_t(computedSize);
  if (h.biClrUsed == 0 && bits <= 8) h.biClrUsed = 1u << bits;

  // Where the header ends: the palette or the masks follow.
  const int64_t headerEnd = headerStart + (core ? 12 : int64_t(headerSize));
  if (headerEnd > INT32_MAX) return kBadInfo;

  // ---- dimension probe ----
  if (Probing()) return SizeFound(width, height, GB_TYPE_BMP);

  const uint32_t compression = h.biCompression;
  const bool rle = bits <= 8 && (compression == BI_RLE8 || compression == BI_RLE4);

  // Where the pixel data of a packed bitmap (no data offset) starts.
  const uint32_t paletteEntries = bits <= 8 ? std::min<uint32_t>(h.biClrUsed, 1u << bits) : 0;
  const uint32_t entrySize = core ? 3 : 4;
  int64_t pixelStart;
  if (dataOffset != 0) {
    pixelStart = start + int64_t(dataOffset);
  } else if (bits <= 8) {
    pixelStart = headerEnd + int64_t(paletteEntries) * entrySize;
  } else {
    const int64_t afterMasks = headerStart + 40 + (compression == BI_BITFIELDS ? 12 : 0);
    pixelStart = std::max(headerEnd, afterMasks);
  }
  if (pixelStart > INT32_MAX) return kBadInfo;

  // ---- the file must be able to justify the memory it asks for ----
  const uint64_t stride = GbImage::StrideFor(width, bits <= 8 ? bits : 24);
  uint64_t allocation = stride * height;
  if (bits == 32) allocation += uint64_t(width) * height * 5;  // read buffer and alpha plane
  const int64_t streamSize = f->Size();
  if (streamSize >= 0 && width > 0 && height > 0) {
    const uint64_t available = streamSize > pixelStart ? uint64_t(streamSize - pixelStart) : 0;
    if (rle) {
      const auto rowsReached = [&]() -> uint64_t {
        if (!f->Seek(int32_t(pixelStart), GB_SEEK_SET)) return 0;
        ByteReader in(f);
        return gbdib::RowsReached([&in] { return in.Next(); }, compression == BI_RLE4);
      };
      if (!gbdib::Justified(allocation, available, height, rowsReached)) return kTooShort;
    } else if (!gbio::Justifies(gbio::kBmpRawRatio, available, allocation)) {
      return kTooShort;
    }
  }

  if (!Create(width, height, bits, GB_TYPE_BMP)) return LastError();
  SetDpiX(GbImage::PpmToDpi(h.biXPelsPerMeter));
  SetDpiY(GbImage::PpmToDpi(h.biYPelsPerMeter));
  if (Escape()) return kCancelled;

  // ---- palette ----
  if (bits <= 8) {
    if (!f->Seek(int32_t(headerEnd), GB_SEEK_SET)) return kBadInfo;
    std::vector<uint8_t> raw(size_t(paletteEntries) * entrySize, 0);
    readSome(f, raw.data(), raw.size());  // a short palette leaves black entries
    RGBQUAD* palette = Palette();
    for (uint32_t i = 0; i < paletteEntries; ++i) {
      const uint8_t* e = raw.data() + size_t(i) * entrySize;
      palette[i] = RGBQUAD{e[0], e[1], e[2], 0};
    }
  }
  if (Escape()) return kCancelled;

  // ---- pixels ----
  uint32_t masks[3] = {0, 0, 0};
  if ((bits == 16 || bits == 32) && compression == BI_BITFIELDS) {
    uint8_t m[12];
    if (!f->Seek(int32_t(headerStart + 40), GB_SEEK_SET) || !readExact(f, m, sizeof m)) return kBadInfo;
    masks[0] = gbio::Le32(m);
    masks[1] = gbio::Le32(m + 4);
    masks[2] = gbio::Le32(m + 8);
  }
  if (!f->Seek(int32_t(pixelStart), GB_SEEK_SET)) return kBadInfo;

  uint8_t* pixels = RowBits(0);
  const size_t area = size_t(RowStride()) * Height();
  switch (bits) {
    case 1:
    case 4:
    case 8:
      if (compression == BI_RGB) {
        const size_t want = std::min<size_t>(h.biSizeImage, area);
        const size_t got = readSome(f, pixels, want);
        std::memset(pixels + got, 0, area - got);
        if (got + LastRowPadding() < want) SetWarning(kEndsEarly);
      } else if (compression == BI_RLE8 && bits == 8) {
        std::memset(pixels, 0, area);
        if (!DecodeRle(f, false)) SetWarning(kEndsEarly);
      } else if (compression == BI_RLE4 && bits == 4) {
        std::memset(pixels, 0, area);
        if (!DecodeRle(f, true)) SetWarning(kEndsEarly);
      } else {
        return kCompressionNotSupported;
      }
      break;
    case 16: {
      if (compression != BI_RGB && compression != BI_BITFIELDS) return kUnknownCompression;
      if (compression == BI_RGB) gbdib::DefaultMasks(bits, masks);
      if (const char* e = ReadBitFields16(f, masks)) return e;
      break;
    }
    case 24: {
      if (compression != BI_RGB) return kUnknownCompression;
      const size_t got = readSome(f, pixels, area);
      std::memset(pixels + got, 0, area - got);
      if (got + LastRowPadding() < area) SetWarning(kEndsEarly);
      break;
    }
    case 32: {
      if (compression != BI_RGB && compression != BI_BITFIELDS) return kUnknownCompression;
      if (compression == BI_RGB) gbdib::DefaultMasks(bits, masks);
      if (const char* e = ReadBitFields32(f, masks, compression == BI_RGB)) return e;
      break;
    }
    default: return kBadInfo;
  }

  if (topDown && !FlipRowsAndAlpha()) return kNoMemory;
  return nullptr;
}

const char* GbImageBMP::ReadBitFields16(GbFile* f, const uint32_t masks[3]) {
  const uint32_t width = Width(), height = Height();
  const size_t srcStride = size_t((width + 1) / 2) * 4;
  const size_t srcSize = srcStride * height;
  uint8_t* pixels = RowBits(0);
  // The 16-bit rows fit inside the 24-bit area; expand in place from the end.
  const size_t got = readSome(f, pixels, srcSize);
  std::memset(pixels + got, 0, srcSize - got);
  if (got + (srcStride - 2 * size_t(width)) < srcSize) SetWarning(kEndsEarly);
  const gbdib::BitFields fields(masks, 16);
  const size_t dstStride = RowStride();
  for (uint32_t yy = height; yy-- > 0;) {
    uint8_t* dst = pixels + yy * dstStride;
    gbdib::BitFieldRow(pixels + yy * srcStride, dst, width, 16, fields);
    std::memset(dst + 3 * size_t(width), 0, dstStride - 3 * size_t(width));
  }
  return nullptr;
}

const char* GbImageBMP::ReadBitFields32(GbFile* f, const uint32_t masks[3], bool withAlpha) {
  const uint32_t width = Width(), height = Height();
  const size_t count = size_t(width) * height;
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[count * 4]);
  if (!buffer) return kNoMemory;
  const size_t got = readSome(f, buffer.get(), count * 4);
  std::memset(buffer.get() + got, 0, count * 4 - got);
  if (got < count * 4) SetWarning(kEndsEarly);
  if (withAlpha) {
    GbBuffer plane = GbBuffer::Allocate(count);
    if (!plane) return kNoMemory;
    bool anyAlpha = false;
    for (size_t i = 0; i < count; ++i) {
      plane[i] = buffer[i * 4 + 3];
      anyAlpha |= plane[i] != 0;
    }
    // All-zero fourth bytes are padding, not transparency.
    if (!anyAlpha) std::memset(plane, 255, count);
    AdoptAlphaPlane(std::move(plane));
  }
  const gbdib::BitFields fields(masks, 32);
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* dst = RowBits(y);
    gbdib::BitFieldRow(buffer.get() + size_t(y) * width * 4, dst, width, 32, fields);
    std::memset(dst + 3 * size_t(width), 0, RowStride() - 3 * size_t(width));
  }
  return nullptr;
}

// Runs that would land outside the pixel area are dropped.
bool GbImageBMP::DecodeRle(GbFile* f, bool fourBits) {
  ByteReader in(f);
  return gbdib::DecodeRle([&in] { return in.Next(); }, [this](size_t row) { return RowBits(uint32_t(row)); },
                          RowStride(), Height(), fourBits);
}

size_t GbImageBMP::LastRowPadding() const { return RowStride() - (size_t(Width()) * BitsPerPixel() + 7) / 8; }

bool GbImageBMP::FlipRowsAndAlpha() {
  const size_t stride = RowStride();
  const size_t height = Height();
  const size_t width = Width();
  std::unique_ptr<uint8_t[]> tmp(new (std::nothrow) uint8_t[std::max(stride, width)]);
  if (!tmp) return false;
  for (size_t a = 0, b = height - 1; a < b; ++a, --b) {
    uint8_t* ra = RowBits(uint32_t(a));
    uint8_t* rb = RowBits(uint32_t(b));
    std::memcpy(tmp.get(), ra, stride);
    std::memcpy(ra, rb, stride);
    std::memcpy(rb, tmp.get(), stride);
    if (alpha_) {
      uint8_t* pa = alpha_ + a * width;
      uint8_t* pb = alpha_ + b * width;
      std::memcpy(tmp.get(), pa, width);
      std::memcpy(pa, pb, width);
      std::memcpy(pb, tmp.get(), width);
    }
  }
  return true;
}

bool GbImageBMP::Encode(GbFile* f) {
  if (CheckEncodable(f)) return false;
  const uint32_t width = Width(), height = Height();
  uint8_t fileHeader[14] = {};
  gbio::PutLe16(fileHeader, 0x4D42);
  if (PaletteEntryCount() || !alpha_) {
    const size_t packed = PackedSize();
    gbio::PutLe32(fileHeader + 2, uint32_t(packed + 14));
    gbio::PutLe32(fileHeader + 10, 14 + 40 + 4 * PaletteEntryCount());
    std::memcpy(block_, &header_, 40);
    if (f->Write(fileHeader, 1, 14) != 14 || f->Write(block_, 1, packed) != packed) {
      SetLastError(kWriteError);
      return false;
    }
    return true;
  }
  // 24 bits with alpha: a 32-bit file, blue, green, red, alpha per pixel.
  const uint32_t imageSize = width * height * 4;
  gbio::PutLe32(fileHeader + 2, imageSize + 54);
  gbio::PutLe32(fileHeader + 10, 54);
  uint8_t info[40];
  BITMAPINFOHEADER h = header_;
  h.biBitCount = 32;
  h.biCompression = BI_RGB;
  h.biSizeImage = imageSize;
  gbio::PutLe32(info, 40);
  gbio::PutLe32(info + 4, uint32_t(h.biWidth));
  gbio::PutLe32(info + 8, uint32_t(h.biHeight));
  gbio::PutLe16(info + 12, 1);
  gbio::PutLe16(info + 14, h.biBitCount);
  gbio::PutLe32(info + 16, h.biCompression);
  gbio::PutLe32(info + 20, h.biSizeImage);
  gbio::PutLe32(info + 24, uint32_t(h.biXPelsPerMeter));
  gbio::PutLe32(info + 28, uint32_t(h.biYPelsPerMeter));
  gbio::PutLe32(info + 32, h.biClrUsed);
  gbio::PutLe32(info + 36, h.biClrImportant);
  if (f->Write(fileHeader, 1, 14) != 14 || f->Write(info, 1, 40) != 40) {
    SetLastError(kWriteError);
    return false;
  }
  std::vector<uint8_t> row(size_t(width) * 4);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* src = RowBits(y);
    const uint8_t* a = alpha_ + size_t(y) * width;
    for (uint32_t x = 0; x < width; ++x) {
      row[4 * x] = src[3 * x];
      row[4 * x + 1] = src[3 * x + 1];
      row[4 * x + 2] = src[3 * x + 2];
      row[4 * x + 3] = a[x];
    }
    if (f->Write(row.data(), 1, row.size()) != row.size()) {
      SetLastError(kWriteError);
      return false;
    }
    SetProgress(long(y) * 100 / long(height));
  }
  return true;
}
