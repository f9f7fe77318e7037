#include "image/codecs/GbImageSKA.h"

#include <cstring>
#include <vector>

#include "image/io/ByteReader.h"
#include "image/io/Bytes.h"

namespace {

constexpr const char* kTooDeep = "SKA Images must be 8 bit or less";
constexpr const char* kTooLarge = "SKA Images must be smaller than 32768 x 32768";
constexpr const char* kNotSka = "Not a SKA image";
constexpr const char* kCorrupted = "Corrupted SKA image";
constexpr const char* kWriteError = "Error writing SKA image";

// After width and height: the byte 3 and the 32-bit word 0x01000000.
constexpr uint8_t kMarker[5] = {3, 0, 0, 0, 1};

}  // namespace

GB_CODEC_FACTORY(GbImageSKA)

const char* GbImageSKA::DecodeStream(GbFile* f) {
  ByteReader in(f);
  uint8_t h[9];
  if (!in.Read(h, sizeof h)) return kNotSka;
  const uint32_t width = gbio::Le16(h), height = gbio::Le16(h + 2);
  // Without a signature of its own, the fixed bytes are what tells an SKA
  // picture from any other file.
  if (width == 0 || height == 0 || width >= 32768 || height >= 32768 || std::memcmp(h + 4, kMarker, 5) != 0)
    return kNotSka;
  if (Probing()) return SizeFound(width, height, GB_TYPE_SKA);
  const int64_t left = in.Left();
  if (left >= 0 && uint64_t(left) < 768 + uint64_t(width) * height) return kCorrupted;
  uint8_t map[768];
  if (!in.Read(map, sizeof map)) return kCorrupted;
  if (!Create(width, height, 8, GB_TYPE_SKA)) return kCorrupted;
  SetPaletteRGB(map, 256);
  for (uint32_t i = 0; i < height; ++i) {
    if (Escape()) return "Cancelled";
    if (!in.Read(RowBits(height - 1 - i), width)) return kCorrupted;
  }
  return nullptr;
}

bool GbImageSKA::Encode(GbFile* stream) {
  if (CheckEncodable(stream)) return false;
  if (BitsPerPixel() > 8) {
    SetLastError(kTooDeep);
    return false;
  }
  const uint32_t width = Width(), height = Height();
  if (width >= 32768 || height >= 32768) {
    SetLastError(kTooLarge);
    return false;
  }
  uint8_t h[9 + 768] = {uint8_t(width), uint8_t(width >> 8), uint8_t(height), uint8_t(height >> 8)};
  std::memcpy(h + 4, kMarker, sizeof kMarker);
  for (uint32_t i = 0; i < PaletteEntryCount(); ++i) {
    const RGBQUAD c = PaletteColor(i);
    h[9 + 3 * i] = c.rgbRed;
    h[10 + 3 * i] = c.rgbGreen;
    h[11 + 3 * i] = c.rgbBlue;
  }
  bool ok = stream->Write(h, 1, sizeof h) == sizeof h;
  // One index byte per pixel, whatever the image's depth.
  std::vector<uint8_t> line(width);
  for (uint32_t i = 0; ok && i < height; ++i) {
    const uint32_t y = height - 1 - i;
    if (BitsPerPixel() == 8)
      std::memcpy(line.data(), RowBits(y), width);
    else
      for (uint32_t x = 0; x < width; ++x) line[x] = ReadPixelIndexUnchecked(x, y);
    ok = stream->Write(line.data(), 1, width) == width;
  }
  if (!ok) {
    SetLastError(kWriteError);
    return false;
  }
  return true;
}
