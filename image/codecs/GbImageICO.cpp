#include "image/codecs/GbImageICO.h"

#include <algorithm>
#include <cstring>

#include "image/codecs/GbImagePNG.h"
#include "image/io/GbMemFile.h"
#include "image/io/Bytes.h"

namespace {

struct Out {
  std::vector<uint8_t> bytes;
  void u8(uint32_t v) { bytes.push_back(uint8_t(v)); }
  void u16(uint32_t v) {
    u8(v);
    u8(v >> 8);
  }
  void u32(uint32_t v) {
    u16(v);
    u16(v >> 16);
  }
};

size_t readSome(GbFile* f, void* buffer, size_t n) { return n ? f->Read(buffer, 1, n) : 0; }

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint32_t kMaxSide = 0x7FFF;
constexpr const char* kCorrupted = "corrupted ICO";

uint32_t maskStrideFor(uint32_t width) { return ((width + 31) / 32) * 4; }

}  // namespace

GB_CODEC_FACTORY(GbImageICO)

const char* GbImageICO::DecodeStream(GbFile* f) {
  const int32_t start = f->Tell();
  const int32_t streamSize = f->Size();
  if (start < 0 || streamSize < 0) return LastError();
  uint8_t header[6];
  const uint32_t type = readSome(f, header, 6) == 6 ? gbio::Le16(header + 2) : 0;
  if (type == 0 || gbio::Le16(header) != 0 || (type != 1 && type != 2)) return "Not an icon or cursor file";
  const uint32_t count = gbio::Le16(header + 4);
  const bool frameExists = SelectFrame(long(count));
  if (count == 0) return "the icon file holds no images";
  if (!frameExists) return LastError();  // the caller names the count
  const long frame = Frame();

  std::vector<uint8_t> directory(size_t(count) * 16);
  if (readSome(f, directory.data(), directory.size()) != directory.size())
    return "the icon file ends inside its list of images";
  const uint8_t* e = directory.data() + size_t(frame) * 16;
  Entry entry;
  entry.width = e[0] ? e[0] : 256;
  entry.height = e[1] ? e[1] : 256;
  entry.size = gbio::Le32(e + 8);
  entry.offset = gbio::Le32(e + 12);
  const int64_t dataStart = int64_t(start) + entry.offset;
  if (dataStart + 8 > streamSize || !f->Seek(int32_t(dataStart), GB_SEEK_SET)) return kCorrupted;

  // PNG entries are known by their signature: the directory's size bytes
  // are 0 for 256-pixel PNG entries, but smaller PNG entries exist too.
  uint8_t signature[8];
  if (readSome(f, signature, 8) != 8 || !f->Seek(int32_t(dataStart), GB_SEEK_SET)) return kCorrupted;
  const bool png = std::memcmp(signature, kPngSignature, 8) == 0;
  const bool ok = png ? DecodePng(f, dataStart, entry) : DecodeBitmap(f, dataStart, entry);
  // An entry that cannot be read says so.
  if (!ok && !*LastError()) SetLastError(kCorrupted);
  SetFrameCount(long(count));
  SetFrame(frame);
  return ok ? nullptr : LastError();
}

bool GbImageICO::DecodePng(GbFile* f, int64_t dataStart, const Entry& entry) {
  const int64_t left = int64_t(f->Size()) - dataStart;
  const int64_t n = entry.size ? std::min<int64_t>(entry.size, left) : left;
  if (n < 8) return false;
  std::vector<uint8_t> data(static_cast<size_t>(n));
  if (readSome(f, data.data(), data.size()) != data.size()) return false;
  GbMemFile memory(data.data(), int32_t(n));
  GbImagePNG decoder;
  decoder.SetEscape(Escape());
  uint32_t width = 0, height = 0;
  if (!(Probing() ? decoder.ProbeSize(&memory, width, height) : decoder.Decode(&memory))) {
    SetLastError(decoder.LastError());
    return false;
  }
  if (Probing()) {
    SizeFound(width, height, GB_TYPE_ICO);
    return true;
  }
  if (!TakeOver(decoder, true)) return false;
  info_.fileType = GB_TYPE_ICO;
  return true;
}

bool GbImageICO::DecodeBitmap(GbFile* f, int64_t dataStart, const Entry& entry) {
  uint8_t h[40];
  if (readSome(f, h, 40) != 40) return false;
  const uint32_t headerSize = gbio::Le32(h);
  const int32_t headerWidth = int32_t(gbio::Le32(h + 4));
  const int32_t headerHeight = int32_t(gbio::Le32(h + 8));
  const uint32_t bits = gbio::Le16(h + 14);
  const uint32_t compression = gbio::Le32(h + 16);
  uint32_t coloursUsed = gbio::Le32(h + 32);
  if (headerSize < 40 || headerSize > 1024 || compression != 0) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
  if (bits <= 8 && coloursUsed == 0) coloursUsed = 1u << bits;
  if (coloursUsed > 256) return false;
  const uint32_t paletteEntries = bits <= 8 ? std::min(coloursUsed, 1u << bits) : 0;

  const int64_t pixelStart = dataStart + headerSize + int64_t(coloursUsed) * 4;
  const int64_t available = int64_t(f->Size()) - pixelStart;
  if (available <= 0) return false;
  auto pixelBytes = [&](uint32_t w, uint32_t hh) -> uint64_t {
    return bits == 32 ? uint64_t(w) * hh * 4 : uint64_t(GbImage::StrideFor(w, bits)) * hh;
  };
  // The pixel layout follows the bitmap header (height counts colour rows
  // and mask rows); when its data is not there, the directory's size is
  // tried instead.
  uint32_t width = 0, height = 0;
  const struct { int64_t w, h; } candidates[2] = {{headerWidth, headerHeight / 2}, {entry.width, entry.height}};
  for (const auto& c : candidates) {
    if (c.w <= 0 || c.h <= 0 || c.w > kMaxSide || c.h > kMaxSide) continue;
    if (pixelBytes(uint32_t(c.w), uint32_t(c.h)) > uint64_t(available)) continue;
    width = uint32_t(c.w);
    height = uint32_t(c.h);
    break;
  }
  if (!width) return false;

  if (Probing()) {
    SizeFound(width, height, GB_TYPE_ICO);
    return true;
  }

  std::vector<uint8_t> palette(size_t(coloursUsed) * 4);
  if (!f->Seek(int32_t(dataStart + headerSize), GB_SEEK_SET)) return false;
  if (readSome(f, palette.data(), palette.size()) != palette.size()) return false;
  if (!f->Seek(int32_t(pixelStart), GB_SEEK_SET)) return false;
  if (!Create(width, height, bits, GB_TYPE_ICO)) return false;
  for (uint32_t i = 0; i < paletteEntries; ++i)
    SetPaletteColor(i, RGBQUAD{palette[4 * i], palette[4 * i + 1], palette[4 * i + 2], 0});

  bool alphaFromFile = false;
  if (bits == 32) {
    std::vector<uint8_t> buffer(size_t(width) * height * 4);
    if (readSome(f, buffer.data(), buffer.size()) != buffer.size()) return false;
    bool anyAlpha = false;
    for (size_t i = 3; i < buffer.size(); i += 4) anyAlpha |= buffer[i] != 0;
    // All-zero fourth bytes are the old 32-bit layout: the mask alone says
    // what is transparent.
    if (anyAlpha && !CreateAlpha()) return false;
    alphaFromFile = anyAlpha;
    for (uint32_t y = 0; y < height; ++y) {
      uint8_t* row = RowBits(y);
      const uint8_t* src = buffer.data() + size_t(y) * width * 4;
      for (uint32_t x = 0; x < width; ++x, src += 4) {
        row[3 * x] = src[0];
        row[3 * x + 1] = src[1];
        row[3 * x + 2] = src[2];
        if (anyAlpha) alpha_[size_t(y) * width + x] = src[3];
      }
      std::memset(row + 3 * size_t(width), 0, RowStride() - 3 * size_t(width));
    }
  } else {
    const size_t area = size_t(RowStride()) * height;
    if (readSome(f, RowBits(0), area) != area) return false;
  }

  std::vector<uint8_t> mask(size_t(maskStrideFor(width)) * height);
  const bool readable = readSome(f, mask.data(), mask.size()) == mask.size();
  ApplyMask(mask, readable, alphaFromFile);
  return true;
}

// The AND mask (1 = transparent) turns into a colour key when that loses
// nothing, else into the alpha plane.
void GbImageICO::ApplyMask(const std::vector<uint8_t>& mask, bool readable, bool alphaFromFile) {
  const uint32_t width = Width(), height = Height();
  const bool allSet = std::all_of(mask.begin(), mask.end(), [](uint8_t b) { return b == 0xFF; });
  if (!readable || allSet) {
    // An entry carrying its own alpha needs no mask; a missing or
    // all-covering mask would otherwise invert a perfectly good picture.
    if (alphaFromFile) return;
    SetBackgroundIndex(0);
    InvertColours();
    return;
  }

  const uint32_t stride = maskStrideFor(width);
  auto isMasked = [&](uint32_t x, uint32_t y) { return (mask[size_t(y) * stride + x / 8] >> (7 - x % 8)) & 1; };
  bool any = false;
  long firstX = 0, firstY = 0;
  for (uint32_t y = 0; y < height && !any; ++y)
    for (uint32_t x = 0; x < width; ++x)
      if (isMasked(x, y)) {
        any = true;
        firstX = x;
        firstY = y;
        break;
      }
  if (any && (alphaFromFile || CreateAlpha())) {
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x)
        if (isMasked(x, y)) alpha_[size_t(y) * width + x] = 0;
  }

  const bool palette = PaletteEntryCount() != 0;
  if (any) {
    // One colour shared by every masked pixel becomes the colour key, as
    // long as no visible pixel has it and no partial alpha would be lost.
    const uint8_t keyIndex = ReadPixelIndex(firstX, firstY);
    const RGBQUAD key = ReadPixelColor(firstX, firstY, false);
    bool lossless = true;
    for (uint32_t y = 0; y < height && lossless; ++y)
      for (uint32_t x = 0; x < width && lossless; ++x) {
        const bool same = palette ? ReadPixelIndexUnchecked(x, y) == keyIndex : [&] {
          const RGBQUAD c = ReadPixelColorUnchecked(x, y, false);
          return c.rgbBlue == key.rgbBlue && c.rgbGreen == key.rgbGreen && c.rgbRed == key.rgbRed;
        }();
        if (isMasked(x, y))
          lossless = same;
        else
          lossless = !same && (!alphaFromFile || alpha_[size_t(y) * width + x] == 255);
      }
    if (lossless) {
      SetBackgroundColor(key);
      SetBackgroundIndex(palette ? long(keyIndex) : 0);
      DeleteAlpha();
    }
  }

  if (palette) {
    // The highest palette entry no pixel uses serves as the key.
    bool used[256] = {};
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x) used[ReadPixelIndexUnchecked(x, y)] = true;
    for (long entry = long(PaletteEntryCount()) - 1; entry >= 0; --entry) {
      if (used[entry]) continue;
      if (any) {
        for (uint32_t y = 0; y < height; ++y)
          for (uint32_t x = 0; x < width; ++x)
            if (isMasked(x, y)) WritePixelIndexUnchecked(x, y, uint8_t(entry));
        SetBackgroundIndex(entry);
      }
      DeleteAlpha();
      break;
    }
  }
}

// The photo editor's negative: pixels (or a colour palette) inverted.
void GbImageICO::InvertColours() {
  const size_t area = size_t(RowStride()) * Height();
  if (BitsPerPixel() > 8) {
    uint8_t* p = RowBits(0);
    for (size_t i = 0; i < area; ++i) p[i] = uint8_t(~p[i]);
    RGBQUAD key = info_.backgroundColor;
    key.rgbBlue = uint8_t(~key.rgbBlue);
    key.rgbGreen = uint8_t(~key.rgbGreen);
    key.rgbRed = uint8_t(~key.rgbRed);
    SetBackgroundColor(key);
  } else if (!IsGreyScale()) {
    for (uint32_t i = 0; i < PaletteEntryCount(); ++i) {
      RGBQUAD c = PaletteColor(i);
      c.rgbBlue = uint8_t(~c.rgbBlue);
      c.rgbGreen = uint8_t(~c.rgbGreen);
      c.rgbRed = uint8_t(~c.rgbRed);
      SetPaletteColor(i, c);
    }
  } else {
    uint8_t* p = RowBits(0);
    for (size_t i = 0; i < area; ++i) p[i] = uint8_t(~p[i]);
  }
}

bool GbImageICO::Encode(GbFile* f) {
  if (CheckEncodable(f)) return false;
  const uint32_t bits = BitsPerPixel();
  const uint32_t entries = PaletteEntryCount();
  if (bits <= 8 && entries == 0) return false;
  if (Width() > 255 || Height() > 255) return EncodePng(f);

  const uint32_t width = Width(), height = Height();
  const bool withAlpha = bits == 24 && alpha_;
  const uint32_t fileBits = withAlpha ? 32 : bits;
  const uint32_t pixelBytes = withAlpha ? width * height * 4 : RowStride() * height;
  const uint32_t maskStride = maskStrideFor(width);
  const uint32_t maskBytes = maskStride * height;

  Out out;
  out.u16(0);
  out.u16(1);
  out.u16(1);
  out.u8(width);
  out.u8(height);
  out.u8(entries & 0xFF);
  out.u8(0);
  out.u16(1);
  out.u16(fileBits);
  out.u32(40 + 4 * entries + pixelBytes + maskBytes);
  out.u32(22);
  // Bitmap header: the height counts colour rows and mask rows.
  out.u32(40);
  out.u32(width);
  out.u32(height * 2);
  out.u16(1);
  out.u16(fileBits);
  out.u32(0);
  out.u32(pixelBytes);
  for (int i = 0; i < 4; ++i) out.u32(0);
  // The transparent entry is stored black, so that the XOR image leaves
  // the screen alone where the mask shows it.
  for (uint32_t i = 0; i < entries; ++i) {
    const RGBQUAD c = long(i) == BackgroundIndex() ? RGBQUAD{0, 0, 0, 0} : PaletteColor(i);
    out.u8(c.rgbBlue);
    out.u8(c.rgbGreen);
    out.u8(c.rgbRed);
    out.u8(0);
  }
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = RowBits(y);
    if (withAlpha) {
      for (uint32_t x = 0; x < width; ++x) {
        out.u8(row[3 * x]);
        out.u8(row[3 * x + 1]);
        out.u8(row[3 * x + 2]);
        out.u8(alpha_[size_t(y) * width + x]);
      }
    } else {
      out.bytes.insert(out.bytes.end(), row, row + RowStride());
    }
  }

  const bool keyed = HasBackgroundIndex();
  const RGBQUAD key = BackgroundColor();
  const bool paletteAlpha = entries && PaletteHasAlpha();
  const size_t maskStart = out.bytes.size();
  out.bytes.resize(maskStart + maskBytes, 0);
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* maskRow = out.bytes.data() + maskStart + size_t(y) * maskStride;
    for (uint32_t x = 0; x < width; ++x) {
      bool transparent = alpha_ && alpha_[size_t(y) * width + x] == 0;
      if (!transparent && paletteAlpha) transparent = PaletteColor(ReadPixelIndexUnchecked(x, y)).rgbReserved == 0;
      if (!transparent && keyed) {
        const RGBQUAD c = ReadPixelColorUnchecked(x, y, false);
        transparent = c.rgbBlue == key.rgbBlue && c.rgbGreen == key.rgbGreen && c.rgbRed == key.rgbRed;
      }
      if (transparent) maskRow[x / 8] |= uint8_t(0x80 >> (x % 8));
    }
  }
  if (f->Write(out.bytes.data(), 1, out.bytes.size()) != out.bytes.size()) {
    SetLastError("Error writing ICO");
    return false;
  }
  return true;
}

// Pictures too large for the directory's size bytes go in as a PNG stream.
bool GbImageICO::EncodePng(GbFile* f) {
  GbMemFile memory;
  if (!memory.Open()) return false;
  GbImagePNG encoder;
  {
    GbImageLoan loan(*this, encoder);  // this image is empty until the loan ends
    if (!encoder.Encode(&memory)) {
      SetLastError(encoder.LastError());
      return false;
    }
  }
  const uint32_t length = uint32_t(memory.Size());
  Out out;
  out.u16(0);
  out.u16(1);
  out.u16(1);
  out.u8(0);
  out.u8(0);
  out.u8(PaletteEntryCount() & 0xFF);
  out.u8(0);
  out.u16(1);
  out.u16(BitsPerPixel() == 24 && alpha_ ? 32 : BitsPerPixel());
  out.u32(length);
  out.u32(22);
  if (f->Write(out.bytes.data(), 1, out.bytes.size()) != out.bytes.size() ||
      f->Write(memory.GetBuffer(), 1, length) != length) {
    SetLastError("Error writing ICO");
    return false;
  }
  return true;
}
