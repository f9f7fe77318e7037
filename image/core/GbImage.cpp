// Life cycle, header and settings of GbImage.
#include "image/core/GbImage.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <utility>

GbImage::GbImage(uint32_t type) {
  ResetHeader();
  info_.fileType = type;
}

GbImage::GbImage(uint32_t width, uint32_t height, uint32_t bpp, uint32_t type) : GbImage(type) {
  Create(width, height, bpp, type);
}

GbImage::GbImage(const GbImage& source, bool copyPixels, bool copySelection, bool copyAlpha)
    : GbImage(source.FileType()) {
  CopyFrom(source, copyPixels, copySelection, copyAlpha);
}

GbImage::GbImage(GbImage&& source) noexcept : GbImage(source.FileType()) { TakeOver(source, true); }

GbImage::~GbImage() = default;

GbImage& GbImage::operator=(const GbImage& source) {
  if (&source != this) CopyFrom(source, true, true, true);
  return *this;
}

GbImage& GbImage::operator=(GbImage&& source) noexcept {
  if (&source != this) TakeOver(source, true);
  return *this;
}

void GbImage::ResetHeader() {
  header_ = BITMAPINFOHEADER{};
  header_.biXPelsPerMeter = DpiToPpm(96);
  header_.biYPelsPerMeter = DpiToPpm(96);
}

void GbImage::SetLastError(const char* text) {
  if (!text) text = "";
  std::snprintf(info_.lastError, sizeof info_.lastError, "%s", text);
}

void GbImage::SetWarning(const char* text) {
  if (!text) text = "";
  std::snprintf(info_.warning, sizeof info_.warning, "%s", text);
}

uint32_t GbImage::NormaliseBpp(uint32_t bpp) {
  if (bpp <= 1) return 1;
  if (bpp <= 4) return 4;
  if (bpp <= 8) return 8;
  return 24;
}

uint32_t GbImage::PaletteEntryCount() const {
  switch (header_.biBitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

size_t GbImage::PackedSize() const { return 40 + 4 * size_t(PaletteEntryCount()) + size_t(info_.rowStride) * Height(); }

RGBQUAD* GbImage::Palette() const {
  if (!block_ || PaletteEntryCount() == 0) return nullptr;
  return reinterpret_cast<RGBQUAD*>(block_ + 40);
}

uint8_t* GbImage::RowBits(uint32_t row) const {
  if (!block_ || row >= Height()) return nullptr;
  return block_ + 40 + 4 * size_t(PaletteEntryCount()) + size_t(row) * info_.rowStride;
}

bool GbImage::SetFileType(uint32_t type) {
  if (type >= 1 && type < GB_TYPE_COUNT && type != GB_TYPE_JBG) {
    info_.fileType = type;
    return true;
  }
  info_.fileType = 0;
  return false;
}

void GbImage::FreeOwnedPlanes() {
  selection_.reset();
  alpha_.reset();
}

void GbImage::AdoptAlphaPlane(GbBuffer plane) { alpha_ = std::move(plane); }

void GbImage::AdoptSelectionPlane(GbBuffer plane) { selection_ = std::move(plane); }

bool GbImage::Release() {
  layers_.clear();
  info_.numLayers = 0;
  FreeOwnedPlanes();
  block_.reset();
  return true;
}

bool GbImage::ReleaseFrames() {
  frames_.clear();
  return true;
}

uint8_t* GbImage::Create(uint32_t width, uint32_t height, uint32_t bpp, uint32_t type) {
  Release();
  if (width == 0 || height == 0) {
    SetLastError("GbImage::Create : width and height must be greater than zero");
    return nullptr;
  }
  bpp = NormaliseBpp(bpp);
  if (!SizeAllowed(width, height, bpp)) {
    SetLastError("GBIMAGE_MAX_MEMORY exceeded");
    return nullptr;
  }
  const uint32_t stride = StrideFor(width, bpp);
  header_.biSize = 40;
  header_.biWidth = LONG(width);
  header_.biHeight = LONG(height);
  header_.biPlanes = 1;
  header_.biBitCount = WORD(bpp);
  header_.biCompression = BI_RGB;
  header_.biSizeImage = stride * height;
  header_.biClrUsed = bpp == 1 ? 2 : bpp == 4 ? 16 : bpp == 8 ? 256 : 0;
  info_.rowStride = stride;
  info_.fileType = type;

  block_ = GbBuffer::Allocate(PackedSize());
  if (!block_) {
    SetLastError("GbImage::Create can't allocate memory");
    return nullptr;
  }
  std::memset(block_ + 40, 0, 4 * size_t(PaletteEntryCount()));
  std::memcpy(block_, &header_, 40);
  info_.lastColorValid = 0;
  return block_;
}

bool GbImage::SizeAllowed(uint32_t width, uint32_t height, uint32_t bpp) {
  bpp = NormaliseBpp(bpp);
  // The limit is checked in 32 bits, the way stored files expect; the
  // division catches products that wrapped around.
  const uint32_t wh = width * height;
  const uint32_t product = wh * bpp;
  const bool whWrapped = uint64_t(width) * height != wh;
  return !(whWrapped || (product & ~7u) > 2147483648u || product / bpp != wh);
}

bool GbImage::CopyFrom(const GbImage& source, bool copyPixels, bool copySelection, bool copyAlpha) {
  if (&source == this) return true;
  // Built aside, so that a failure leaves this image as it was.
  GbImage copy;
  if (!copy.BuildCopyOf(source, copyPixels, copySelection, copyAlpha)) {
    SetLastError(copy.LastError());
    return false;
  }
  header_ = copy.header_;
  info_ = copy.info_;
  progress_.store(copy.progress_.load());
  escape_.store(copy.escape_.load());
  MoveContentFrom(copy, true);
  return true;
}

bool GbImage::BuildCopyOf(const GbImage& source, bool copyPixels, bool copySelection, bool copyAlpha) {
  info_ = source.info_;
  header_ = source.header_;
  progress_.store(source.progress_.load());
  escape_.store(source.escape_.load());
  info_.numLayers = 0;
  if (!source.block_) return true;
  const BITMAPINFOHEADER keep = source.header_;
  if (!Create(source.Width(), source.Height(), source.BitsPerPixel(), source.FileType())) return false;
  // Create rewrites only the geometry fields; keep resolution and the rest.
  header_ = keep;
  if (copyPixels) {
    std::memcpy(block_, source.block_, PackedSize());
  } else {
    std::memcpy(block_, &header_, 40);
    if (PaletteEntryCount()) std::memcpy(block_ + 40, source.block_ + 40, 4 * size_t(PaletteEntryCount()));
  }
  const size_t planeSize = size_t(Width()) * Height();
  if (copySelection && source.selection_) {
    selection_ = GbBuffer::CopyOf(source.selection_, planeSize);
    if (!selection_) {
      SetLastError("GbImage::CopyFrom can't allocate memory for the selection");
      return false;
    }
  }
  if (copyAlpha && source.alpha_) {
    alpha_ = GbBuffer::CopyOf(source.alpha_, planeSize);
    if (!alpha_) {
      SetLastError("GbImage::CopyFrom can't allocate memory for the alpha plane");
      return false;
    }
  }
  if (!copyPixels) return true;
  const auto copyAll = [this](const std::vector<std::unique_ptr<GbImage>>& from,
                              std::vector<std::unique_ptr<GbImage>>& to, const char* what) {
    try {
      to.resize(from.size());
    } catch (const std::exception&) {
      to.clear();
    }
    if (to.size() != from.size()) {
      SetLastError(what);
      return false;
    }
    for (size_t i = 0; i < from.size(); ++i) {
      if (!from[i]) continue;  // an empty slot stays empty
      to[i].reset(new (std::nothrow) GbImage(from[i]->FileType()));
      if (!to[i] || !to[i]->CopyFrom(*from[i])) {
        SetLastError(what);
        return false;
      }
    }
    return true;
  };
  if (!copyAll(source.frames_, frames_, "GbImage::CopyFrom can't allocate memory for a frame")) return false;
  if (!copyAll(source.layers_, layers_, "GbImage::CopyFrom can't allocate memory for a layer")) return false;
  info_.numLayers = int32_t(layers_.size());
  return true;
}

void GbImage::MoveContentFrom(GbImage& source, bool withFrames) noexcept {
  block_ = std::move(source.block_);
  selection_ = std::move(source.selection_);
  alpha_ = std::move(source.alpha_);
  layers_ = std::move(source.layers_);
  source.layers_.clear();
  info_.numLayers = int32_t(layers_.size());
  source.info_.numLayers = 0;
  if (withFrames) {
    frames_ = std::move(source.frames_);
    source.frames_.clear();
  }
}

bool GbImage::TakeOver(GbImage& source, bool takeFrames) {
  if (&source == this) return true;
  header_ = source.header_;
  info_ = source.info_;
  progress_.store(source.progress_.load());
  escape_.store(source.escape_.load());
  MoveContentFrom(source, takeFrames);
  source.header_ = BITMAPINFOHEADER{};
  std::memset(static_cast<void*>(&source.info_), 0, sizeof source.info_);
  source.progress_.store(0);
  source.escape_.store(0);
  return true;
}

bool GbImage::CopySettingsFrom(const GbImage& source) {
  if (block_) return false;
  info_ = source.info_;
  info_.numLayers = int32_t(layers_.size());  // the layers stay this image's own
  progress_.store(source.progress_.load());
  escape_.store(source.escape_.load());
  return true;
}

void GbImage::Fill(uint8_t value) {
  if (!block_) return;
  if (BitsPerPixel() == 1 && value) value = 255;
  if (BitsPerPixel() == 4) value = uint8_t((value & 0x0F) * 17);
  std::memset(RowBits(0), value, size_t(info_.rowStride) * Height());
}

// ---- frames and layers --------------------------------------------------

GbImage* GbImage::FrameAt(long n) const {
  const long slots = FrameSlotCount();
  if (slots <= 0) return nullptr;
  if (n < 0) n = slots - 1;
  if (n >= slots) return nullptr;
  return frames_[size_t(n)].get();
}

bool GbImage::SetFrameSlots(long count) {
  ReleaseFrames();
  if (count <= 0) return false;
  try {
    frames_.resize(size_t(count));
  } catch (const std::exception&) {
    frames_.clear();  // a count from a file may be far beyond memory
    return false;
  }
  return true;
}

bool GbImage::SetFrameAt(long n, std::unique_ptr<GbImage> frame) {
  if (n < 0 || n >= FrameSlotCount()) return false;
  frames_[size_t(n)] = std::move(frame);
  return true;
}

GbImage* GbImage::LayerAt(long n) const {
  if (n < 0 || n >= long(layers_.size())) return nullptr;
  return layers_[size_t(n)].get();
}

bool GbImage::SetLayers(std::vector<std::unique_ptr<GbImage>> layers) {
  layers_ = std::move(layers);
  info_.numLayers = int32_t(layers_.size());
  return true;
}

// ---- lending the content to a codec ----------------------------------------

GbImageLoan::GbImageLoan(GbImage& owner, GbImage& borrower) noexcept
    : owner_(owner), borrower_(borrower), lentBlock_(owner.block_) {
  borrower.header_ = owner.header_;
  borrower.info_ = owner.info_;
  borrower.progress_.store(owner.progress_.load());
  borrower.escape_.store(owner.escape_.load());
  borrower.MoveContentFrom(owner, true);
}

GbImageLoan::~GbImageLoan() {
  if (borrower_.block_ != lentBlock_) {
    owner_.header_ = borrower_.header_;
    owner_.info_.rowStride = borrower_.info_.rowStride;
  }
  // A borrower that changed the palette in place dropped its colour cache.
  if (!borrower_.info_.lastColorValid) owner_.info_.lastColorValid = 0;
  owner_.MoveContentFrom(borrower_, true);
  borrower_.ResetHeader();
  borrower_.info_.rowStride = 0;
}

// ---- settings ---------------------------------------------------------------

void GbImage::SetDpiX(int dpi) {
  if (dpi <= 0) dpi = 96;
  info_.dpiX = dpi;
  header_.biXPelsPerMeter = DpiToPpm(dpi);
  if (block_) reinterpret_cast<BITMAPINFOHEADER*>(block_.get())->biXPelsPerMeter = header_.biXPelsPerMeter;
}

void GbImage::SetDpiY(int dpi) {
  if (dpi <= 0) dpi = 96;
  info_.dpiY = dpi;
  header_.biYPelsPerMeter = DpiToPpm(dpi);
  if (block_) reinterpret_cast<BITMAPINFOHEADER*>(block_.get())->biYPelsPerMeter = header_.biYPelsPerMeter;
}

void GbImage::SetCodecOption(uint32_t word, uint32_t type) {
  if (type == 0) type = info_.fileType;
  info_.codecOptions[TypeIndex(type)] = word;
}

uint32_t GbImage::CodecOption(uint32_t type) const {
  if (type == 0) type = info_.fileType;
  return info_.codecOptions[TypeIndex(type)];
}

void GbImage::SetBackgroundIndex(long index) {
  info_.backgroundIndex = index < long(PaletteEntryCount()) ? int32_t(index) : 0;
}

void GbImage::SetBackgroundColor(RGBQUAD colour) {
  colour.rgbReserved = 0;
  info_.backgroundColor = colour;
}

RGBQUAD GbImage::BackgroundColor() const {
  if (BitsPerPixel() < 24 && info_.backgroundIndex >= 0) return PaletteColor(uint32_t(info_.backgroundIndex));
  return info_.backgroundColor;
}

void GbImage::SetColorsImportant(uint32_t count) {
  if (count == 0 || count > 256) {
    header_.biClrImportant = 0;
    return;
  }
  switch (BitsPerPixel()) {
    case 1: header_.biClrImportant = count < 2 ? count : 2; break;
    case 4: header_.biClrImportant = count < 16 ? count : 16; break;
    default: header_.biClrImportant = count; break;
  }
}

// ---- the record in its byte layout ----------------------------------------

namespace {
template <typename T>
void put(uint8_t* out, size_t offset, T value) {
  std::memcpy(out + offset, &value, sizeof value);
}
template <typename T>
T get(const uint8_t* in, size_t offset) {
  T value;
  std::memcpy(&value, in + offset, sizeof value);
  return value;
}
}  // namespace

void GbImage::WriteInfoRecord(uint8_t out[GB_INFO_RECORD_SIZE]) const {
  std::memset(out, 0, GB_INFO_RECORD_SIZE);
  put<uint32_t>(out, 0, info_.rowStride);
  // 4, 8, 12: pointers, written as zero on this platform.
  put<uint32_t>(out, 16, info_.fileType);
  std::memcpy(out + 20, info_.lastError, GB_ERROR_TEXT_SIZE);
  out[20 + GB_ERROR_TEXT_SIZE - 1] = 0;
  put<int32_t>(out, 276, progress_.load(std::memory_order_relaxed));
  put<int32_t>(out, 280, escape_.load(std::memory_order_relaxed));
  put<int32_t>(out, 284, info_.backgroundIndex);
  put<RGBQUAD>(out, 288, info_.backgroundColor);
  put<float>(out, 292, info_.jpegQuality);
  out[296] = info_.jpegScale;
  put<int32_t>(out, 300, info_.frame);
  put<int32_t>(out, 304, info_.numFrames);
  put<uint32_t>(out, 308, info_.frameDelay);
  put<int32_t>(out, 312, info_.dpiX);
  put<int32_t>(out, 316, info_.dpiY);
  put<int32_t>(out, 320, info_.selLeft);
  put<int32_t>(out, 324, info_.selTop);
  put<int32_t>(out, 328, info_.selRight);
  put<int32_t>(out, 332, info_.selBottom);
  out[336] = info_.alphaMax;
  out[337] = info_.paletteAlphaEnabled;
  out[338] = info_.enabled;
  put<int32_t>(out, 340, info_.xOffset);
  put<int32_t>(out, 344, info_.yOffset);
  for (int i = 0; i < GB_CODEC_SLOTS; ++i) put<uint32_t>(out, 348 + 4 * size_t(i), info_.codecOptions[i]);
  put<RGBQUAD>(out, 424, info_.lastColor);
  out[428] = info_.lastColorIndex;
  out[429] = info_.lastColorValid;
  put<int32_t>(out, 432, info_.numLayers);
  put<uint32_t>(out, 436, info_.flags);
  out[440] = info_.disposal;
  out[441] = info_.retrieveAllFrames;
  out[442] = info_.littleEndianHost;
}

void GbImage::ReadInfoRecord(const uint8_t in[GB_INFO_RECORD_SIZE]) {
  // The stride is derived from the header, not trusted from the bytes.
  info_.rowStride = block_ ? StrideFor(Width(), BitsPerPixel()) : get<uint32_t>(in, 0);
  info_.fileType = get<uint32_t>(in, 16);
  std::memcpy(info_.lastError, in + 20, GB_ERROR_TEXT_SIZE);
  info_.lastError[GB_ERROR_TEXT_SIZE - 1] = 0;
  progress_.store(get<int32_t>(in, 276), std::memory_order_relaxed);
  escape_.store(get<int32_t>(in, 280), std::memory_order_relaxed);
  info_.backgroundIndex = get<int32_t>(in, 284);
  info_.backgroundColor = get<RGBQUAD>(in, 288);
  info_.jpegQuality = get<float>(in, 292);
  info_.jpegScale = in[296];
  info_.frame = get<int32_t>(in, 300);
  info_.numFrames = get<int32_t>(in, 304);
  info_.frameDelay = get<uint32_t>(in, 308);
  info_.dpiX = get<int32_t>(in, 312);
  info_.dpiY = get<int32_t>(in, 316);
  info_.selLeft = get<int32_t>(in, 320);
  info_.selTop = get<int32_t>(in, 324);
  info_.selRight = get<int32_t>(in, 328);
  info_.selBottom = get<int32_t>(in, 332);
  info_.alphaMax = in[336];
  info_.paletteAlphaEnabled = in[337];
  info_.enabled = in[338];
  info_.xOffset = get<int32_t>(in, 340);
  info_.yOffset = get<int32_t>(in, 344);
  for (int i = 0; i < GB_CODEC_SLOTS; ++i) info_.codecOptions[i] = get<uint32_t>(in, 348 + 4 * size_t(i));
  info_.lastColor = get<RGBQUAD>(in, 424);
  info_.lastColorIndex = in[428];
  info_.lastColorValid = in[429];
  // The layer count describes layers this image actually owns, not the bytes.
  info_.numLayers = int32_t(layers_.size());
  info_.flags = get<uint32_t>(in, 436);
  info_.disposal = in[440];
  info_.retrieveAllFrames = in[441];
  info_.littleEndianHost = 1;
}
