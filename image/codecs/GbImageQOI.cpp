#include "image/codecs/GbImageQOI.h"

#include <cstring>
#include <vector>

namespace {

constexpr const char* kNotQoi = "Not a QOI file";
constexpr const char* kBadHeader = "the QOI header gives no size, or 3 or 4 channels";
constexpr const char* kTooShort = "the QOI file is too short for the size its header claims";
constexpr const char* kTruncated = "the QOI file ends before its last pixel";
constexpr const char* kCancelled = "Cancelled";
constexpr const char* kWriteError = "Error writing QOI";

constexpr size_t kHeaderBytes = 14;
constexpr uint8_t kEnd[8] = {0, 0, 0, 0, 0, 0, 0, 1};
// One run operation stands for at most 62 pixels: a file with fewer bytes
// than its pixels / 62 cannot hold them, whatever its header says.
constexpr uint64_t kMaxPixelsPerByte = 62;

enum : uint8_t {
  kOpIndex = 0x00,  // 00iiiiii
  kOpDiff = 0x40,   // 01rrggbb, each difference + 2
  kOpLuma = 0x80,   // 10gggggg, then rrrrbbbb: green + 32, red and blue - green + 8
  kOpRun = 0xC0,    // 11nnnnnn: n + 1 repeats of the pixel before
  kOpRgb = 0xFE,
  kOpRgba = 0xFF,
};

struct Pixel {
  uint8_t r = 0, g = 0, b = 0, a = 255;
  bool operator==(const Pixel&) const = default;
};

uint32_t slot(const Pixel& p) { return (p.r * 3u + p.g * 5u + p.b * 7u + p.a * 11u) % 64u; }

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

void putBe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

}  // namespace

GB_CODEC_FACTORY(GbImageQOI)

const char* GbImageQOI::DecodeStream(GbFile* f) {
  uint8_t h[kHeaderBytes];
  if (f->Read(h, 1, sizeof h) != sizeof h || std::memcmp(h, "qoif", 4) != 0) return kNotQoi;
  const uint32_t width = be32(h + 4), height = be32(h + 8);
  const uint8_t channels = h[12];
  if (width == 0 || height == 0 || (channels != 3 && channels != 4) || h[13] > 1) return kBadHeader;
  if (Probing()) return SizeFound(width, height, GB_TYPE_QOI);

  const int64_t at = f->Tell(), size = f->Size();
  if (at < 0 || size < at) return kTruncated;
  const uint64_t pixels = uint64_t(width) * height;
  if (pixels > uint64_t(size - at) * kMaxPixelsPerByte) return kTooShort;
  std::vector<uint8_t> data(size_t(size - at));
  if (!data.empty() && f->Read(data.data(), 1, data.size()) != data.size()) return kTruncated;

  if (!Create(width, height, 24, GB_TYPE_QOI)) return LastError();
  if (channels == 4 && !CreateAlpha()) return LastError();
  Pixel seen[64] = {}, px;
  for (Pixel& p : seen) p.a = 0;
  size_t pos = 0;
  uint32_t run = 0;
  for (uint32_t row = 0; row < height; ++row) {
    if (Escape()) return kCancelled;
    const uint32_t y = height - 1 - row;  // rows are stored bottom-up
    uint8_t* out = RowBits(y);
    uint8_t* alpha = channels == 4 ? AlphaPlane() + size_t(y) * width : nullptr;
    for (uint32_t x = 0; x < width; ++x) {
      if (run > 0) {
        --run;
      } else {
        if (pos >= data.size()) return kTruncated;
        const uint8_t op = data[pos++];
        // The operation's own bytes must be there too.
        const size_t need = op == kOpRgba ? 4 : op == kOpRgb ? 3 : (op & 0xC0) == kOpLuma ? 1 : 0;
        if (data.size() - pos < need) return kTruncated;
        if (op == kOpRgb || op == kOpRgba) {
          px.r = data[pos];
          px.g = data[pos + 1];
          px.b = data[pos + 2];
          if (op == kOpRgba) px.a = data[pos + 3];
        } else if ((op & 0xC0) == kOpIndex) {
          px = seen[op];
        } else if ((op & 0xC0) == kOpDiff) {
          px.r = uint8_t(px.r + ((op >> 4) & 3) - 2);
          px.g = uint8_t(px.g + ((op >> 2) & 3) - 2);
          px.b = uint8_t(px.b + (op & 3) - 2);
        } else if ((op & 0xC0) == kOpLuma) {
          const int green = (op & 0x3F) - 32, next = data[pos];
          px.r = uint8_t(px.r + green + (next >> 4) - 8);
          px.g = uint8_t(px.g + green);
          px.b = uint8_t(px.b + green + (next & 15) - 8);
        } else {
          run = op & 0x3F;
        }
        pos += need;
        seen[slot(px)] = px;
      }
      out[3 * size_t(x)] = px.b;
      out[3 * size_t(x) + 1] = px.g;
      out[3 * size_t(x) + 2] = px.r;
      if (alpha) alpha[x] = px.a;
    }
  }
  SetProgress(100);
  return nullptr;
}

bool GbImageQOI::Encode(GbFile* stream) {
  if (CheckEncodable(stream)) return false;
  const uint32_t width = Width(), height = Height();
  const bool keyed = PaletteEntryCount() != 0 && HasBackgroundIndex();
  const long key = BackgroundIndex();
  const bool withAlpha = HasAlpha() || keyed;
  const uint8_t channels = withAlpha ? 4 : 3;

  std::vector<uint8_t> out;
  out.reserve(kHeaderBytes + size_t(width) * 4 + sizeof kEnd);
  out.insert(out.end(), {'q', 'o', 'i', 'f'});
  putBe32(out, width);
  putBe32(out, height);
  out.push_back(channels);
  out.push_back(0);  // sRGB colours with linear alpha

  Pixel seen[64] = {}, prev;
  for (Pixel& p : seen) p.a = 0;
  uint32_t run = 0;
  const uint64_t pixels = uint64_t(width) * height;
  uint64_t done = 0;
  for (uint32_t row = 0; row < height; ++row) {
    const uint32_t y = height - 1 - row;
    const uint8_t* alpha = HasAlpha() ? AlphaPlane() + size_t(y) * width : nullptr;
    for (uint32_t x = 0; x < width; ++x) {
      const RGBQUAD c = ReadPixelColorUnchecked(long(x), long(y), false);
      Pixel px{c.rgbRed, c.rgbGreen, c.rgbBlue, 255};
      if (alpha) px.a = alpha[x];
      if (keyed && long(ReadPixelIndexUnchecked(long(x), long(y))) == key) px.a = 0;
      ++done;
      if (px == prev) {
        if (++run == 62 || done == pixels) {
          out.push_back(uint8_t(kOpRun | (run - 1)));
          run = 0;
        }
        continue;
      }
      if (run > 0) {
        out.push_back(uint8_t(kOpRun | (run - 1)));
        run = 0;
      }
      const uint32_t s = slot(px);
      if (seen[s] == px) {
        out.push_back(uint8_t(kOpIndex | s));
      } else {
        seen[s] = px;
        const int dr = int8_t(px.r - prev.r), dg = int8_t(px.g - prev.g), db = int8_t(px.b - prev.b);
        const int rg = dr - dg, bg = db - dg;
        if (px.a != prev.a) {
          out.insert(out.end(), {kOpRgba, px.r, px.g, px.b, px.a});
        } else if (dr >= -2 && dr <= 1 && dg >= -2 && dg <= 1 && db >= -2 && db <= 1) {
          out.push_back(uint8_t(kOpDiff | (dr + 2) << 4 | (dg + 2) << 2 | (db + 2)));
        } else if (dg >= -32 && dg <= 31 && rg >= -8 && rg <= 7 && bg >= -8 && bg <= 7) {
          out.push_back(uint8_t(kOpLuma | (dg + 32)));
          out.push_back(uint8_t((rg + 8) << 4 | (bg + 8)));
        } else {
          out.insert(out.end(), {kOpRgb, px.r, px.g, px.b});
        }
      }
      prev = px;
    }
  }
  out.insert(out.end(), kEnd, kEnd + sizeof kEnd);
  if (stream->Write(out.data(), 1, out.size()) != out.size()) {
    SetLastError(kWriteError);
    return false;
  }
  return true;
}
