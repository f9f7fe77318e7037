#include "image/codecs/GbImageRAW.h"

#include <libraw/libraw.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kNotRaw = "GbImageRAW: not a raw image";
constexpr const char* kNoDecoder = "GbImageRAW: missing raw decoder";
constexpr const char* kUnknownOption = "GbImageRAW: unknown option";
constexpr const char* kIncomplete = "GbImageRAW: the raw data is incomplete";
constexpr const char* kNoMemory = "GbImageRAW: can't allocate memory";

// What LibRaw may allocate for one picture, in megabytes.
constexpr unsigned kMaxRawMemoryMb = 1024;

// LibRaw reports reads past the end of the data here instead of failing;
// a picture developed from missing data is refused.
void onDataError(void* data, const char*, const int) { *static_cast<bool*>(data) = true; }

// Whether unpacking produced anything at all: a file whose pixel data was
// stripped or lies beyond its end unpacks to nothing but zeros.
bool HasSamples(const libraw_data_t& raw) {
  const libraw_rawdata_t& d = raw.rawdata;
  const size_t pixels = size_t(raw.sizes.raw_width) * raw.sizes.raw_height;
  if (d.raw_image) {
    for (size_t i = 0; i < pixels; ++i)
      if (d.raw_image[i]) return true;
    return false;
  }
  if (d.color4_image) {
    for (size_t i = 0; i < pixels; ++i)
      if (d.color4_image[i][0] | d.color4_image[i][1] | d.color4_image[i][2] | d.color4_image[i][3]) return true;
    return false;
  }
  if (d.color3_image) {
    for (size_t i = 0; i < pixels; ++i)
      if (d.color3_image[i][0] | d.color3_image[i][1] | d.color3_image[i][2]) return true;
    return false;
  }
  return true;  // other layouts (floating point): trust the decoder
}

struct RawDeleter {
  void operator()(libraw_data_t* raw) const { libraw_close(raw); }
};
struct ProcessedDeleter {
  void operator()(libraw_processed_image_t* image) const { libraw_dcraw_clear_mem(image); }
};

}  // namespace

GB_CODEC_FACTORY(GbImageRAW)

const char* GbImageRAW::NoMemoryText() const { return kNoMemory; }

const char* GbImageRAW::DecodeStream(GbFile* stream) {
  const uint32_t interpolation = CodecOption(GB_TYPE_RAW);
  if (interpolation > 3) return kUnknownOption;

  const int32_t start = stream->Tell();
  const int32_t size = stream->Size();
  if (start < 0 || size <= start) return kNotRaw;
  std::vector<uint8_t> bytes(size_t(size - start));
  if (stream->Read(bytes.data(), 1, bytes.size()) != bytes.size()) return kNotRaw;

  std::unique_ptr<libraw_data_t, RawDeleter> raw(libraw_init(0));
  if (!raw) return kNoMemory;
  raw->params.max_raw_memory_mb = kMaxRawMemoryMb;
  bool dataMissing = false;
  libraw_set_dataerror_handler(raw.get(), onDataError, &dataMissing);
  // Whatever stops the identification (an unknown layout, a file too short
  // to hold one) means the bytes are not a raw file LibRaw knows.
  int rc = libraw_open_buffer(raw.get(), bytes.data(), bytes.size());
  if (rc == LIBRAW_UNSUFFICIENT_MEMORY) return kNoMemory;
  if (rc != LIBRAW_SUCCESS) return kNotRaw;
  libraw_decoder_info_t decoder{};
  if (libraw_get_decoder_info(raw.get(), &decoder) != LIBRAW_SUCCESS || !decoder.decoder_name) return kNoDecoder;

  // The size as it will come out: a quarter turn swaps the sides.
  const libraw_image_sizes_t& sizes = raw->sizes;
  const bool quarterTurn = (sizes.flip & 4) != 0;
  const uint32_t width = quarterTurn ? sizes.height : sizes.width;
  const uint32_t height = quarterTurn ? sizes.width : sizes.height;
  if (width == 0 || height == 0) return kNotRaw;
  if (Probing()) return SizeFound(width, height, GB_TYPE_RAW);

  // Even lossless-compressed sensor data needs a few bits per photosite; a
  // far smaller file has lost its pixel data.
  const uint64_t photosites = uint64_t(sizes.raw_width) * sizes.raw_height;
  if (photosites > uint64_t(bytes.size()) * 64 + (uint64_t(1) << 20)) return kIncomplete;

  raw->params.user_qual = int(interpolation);
  raw->params.output_bps = 8;
  rc = libraw_unpack(raw.get());
  if (rc == LIBRAW_SUCCESS && (dataMissing || !HasSamples(*raw))) return kIncomplete;
  if (rc == LIBRAW_SUCCESS) rc = libraw_dcraw_process(raw.get());
  if (rc != LIBRAW_SUCCESS) {
    if (rc == LIBRAW_FILE_UNSUPPORTED || rc == LIBRAW_REQUEST_FOR_NONEXISTENT_IMAGE) return kNoDecoder;
    SetLastError((std::string("GbImageRAW: ") + libraw_strerror(rc)).c_str());
    return LastError();
  }
  int errc = 0;
  std::unique_ptr<libraw_processed_image_t, ProcessedDeleter> out(libraw_dcraw_make_mem_image(raw.get(), &errc));
  if (!out || errc != LIBRAW_SUCCESS) return kNoMemory;
  if (out->type != LIBRAW_IMAGE_BITMAP || out->bits != 8 || (out->colors != 3 && out->colors != 1) || out->width == 0 ||
      out->height == 0 || uint64_t(out->width) * out->height * out->colors > out->data_size)
    return kNoDecoder;

  const uint32_t w = out->width, h = out->height, colours = out->colors;
  if (!Create(w, h, 24, GB_TYPE_RAW)) return LastError();
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* src = out->data + size_t(y) * w * colours;
    uint8_t* row = RowBits(h - 1 - y);
    for (uint32_t x = 0; x < w; ++x, src += colours) {
      row[3 * x] = src[colours == 3 ? 2 : 0];
      row[3 * x + 1] = src[colours == 3 ? 1 : 0];
      row[3 * x + 2] = src[0];
    }
    std::memset(row + 3 * size_t(w), 0, RowStride() - 3 * size_t(w));
  }
  return nullptr;
}

bool GbImageRAW::Encode(GbFile* stream) {
  if (CheckEncodable(stream)) return false;
  SetLastError("Save RAW not supported");
  return false;
}
