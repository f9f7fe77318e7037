// The program's own clipboard form of an image: header, information record,
// packed buffer, then the alpha and selection planes, the layers and the
// frames, each behind a one-byte flag. Layers and frames nest the same form.
//
// Reading treats the bytes as hostile: every length is checked against what
// is left, nested counts are bounded by the bytes left, and nesting depth is
// limited, so a short or lying form fails without reading past its end.
#include <bit>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "image/core/GbImage.h"

static_assert(std::endian::native == std::endian::little, "the form is little-endian like this host");

namespace {

constexpr size_t kHeader = 40;
constexpr size_t kRecordAt = kHeader;
constexpr size_t kPackedAt = kHeader + GB_INFO_RECORD_SIZE;
constexpr size_t kFramesOffset = 304;  // number of frames in the record
constexpr size_t kLayersOffset = 432;  // number of layers in the record
// The smallest possible form: a 1 x 1 true-colour image (one 4-byte row,
// no palette) and four zero flags.
constexpr size_t kSmallestForm = kPackedAt + 40 + 4 + 4;
// Layers of layers never come from this program; a few levels are plenty.
constexpr int kMaxDepth = 8;

bool Writable(const GbImage* image) { return image && image->HasPixels(); }

int32_t GetI32(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// Existing nested images, in order, of a layer or frame array.
template <typename At>
size_t NestedSize(long count, At at) {
  size_t total = 0;
  for (long i = 0; i < count; ++i)
    if (const GbImage* n = at(i); Writable(n)) total += n->SerializedSize();
  return total;
}

template <typename At>
long NestedCount(long count, At at) {
  long n = 0;
  for (long i = 0; i < count; ++i) n += Writable(at(i)) ? 1 : 0;
  return n;
}

size_t DeserializeAt(GbImage& image, const uint8_t* src, size_t size, int depth);

// Reads 'count' nested forms into new images; false when any is bad.
bool ReadNested(const uint8_t* src, size_t size, size_t& pos, int32_t count, int depth,
                std::vector<std::unique_ptr<GbImage>>& out) {
  if (count < 0 || depth >= kMaxDepth || size_t(count) > (size - pos) / kSmallestForm) return false;
  try {
    out.reserve(size_t(count));
  } catch (const std::exception&) {
    return false;
  }
  for (int32_t i = 0; i < count; ++i) {
    out.emplace_back(new (std::nothrow) GbImage(GB_TYPE_UNKNOWN));
    if (!out.back()) return false;
    const size_t used = DeserializeAt(*out.back(), src + pos, size - pos, depth + 1);
    if (used == 0) return false;
    pos += used;
  }
  return true;
}

size_t Fail(GbImage& image) {
  image.ReleaseFrames();
  image.Release();
  return 0;
}

size_t DeserializeAt(GbImage& image, const uint8_t* src, size_t size, int depth) {
  if (!src || !image.Release() || !image.ReleaseFrames()) return 0;
  if (size < kPackedAt) return 0;
  BITMAPINFOHEADER h;
  std::memcpy(&h, src, kHeader);
  const uint8_t* record = src + kRecordAt;
  const uint32_t bpp = h.biBitCount;
  if (h.biWidth <= 0 || h.biHeight <= 0 || (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24)) return 0;
  uint32_t type = 0;
  std::memcpy(&type, record + 16, 4);
  if (type >= GB_TYPE_COUNT) type = GB_TYPE_UNKNOWN;
  // The whole packed buffer must be there before anything is allocated
  // for it, so a lying header cannot make a huge image from a few bytes.
  const uint64_t stride = (uint64_t(uint32_t(h.biWidth)) * bpp + 31) / 32 * 4;
  const uint64_t table = bpp <= 8 ? (4u << bpp) : 0;
  const size_t left = size - kPackedAt;
  if (left < kHeader + table || stride > (left - kHeader - table) / uint32_t(h.biHeight)) return 0;
  if (!image.Create(uint32_t(h.biWidth), uint32_t(h.biHeight), bpp, type)) return 0;
  const size_t packed = image.PackedSize();
  if (packed > left) return Fail(image);
  image.ReadInfoRecord(record);
  ImageInfo& info = image.Info();
  info.fileType = type;
  info.lastColorValid = 0;  // the cache of another image's palette means nothing here
  image.SetBackgroundIndex(info.backgroundIndex);
  std::memcpy(image.PackedDib(), src + kPackedAt, packed);
  // The block's header is this image's own; only resolution and the colour
  // count come from the form.
  BITMAPINFOHEADER& own = image.MutableHeader();
  own.biXPelsPerMeter = h.biXPelsPerMeter;
  own.biYPelsPerMeter = h.biYPelsPerMeter;
  image.SetColorsImportant(h.biClrImportant);
  std::memcpy(image.PackedDib(), &own, kHeader);
  size_t pos = kPackedAt + packed;

  const size_t plane = size_t(image.Width()) * image.Height();
  for (int which = 0; which < 2; ++which) {  // alpha, then selection
    if (pos >= size || src[pos] > 1) return Fail(image);
    const bool present = src[pos++] == 1;
    if (!present) continue;
    if (plane > size - pos) return Fail(image);
    // A plane that cannot be made is skipped, its bytes still consumed.
    const bool made = which == 0 ? image.CreateAlpha() : [&] {
      const RECT box = image.SelectionBox();  // creating resets the stored box
      const bool ok = image.CreateSelection();
      info.selLeft = box.left, info.selTop = box.top, info.selRight = box.right, info.selBottom = box.bottom;
      return ok;
    }();
    uint8_t* target = which == 0 ? image.AlphaPlane() : image.SelectionPlane();
    if (made && target) std::memcpy(target, src + pos, plane);
    pos += plane;
  }

  // Layers, then frames; their counts are those of the record.
  for (int which = 0; which < 2; ++which) {
    if (pos >= size || src[pos] > 1) return Fail(image);
    const bool present = src[pos++] == 1;
    const int32_t count = GetI32(record + (which == 0 ? kLayersOffset : kFramesOffset));
    if (!present) continue;
    std::vector<std::unique_ptr<GbImage>> nested;
    if (!ReadNested(src, size, pos, count, depth, nested)) return Fail(image);
    if (which == 0) {
      if (count > 0) image.SetLayers(std::move(nested));
    } else if (count > 0) {
      if (!image.SetFrameSlots(count)) return Fail(image);
      for (int32_t i = 0; i < count; ++i) image.SetFrameAt(i, std::move(nested[size_t(i)]));
      image.SetFrameCount(count);
    }
  }
  return pos;
}

}  // namespace

size_t GbImage::SerializedSize() const {
  if (!block_) return 0;
  size_t total = kPackedAt + PackedSize() + 4;
  const size_t plane = size_t(Width()) * Height();
  if (alpha_) total += plane;
  if (selection_) total += plane;
  total += NestedSize(LayerCount(), [&](long i) { return LayerAt(i); });
  total += NestedSize(FrameSlotCount(), [&](long i) { return FrameAt(i); });
  return total;
}

size_t GbImage::Serialize(uint8_t* destination, size_t capacity) const {
  if (!destination || !block_) return 0;
  const size_t total = SerializedSize();
  if (capacity < total) return 0;
  auto layerAt = [&](long i) { return LayerAt(i); };
  auto frameAt = [&](long i) { return FrameAt(i); };
  const long layers = NestedCount(LayerCount(), layerAt);
  const long frames = NestedCount(FrameSlotCount(), frameAt);

  std::memcpy(destination, &header_, kHeader);
  uint8_t* record = destination + kRecordAt;
  WriteInfoRecord(record);
  // The counts say how many nested forms follow, so a reader stays in step
  // even when some slots of an array are empty.
  const int32_t layerCount = int32_t(layers);
  std::memcpy(record + kLayersOffset, &layerCount, 4);
  if (frames > 0) {
    const int32_t frameCount = int32_t(frames);
    std::memcpy(record + kFramesOffset, &frameCount, 4);
  }
  size_t pos = kPackedAt;
  std::memcpy(destination + pos, block_, PackedSize());
  pos += PackedSize();
  const size_t plane = size_t(Width()) * Height();
  for (const uint8_t* p : {alpha_.get(), selection_.get()}) {
    destination[pos++] = p ? 1 : 0;
    if (p) {
      std::memcpy(destination + pos, p, plane);
      pos += plane;
    }
  }
  for (int which = 0; which < 2; ++which) {
    const long slots = which == 0 ? LayerCount() : FrameSlotCount();
    const long count = which == 0 ? layers : frames;
    destination[pos++] = count > 0 ? 1 : 0;
    for (long i = 0; i < slots; ++i) {
      const GbImage* n = which == 0 ? LayerAt(i) : FrameAt(i);
      if (Writable(n)) pos += n->Serialize(destination + pos, capacity - pos);
    }
  }
  return pos;
}

size_t GbImage::Deserialize(const uint8_t* source, size_t size) { return DeserializeAt(*this, source, size, 0); }
