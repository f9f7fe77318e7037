// Sun raster: a 32-byte big-endian header, an optional colour map (all reds,
// then greens, then blues), then rows padded to 16 bits, plain or with the
// byte run-length scheme (0x80 n v: n + 1 copies of v; 0x80 0: one 0x80).
// 24- and 32-bit pixels are blue, green, red except in the RGB type.
#include <algorithm>
#include <cstring>

#include "image/codecs/JasPicture.h"
#include "image/io/Bytes.h"

namespace jas {
namespace {

constexpr const char* kCannotLoad = "error: cannot load image data";
constexpr const char* kCannotEncode = "error: cannot encode image";

constexpr uint32_t kMagic = 0x59A66A95;
constexpr uint32_t kTypeOld = 0, kTypeStandard = 1, kTypeEncoded = 2, kTypeRgb = 3;
constexpr uint32_t kMapNone = 0, kMapRgb = 1;

// Delivers the pixel bytes, unpacking runs for the encoded type.
class RasterBytes {
 public:
  RasterBytes(ByteReader& in, bool encoded) : in_(in), encoded_(encoded) {}
  bool read(uint8_t* out, size_t n) {
    if (!encoded_) return in_.read(out, n);
    for (size_t i = 0; i < n; ++i) {
      if (repeat_ == 0) {
        const int c = in_.next();
        if (c < 0) return false;
        if (c != 0x80) {
          out[i] = uint8_t(c);
          continue;
        }
        const int count = in_.next();
        if (count < 0) return false;
        if (count == 0) {
          out[i] = 0x80;
          continue;
        }
        const int v = in_.next();
        if (v < 0) return false;
        value_ = uint8_t(v);
        repeat_ = uint32_t(count) + 1;
      }
      out[i] = value_;
      --repeat_;
    }
    return true;
  }

 private:
  ByteReader& in_;
  bool encoded_;
  uint32_t repeat_ = 0;
  uint8_t value_ = 0;
};

}  // namespace

const char* ReadSunRaster(GbFile* stream, bool headerOnly, Picture& picture) {
  ByteReader in(stream);
  uint8_t h[32];
  if (!in.read(h, sizeof h) || gbio::Be32(h) != kMagic) return kCannotLoad;
  const uint32_t width = gbio::Be32(h + 4), height = gbio::Be32(h + 8), depth = gbio::Be32(h + 12);
  const uint32_t type = gbio::Be32(h + 20), mapType = gbio::Be32(h + 24), mapLength = gbio::Be32(h + 28);
  if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return kCannotLoad;
  if (depth != 1 && depth != 8 && depth != 24 && depth != 32) return kCannotLoad;
  if (type != kTypeOld && type != kTypeStandard && type != kTypeEncoded && type != kTypeRgb) return kCannotLoad;
  if (mapType > 2) return kCannotLoad;
  if (mapType == kMapNone && mapLength != 0) return kCannotLoad;

  int64_t left = BytesLeft(stream);
  if (left >= 0) left += 16384;  // what the reader has pulled ahead
  if (left >= 0 && int64_t(mapLength) > left) return kCannotLoad;

  // The colour map: only an RGB map of at most 256 entries is used.
  uint8_t map[3][256] = {};
  uint32_t mapEntries = 0;
  if (mapLength) {
    std::vector<uint8_t> raw(mapLength);
    if (!in.read(raw.data(), raw.size())) return kCannotLoad;
    if (mapType == kMapRgb && depth <= 8) {
      if (mapLength % 3 != 0) return kCannotLoad;
      mapEntries = std::min<uint32_t>(mapLength / 3, 256);
      for (int k = 0; k < 3; ++k) std::memcpy(map[k], raw.data() + size_t(k) * (mapLength / 3), mapEntries);
    }
  }
  bool greyMap = true;
  for (uint32_t i = 0; i < mapEntries; ++i) greyMap = greyMap && map[0][i] == map[1][i] && map[1][i] == map[2][i];

  const bool colour = depth >= 24 || (mapEntries && !greyMap);
  picture.space = colour ? ColourSpace::SRGB : ColourSpace::Grey;
  picture.components.resize(colour ? 3 : 1);
  for (Component& c : picture.components) {
    c.precision = depth == 1 && !mapEntries ? 1 : 8;
    c.maxValue = (1u << c.precision) - 1;
    if (!Allocate(c, width, height, true)) return kCannotLoad;
  }
  const uint64_t rowBytes = ((uint64_t(width) * depth + 15) / 16) * 2;
  const bool encoded = type == kTypeEncoded;
  const uint64_t needed = rowBytes * height;
  if (left >= 0 && (encoded ? needed / 86 : needed) > uint64_t(left)) return kCannotLoad;
  if (needed > (uint64_t(1) << 31)) return kCannotLoad;
  if (headerOnly) return nullptr;
  for (Component& c : picture.components) c.samples.assign(size_t(width) * height, 0);

  RasterBytes bytes(in, encoded);
  std::vector<uint8_t> row(rowBytes);
  const bool rgbOrder = type == kTypeRgb;
  for (uint32_t y = 0; y < height; ++y) {
    if (!bytes.read(row.data(), row.size())) return kCannotLoad;
    const size_t base = size_t(y) * width;
    for (uint32_t x = 0; x < width; ++x) {
      uint32_t r, g, b;
      if (depth >= 24) {
        const uint8_t* p = row.data() + size_t(x) * (depth / 8) + (depth == 32 ? 1 : 0);
        r = rgbOrder ? p[0] : p[2];
        g = p[1];
        b = rgbOrder ? p[2] : p[0];
      } else {
        uint32_t index = depth == 8 ? row[x] : (row[x / 8] >> (7 - x % 8)) & 1;
        if (!mapEntries) {
          // No map: 8 bits are grey levels; a set bit is black.
          r = g = b = depth == 8 ? index : 1 - index;
        } else {
          if (index >= mapEntries) index = 0;
          r = map[0][index];
          g = map[1][index];
          b = map[2][index];
        }
      }
      picture.components[0].samples[base + x] = int32_t(r);
      if (colour) {
        picture.components[1].samples[base + x] = int32_t(g);
        picture.components[2].samples[base + x] = int32_t(b);
      }
    }
  }
  return nullptr;
}

const char* WriteSunRaster(GbFile* stream, const Picture& picture) {
  const auto& comps = picture.components;
  if (comps.size() != 1 && comps.size() != 3) return kCannotEncode;
  const uint32_t width = comps[0].width, height = comps[0].height;
  const uint32_t depth = comps.size() == 3 ? 24 : 8;
  const uint64_t rowBytes = ((uint64_t(width) * depth + 15) / 16) * 2;
  if (rowBytes * height > 0xFFFFFFFFu) return kCannotEncode;
  uint8_t h[32];
  gbio::PutBe32(h, kMagic);
  gbio::PutBe32(h + 4, width);
  gbio::PutBe32(h + 8, height);
  gbio::PutBe32(h + 12, depth);
  gbio::PutBe32(h + 16, uint32_t(rowBytes * height));
  gbio::PutBe32(h + 20, kTypeStandard);
  gbio::PutBe32(h + 24, kMapNone);
  gbio::PutBe32(h + 28, 0);
  ByteWriter out(stream);
  out.put(h, sizeof h);
  std::vector<uint8_t> row(rowBytes, 0);
  for (uint32_t y = 0; y < height; ++y) {
    const size_t base = size_t(y) * width;
    for (uint32_t x = 0; x < width; ++x) {
      if (depth == 24) {
        row[3 * x + 0] = uint8_t(comps[2].samples[base + x]);
        row[3 * x + 1] = uint8_t(comps[1].samples[base + x]);
        row[3 * x + 2] = uint8_t(comps[0].samples[base + x]);
      } else {
        row[x] = uint8_t(comps[0].samples[base + x]);
      }
    }
    out.put(row.data(), row.size());
  }
  return out.flush() ? nullptr : kCannotEncode;
}

}  // namespace jas
