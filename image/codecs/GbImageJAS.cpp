#include "image/codecs/GbImageJAS.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "image/codecs/JasPicture.h"

namespace {

constexpr const char* kCannotOpenInput = "error: cannot open standard input";
constexpr const char* kUnknownFormat = "error: unknowm format";
constexpr const char* kCannotLoad = "error: cannot load image data";
constexpr const char* kTooManyComponents = "error: too many components";
constexpr const char* kCannotConvert = "cannot convert to sRGB";
constexpr const char* kNoMemory = "error: cannot allocate memory";
constexpr const char* kWrongFrame = "wrong frame!";
constexpr const char* kOnlyRgbOrGrey = "JasPer can save only RGB or GrayScale images";
constexpr const char* kPgxOnlyGrey = "PGX can save only GrayScale images";
constexpr const char* kEncodeNoMemory = "error : can't allocate memory";

uint32_t typeOf(jas::Format format) {
  switch (format) {
    case jas::Format::JP2: return GB_TYPE_JP2;
    case jas::Format::JPC: return GB_TYPE_JPC;
    case jas::Format::PGX: return GB_TYPE_PGX;
    case jas::Format::PNM: return GB_TYPE_PNM;
    case jas::Format::RAS: return GB_TYPE_RAS;
    default: return GB_TYPE_UNKNOWN;
  }
}

uint32_t fullScale(int precision) { return precision >= 32 ? 0xFFFFFFFFu : (1u << precision) - 1; }

// A sample brought to 0..targetMax. Signed samples count by their bit
// pattern, as the raw values of the file. Deep samples whose range is a
// whole number of bits keep their top bits; other ranges are rescaled.
uint32_t scaleSample(int32_t value, const jas::Component& c, uint32_t targetMax) {
  const int precision = std::clamp(c.precision, 1, 32);
  uint32_t v = uint32_t(value);
  if (c.isSigned && precision < 32) v &= fullScale(precision);
  if (!c.isSigned && value < 0) v = 0;
  const uint32_t maxValue = c.maxValue ? c.maxValue : fullScale(precision);
  if (v > maxValue) v = maxValue;
  if (targetMax == 255 && precision > 8 && maxValue == fullScale(precision)) return v >> (precision - 8);
  if (maxValue == targetMax) return v;
  return uint32_t((uint64_t(v) * targetMax + maxValue / 2) / maxValue);
}

// Sample (x, y) of a component, the picture being width x height: smaller
// (subsampled) components are stretched by picking the nearest sample.
int32_t sampleAt(const jas::Component& c, uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
  const uint32_t sx = c.width == width ? x : uint32_t(uint64_t(x) * c.width / width);
  const uint32_t sy = c.height == height ? y : uint32_t(uint64_t(y) * c.height / height);
  return c.samples[size_t(sy) * c.width + sx];
}

// Turns a colour picture of shallow components into three 8-bit red, green
// and blue components of the first component's size.
const char* toSrgb(jas::Picture& picture) {
  using jas::ColourSpace;
  if (picture.space == ColourSpace::Other) return kCannotConvert;
  const jas::Component& first = picture.components[0];
  const uint32_t width = first.width, height = first.height;
  if (width == 0 || height == 0) return kCannotConvert;
  for (const jas::Component& c : picture.components)
    if (c.width == 0 || c.height == 0 || c.samples.size() != size_t(c.width) * c.height) return kCannotConvert;

  std::vector<jas::Component> out(3);
  for (jas::Component& c : out) {
    c.width = width;
    c.height = height;
    c.precision = 8;
    c.maxValue = 255;
    c.samples.resize(size_t(width) * height);
  }
  const bool grey = picture.space == ColourSpace::Grey;
  const bool ycc = picture.space == ColourSpace::SYCC;
  const jas::Component& c0 = picture.components[0];
  const jas::Component& c1 = picture.components[grey ? 0 : 1];
  const jas::Component& c2 = picture.components[grey ? 0 : 2];
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const size_t i = size_t(y) * width + x;
      int32_t a = int32_t(scaleSample(sampleAt(c0, x, y, width, height), c0, 255));
      int32_t b = int32_t(scaleSample(sampleAt(c1, x, y, width, height), c1, 255));
      int32_t d = int32_t(scaleSample(sampleAt(c2, x, y, width, height), c2, 255));
      if (ycc) {
        // Full-range YCbCr with the chroma centred on 128.
        const double yy = a, cb = b - 128.0, cr = d - 128.0;
        a = int32_t(std::lround(yy + 1.402 * cr));
        b = int32_t(std::lround(yy - 0.344136 * cb - 0.714136 * cr));
        d = int32_t(std::lround(yy + 1.772 * cb));
      }
      out[0].samples[i] = std::clamp(a, 0, 255);
      out[1].samples[i] = std::clamp(b, 0, 255);
      out[2].samples[i] = std::clamp(d, 0, 255);
    }
  }
  picture.components = std::move(out);
  picture.space = ColourSpace::SRGB;
  return nullptr;
}

// Packs index v at column x of a 1-, 4- or 8-bit row.
void putIndex(uint8_t* row, uint32_t x, uint32_t depth, uint32_t v) {
  if (depth == 8) {
    row[x] = uint8_t(v);
  } else if (depth == 4) {
    uint8_t& b = row[x / 2];
    b = (x & 1) ? uint8_t((b & 0xF0) | (v & 0x0F)) : uint8_t((b & 0x0F) | ((v & 0x0F) << 4));
  } else if (v) {
    row[x / 8] |= uint8_t(0x80 >> (x % 8));
  }
}

}  // namespace

GB_CODEC_FACTORY(GbImageJAS)

const char* GbImageJAS::NoMemoryText() const { return kNoMemory; }
const char* GbImageJAS::FailureText() const { return kCannotLoad; }

const char* GbImageJAS::DecodeStream(GbFile* stream) {
  const int32_t start = stream->Tell();
  if (start < 0) return kCannotOpenInput;
  uint8_t head[16] = {};
  const size_t got = jas::ReadSome(stream, head, sizeof head);
  if (!stream->Seek(start, GB_SEEK_SET)) return kCannotOpenInput;
  const jas::Format format = jas::Detect(head, got);
  if (format == jas::Format::None) return kUnknownFormat;
  const uint32_t type = typeOf(format);

  const bool probe = Probing();
  jas::Picture picture;
  const char* error = nullptr;
  switch (format) {
    case jas::Format::JP2:
    case jas::Format::JPC: error = jas::ReadJpeg2000(stream, format, probe, picture); break;
    case jas::Format::PGX: error = jas::ReadPgx(stream, probe, picture); break;
    case jas::Format::PNM: error = jas::ReadPnm(stream, probe, picture); break;
    case jas::Format::RAS: error = jas::ReadSunRaster(stream, probe, picture); break;
    default: return kUnknownFormat;
  }
  if (error) return error;
  if (picture.components.empty()) return kCannotLoad;

  if (probe) return SizeFound(picture.components[0].width, picture.components[0].height, type);
  return FromPicture(picture, type);
}

const char* GbImageJAS::FromPicture(jas::Picture& picture, uint32_t type) {
  auto& comps = picture.components;
  if (comps.size() > jas::kMaxComponents) return kTooManyComponents;
  for (const jas::Component& c : comps)
    if (c.width == 0 || c.height == 0 || c.samples.size() != size_t(c.width) * c.height) return kCannotLoad;
  // The opacity becomes the alpha plane of the picture the others make.
  jas::Component opacity;
  bool withAlpha = false;
  if (comps.size() == 2 || comps.size() == 4)
    for (size_t i = 0; i < comps.size(); ++i)
      if (comps[i].isAlpha) {
        opacity = std::move(comps[i]);
        comps.erase(comps.begin() + long(i));
        withAlpha = true;
        break;
      }
  const char* error = FromColourComponents(picture, type);
  if (error || !withAlpha || !HasPixels()) return error;
  const uint32_t width = Width(), height = Height();
  GbBuffer plane = GbBuffer::Allocate(size_t(width) * height);
  if (!plane) return kNoMemory;
  for (uint32_t r = 0; r < height; ++r)
    for (uint32_t x = 0; x < width; ++x)
      plane[size_t(height - 1 - r) * width + x] =
          uint8_t(scaleSample(sampleAt(opacity, x, r, width, height), opacity, 255));
  AdoptAlphaPlane(std::move(plane));
  return nullptr;
}

const char* GbImageJAS::FromColourComponents(jas::Picture& picture, uint32_t type) {
  auto& comps = picture.components;

  bool shallow = true;
  for (const jas::Component& c : comps) shallow = shallow && c.precision <= 8;
  if (comps.size() > 2 && shallow) {
    if (const char* e = toSrgb(picture)) return e;
  }

  if (comps.size() == 3 && comps[0].width == comps[1].width && comps[0].width == comps[2].width &&
      comps[0].height == comps[1].height && comps[0].height == comps[2].height &&
      comps[0].precision == comps[1].precision && comps[0].precision == comps[2].precision) {
    const uint32_t width = comps[0].width, height = comps[0].height;
    if (!Create(width, height, 24, type)) return LastError();
    for (uint32_t r = 0; r < height; ++r) {
      uint8_t* row = RowBits(height - 1 - r);
      const size_t base = size_t(r) * width;
      for (uint32_t x = 0; x < width; ++x) {
        row[3 * x + 0] = uint8_t(scaleSample(comps[2].samples[base + x], comps[2], 255));
        row[3 * x + 1] = uint8_t(scaleSample(comps[1].samples[base + x], comps[1], 255));
        row[3 * x + 2] = uint8_t(scaleSample(comps[0].samples[base + x], comps[0], 255));
      }
      std::memset(row + 3 * size_t(width), 0, RowStride() - 3 * size_t(width));
    }
    SetFrameCount(1);
    return nullptr;
  }

  // One grey image per component.
  SetFrameCount(long(comps.size()));
  const long frame = Frame();
  if (frame < 0 || frame >= long(comps.size())) return kWrongFrame;
  const jas::Component& c = comps[size_t(frame)];
  const uint32_t depth = GbImage::NormaliseBpp(uint32_t(std::clamp(c.precision, 1, 8)));
  const uint32_t targetMax = (1u << depth) - 1;
  if (!Create(c.width, c.height, depth, type)) return LastError();
  SetGreyPalette();
  SetFrameCount(long(comps.size()));
  for (uint32_t r = 0; r < c.height; ++r) {
    uint8_t* row = RowBits(c.height - 1 - r);
    std::memset(row, 0, RowStride());
    const size_t base = size_t(r) * c.width;
    for (uint32_t x = 0; x < c.width; ++x) putIndex(row, x, depth, scaleSample(c.samples[base + x], c, targetMax));
  }
  return nullptr;
}

bool GbImageJAS::Encode(GbFile* stream) {
  if (CheckEncodable(stream)) return false;
  const char* error = nullptr;
  try {
    error = EncodeStream(stream);
  } catch (const std::bad_alloc&) {
    error = kEncodeNoMemory;
  } catch (...) {
    error = "error: cannot encode image";
  }
  if (error) {
    SetLastError(error);
    return false;
  }
  return true;
}

const char* GbImageJAS::EncodeStream(GbFile* stream) {
  const bool colour = BitsPerPixel() == 24;
  if (!colour && !IsGreyScale()) return kOnlyRgbOrGrey;
  uint32_t variant = variant_;
  if (variant < GB_TYPE_JP2 || variant > GB_TYPE_RAS) variant = GB_TYPE_JP2;
  if (variant == GB_TYPE_PGX && colour) return kPgxOnlyGrey;

  const uint32_t width = Width(), height = Height();
  jas::Picture picture;
  picture.space = colour ? jas::ColourSpace::SRGB : jas::ColourSpace::Grey;
  picture.components.resize(colour ? 3 : 1);
  for (jas::Component& c : picture.components) {
    c.width = width;
    c.height = height;
    c.samples.resize(size_t(width) * height);
  }
  for (uint32_t r = 0; r < height; ++r) {
    const uint8_t* row = RowBits(height - 1 - r);
    const size_t base = size_t(r) * width;
    if (colour) {
      for (uint32_t x = 0; x < width; ++x) {
        picture.components[0].samples[base + x] = row[3 * x + 2];
        picture.components[1].samples[base + x] = row[3 * x + 1];
        picture.components[2].samples[base + x] = row[3 * x + 0];
      }
    } else {
      for (uint32_t x = 0; x < width; ++x) picture.components[0].samples[base + x] = row[x];
    }
  }

  switch (variant) {
    case GB_TYPE_JP2: return jas::WriteJpeg2000(stream, jas::Format::JP2, picture, JpegQualityF() / 100.0);
    case GB_TYPE_JPC: return jas::WriteJpeg2000(stream, jas::Format::JPC, picture, JpegQualityF() / 100.0);
    case GB_TYPE_PGX: return jas::WritePgx(stream, picture);
    case GB_TYPE_PNM: return jas::WritePnm(stream, picture);
    default: return jas::WriteSunRaster(stream, picture);
  }
}

namespace jas {

Format Detect(const uint8_t* head, size_t size) {
  static const uint8_t kJp2[12] = {0, 0, 0, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
  if (size >= 12 && std::memcmp(head, kJp2, 12) == 0) return Format::JP2;
  if (size >= 4 && head[0] == 0xFF && head[1] == 0x4F && head[2] == 0xFF && head[3] == 0x51) return Format::JPC;
  if (size >= 4 && head[0] == 0x59 && head[1] == 0xA6 && head[2] == 0x6A && head[3] == 0x95) return Format::RAS;
  if (size >= 3 && head[0] == 'P' && head[1] == 'G' &&
      (head[2] == ' ' || head[2] == '\t' || head[2] == '\r' || head[2] == '\n' || head[2] == 'M' || head[2] == 'L'))
    return Format::PGX;
  if (size >= 2 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6') return Format::PNM;
  return Format::None;
}

size_t ReadSome(GbFile* stream, void* buffer, size_t n) { return n ? stream->Read(buffer, 1, n) : 0; }

int64_t BytesLeft(GbFile* stream) {
  const int32_t size = stream->Size();
  const int32_t here = stream->Tell();
  if (size < 0 || here < 0) return -1;
  return size > here ? int64_t(size) - here : 0;
}

bool ByteReader::read(uint8_t* out, size_t n) {
  while (n) {
    if (pos_ == len_ && !refill()) return false;
    const size_t take = std::min(n, len_ - pos_);
    std::memcpy(out, buf_ + pos_, take);
    pos_ += take;
    out += take;
    n -= take;
  }
  return true;
}

void ByteWriter::put(const void* data, size_t n) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (n) {
    if (len_ == sizeof buf_) flush();
    const size_t take = std::min(n, sizeof buf_ - len_);
    std::memcpy(buf_ + len_, p, take);
    len_ += take;
    p += take;
    n -= take;
  }
}

bool ByteWriter::flush() {
  if (len_ && stream_->Write(buf_, 1, len_) != len_) ok_ = false;
  len_ = 0;
  return ok_;
}

bool Allocate(Component& component, uint32_t width, uint32_t height, bool headerOnly) {
  if (width == 0 || height == 0) return false;
  if (uint64_t(width) * height > kMaxComponentSamples) return false;
  component.width = width;
  component.height = height;
  if (!headerOnly) component.samples.assign(size_t(width) * height, 0);
  return true;
}

}  // namespace jas
