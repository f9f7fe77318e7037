// JP2 files and J2K code streams through OpenJPEG, over GbFile callbacks.
// OpenJPEG applies palettes, channel definitions and the component transform
// itself; what comes back is one array of samples per component.
#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "image/codecs/JasPicture.h"
#include "image/io/Bytes.h"
#include "image/io/DecodeLimits.h"

namespace jas {
namespace {

constexpr const char* kCannotInitialise = "cannot initialize jasper";
constexpr const char* kCannotOpenInput = "error: cannot open standard input";
constexpr const char* kCannotLoad = "error: cannot load image data";
constexpr const char* kTooManyComponents = "error: too many components";
constexpr const char* kCannotOpenOutput = "error: cannot open standard output";
constexpr const char* kCannotCreate = "error : jas_image_create";
constexpr const char* kCannotEncode = "error: cannot encode image";

struct StreamContext {
  GbFile* file;
  int64_t start;
};

OPJ_SIZE_T readCallback(void* buffer, OPJ_SIZE_T n, void* user) {
  auto* ctx = static_cast<StreamContext*>(user);
  const size_t got = n ? ctx->file->Read(buffer, 1, n) : 0;
  return got ? got : OPJ_SIZE_T(-1);
}

OPJ_SIZE_T writeCallback(void* buffer, OPJ_SIZE_T n, void* user) {
  auto* ctx = static_cast<StreamContext*>(user);
  const size_t put = n ? ctx->file->Write(buffer, 1, n) : 0;
  return put == n ? put : OPJ_SIZE_T(-1);
}

OPJ_OFF_T skipCallback(OPJ_OFF_T n, void* user) {
  auto* ctx = static_cast<StreamContext*>(user);
  const int64_t here = ctx->file->Tell();
  const int64_t target = here + n;
  if (here < 0 || target < ctx->start || target > INT32_MAX) return -1;
  return ctx->file->Seek(int32_t(target), GB_SEEK_SET) ? n : -1;
}

OPJ_BOOL seekCallback(OPJ_OFF_T position, void* user) {
  auto* ctx = static_cast<StreamContext*>(user);
  const int64_t target = ctx->start + position;
  if (position < 0 || target > INT32_MAX) return OPJ_FALSE;
  return ctx->file->Seek(int32_t(target), GB_SEEK_SET) ? OPJ_TRUE : OPJ_FALSE;
}

// OpenJPEG reports through these; the codec keeps its own messages.
void quietHandler(const char*, void*) {}

struct CodecDeleter {
  void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct StreamDeleter {
  void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};
struct ImageDeleter {
  void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};

void silence(opj_codec_t* codec) {
  opj_set_info_handler(codec, quietHandler, nullptr);
  opj_set_warning_handler(codec, quietHandler, nullptr);
  opj_set_error_handler(codec, quietHandler, nullptr);
}

uint32_t ceilDiv(uint32_t a, uint32_t b) { return uint32_t((uint64_t(a) + b - 1) / b); }

ColourSpace spaceOf(OPJ_COLOR_SPACE space) {
  switch (space) {
    case OPJ_CLRSPC_SRGB: return ColourSpace::SRGB;
    case OPJ_CLRSPC_GRAY: return ColourSpace::Grey;
    case OPJ_CLRSPC_SYCC: return ColourSpace::SYCC;
    case OPJ_CLRSPC_CMYK:
    case OPJ_CLRSPC_EYCC: return ColourSpace::Other;
    default: return ColourSpace::Unknown;
  }
}

// Reads the size marker of the code stream (inside the jp2c box of a JP2
// file) before OpenJPEG sees it: the library sets up every tile while
// reading the header, so a few bytes claiming a vast picture would cost
// gigabytes before any check of ours could run. Returns null when the sizes
// are believable (or cannot be found: OpenJPEG then fails on its own).
const char* CheckSizeMarker(GbFile* stream, Format format, int64_t start, int64_t size) {
  int64_t at = start;
  if (format == Format::JP2) {
    // Top-level boxes: length, type, then an 8-byte length when length is 1.
    bool found = false;
    for (int boxes = 0; boxes < 4096 && at + 8 <= start + size; ++boxes) {
      uint8_t box[16];
      if (at > INT32_MAX || !stream->Seek(int32_t(at), GB_SEEK_SET) || stream->Read(box, 1, 8) != 8) return nullptr;
      uint64_t length = gbio::Be32(box);
      int64_t header = 8;
      if (length == 1) {
        if (stream->Read(box + 8, 1, 8) != 8) return nullptr;
        length = (uint64_t(gbio::Be32(box + 8)) << 32) | gbio::Be32(box + 12);
        header = 16;
      }
      if (std::memcmp(box + 4, "jp2c", 4) == 0) {
        at += header;
        found = true;
        break;
      }
      if (length == 0 || length < uint64_t(header) || length > uint64_t(start + size - at)) return nullptr;
      at += int64_t(length);
    }
    if (!found) return nullptr;
  }
  uint8_t siz[42];
  if (at > INT32_MAX || !stream->Seek(int32_t(at), GB_SEEK_SET) || stream->Read(siz, 1, sizeof siz) != sizeof siz)
    return nullptr;
  if (siz[0] != 0xFF || siz[1] != 0x4F || siz[2] != 0xFF || siz[3] != 0x51) return nullptr;
  const uint32_t xsiz = gbio::Be32(siz + 8), ysiz = gbio::Be32(siz + 12), xo = gbio::Be32(siz + 16),
                 yo = gbio::Be32(siz + 20);
  const uint32_t xt = gbio::Be32(siz + 24), yt = gbio::Be32(siz + 28), xto = gbio::Be32(siz + 32),
                 yto = gbio::Be32(siz + 36);
  const uint32_t components = gbio::Be16(siz + 40);
  if (xsiz <= xo || ysiz <= yo || xt == 0 || yt == 0 || xto > xo || yto > yo || components == 0) return kCannotLoad;
  if (components > kMaxComponents) return kTooManyComponents;
  const uint64_t samples = uint64_t(xsiz - xo) * (ysiz - yo);
  const uint64_t tiles = ((uint64_t(xsiz) - xto + xt - 1) / xt) * ((uint64_t(ysiz) - yto + yt - 1) / yt);
  if (samples > kMaxComponentSamples || !gbio::Justifies(gbio::kJpeg2000Ratio, uint64_t(size), samples) ||
      tiles > 65535 || tiles * components > (1u << 20))
    return kCannotLoad;
  return nullptr;
}

}  // namespace

const char* ReadJpeg2000(GbFile* stream, Format format, bool headerOnly, Picture& picture) {
  StreamContext ctx{stream, stream->Tell()};
  const int32_t size = stream->Size();
  if (ctx.start < 0 || size < 0) return kCannotOpenInput;
  const char* implausible = CheckSizeMarker(stream, format, ctx.start, int64_t(size) - ctx.start);
  if (!stream->Seek(int32_t(ctx.start), GB_SEEK_SET)) return kCannotOpenInput;
  if (implausible) return implausible;

  std::unique_ptr<opj_codec_t, CodecDeleter> codec(
      opj_create_decompress(format == Format::JP2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
  if (!codec) return kCannotInitialise;
  silence(codec.get());
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(codec.get(), &parameters)) return kCannotInitialise;

  std::unique_ptr<opj_stream_t, StreamDeleter> in(opj_stream_create(65536, OPJ_TRUE));
  if (!in) return kCannotOpenInput;
  opj_stream_set_user_data(in.get(), &ctx, nullptr);
  opj_stream_set_user_data_length(in.get(), OPJ_UINT64(size > ctx.start ? size - ctx.start : 0));
  opj_stream_set_read_function(in.get(), readCallback);
  opj_stream_set_skip_function(in.get(), skipCallback);
  opj_stream_set_seek_function(in.get(), seekCallback);

  opj_image_t* raw = nullptr;
  const bool headerRead = opj_read_header(in.get(), codec.get(), &raw);
  std::unique_ptr<opj_image_t, ImageDeleter> image(raw);
  if (!headerRead || !image || image->numcomps == 0 || !image->comps) return kCannotLoad;
  if (image->numcomps > kMaxComponents) return kTooManyComponents;
  if (image->x1 <= image->x0 || image->y1 <= image->y0) return kCannotLoad;

  // Sizes from the header, so that nothing is decoded that we would refuse.
  uint64_t total = 0;
  picture.components.resize(image->numcomps);
  for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
    const opj_image_comp_t& ic = image->comps[i];
    if (ic.dx == 0 || ic.dy == 0 || ic.prec == 0 || ic.prec > 32) return kCannotLoad;
    Component& c = picture.components[i];
    c.dx = ic.dx;
    c.dy = ic.dy;
    c.precision = int(ic.prec);
    c.isSigned = ic.sgnd != 0;
    c.maxValue = ic.prec >= 32 ? 0xFFFFFFFFu : (1u << ic.prec) - 1;
    const uint32_t w = ceilDiv(image->x1, ic.dx) - ceilDiv(image->x0, ic.dx);
    const uint32_t h = ceilDiv(image->y1, ic.dy) - ceilDiv(image->y0, ic.dy);
    if (!Allocate(c, w, h, true)) return kCannotLoad;
    total += uint64_t(w) * h;
  }
  // A small stream cannot honestly stand for a vast picture.
  if (total > kMaxPictureSamples || !gbio::Justifies(gbio::kJpeg2000Ratio, uint64_t(size - ctx.start), total))
    return kCannotLoad;
  picture.space = spaceOf(image->color_space);
  if (headerOnly) return nullptr;

  if (!opj_decode(codec.get(), in.get(), image.get()) || !opj_end_decompress(codec.get(), in.get())) return kCannotLoad;
  // Palettes and channel definitions may have changed the component list.
  if (image->numcomps == 0 || !image->comps) return kCannotLoad;
  if (image->numcomps > kMaxComponents) return kTooManyComponents;
  picture.components.clear();
  picture.components.resize(image->numcomps);
  for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
    const opj_image_comp_t& ic = image->comps[i];
    if (!ic.data || ic.w == 0 || ic.h == 0 || ic.prec == 0 || ic.prec > 32) return kCannotLoad;
    if (uint64_t(ic.w) * ic.h > kMaxComponentSamples) return kCannotLoad;
    Component& c = picture.components[i];
    c.dx = ic.dx ? ic.dx : 1;
    c.dy = ic.dy ? ic.dy : 1;
    c.precision = int(ic.prec);
    c.isSigned = ic.sgnd != 0;
    c.maxValue = ic.prec >= 32 ? 0xFFFFFFFFu : (1u << ic.prec) - 1;
    c.width = ic.w;
    c.height = ic.h;
    c.samples.assign(ic.data, ic.data + size_t(ic.w) * ic.h);
    c.isAlpha = ic.alpha != 0;
    // Signed samples are centred on zero; offset by half the range they
    // read as the unsigned samples every viewer shows.
    if (c.isSigned && c.precision < 32) {
      const int32_t half = int32_t(1) << (c.precision - 1);
      for (int32_t& v : c.samples) v = std::clamp(v, -half, half - 1) + half;
      c.isSigned = false;
    }
  }
  // Without channel definitions, a second or fourth component is the
  // opacity of grey or colour, as writers of such files mean it.
  bool anyAlpha = false;
  for (const Component& c : picture.components) anyAlpha = anyAlpha || c.isAlpha;
  if (!anyAlpha && (picture.components.size() == 2 || picture.components.size() == 4))
    picture.components.back().isAlpha = true;
  picture.space = spaceOf(image->color_space);
  return nullptr;
}

const char* WriteJpeg2000(GbFile* stream, Format format, const Picture& picture, double rate) {
  const auto& comps = picture.components;
  if (comps.size() != 1 && comps.size() != 3) return kCannotCreate;
  const uint32_t width = comps[0].width, height = comps[0].height;

  opj_image_cmptparm_t parms[3];
  std::memset(parms, 0, sizeof parms);
  for (size_t i = 0; i < comps.size(); ++i) {
    parms[i].dx = parms[i].dy = 1;
    parms[i].w = width;
    parms[i].h = height;
    parms[i].prec = 8;
    parms[i].sgnd = 0;
  }
  std::unique_ptr<opj_image_t, ImageDeleter> image(
      opj_image_create(OPJ_UINT32(comps.size()), parms, comps.size() == 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY));
  if (!image) return kCannotCreate;
  image->x0 = image->y0 = 0;
  image->x1 = width;
  image->y1 = height;
  for (size_t i = 0; i < comps.size(); ++i) {
    if (!image->comps[i].data) return kCannotCreate;
    std::copy(comps[i].samples.begin(), comps[i].samples.end(), image->comps[i].data);
  }

  opj_cparameters_t parameters;
  opj_set_default_encoder_parameters(&parameters);
  parameters.tcp_numlayers = 1;
  parameters.tcp_rates[0] = rate > 0.0 && rate < 1.0 ? float(1.0 / rate) : 0.0f;  // 0: lossless
  parameters.cp_disto_alloc = 1;
  parameters.irreversible = 0;
  parameters.tcp_mct = comps.size() == 3 ? 1 : 0;
  // Every resolution level needs at least one pixel.
  int levels = 1;
  while (levels < 6 && (std::min(width, height) >> levels) > 0) ++levels;
  parameters.numresolution = levels;

  std::unique_ptr<opj_codec_t, CodecDeleter> codec(
      opj_create_compress(format == Format::JP2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
  if (!codec) return kCannotEncode;
  silence(codec.get());
  if (!opj_setup_encoder(codec.get(), &parameters, image.get())) return kCannotEncode;

  StreamContext ctx{stream, stream->Tell()};
  if (ctx.start < 0) return kCannotOpenOutput;
  std::unique_ptr<opj_stream_t, StreamDeleter> out(opj_stream_create(65536, OPJ_FALSE));
  if (!out) return kCannotOpenOutput;
  opj_stream_set_user_data(out.get(), &ctx, nullptr);
  opj_stream_set_write_function(out.get(), writeCallback);
  opj_stream_set_skip_function(out.get(), skipCallback);
  opj_stream_set_seek_function(out.get(), seekCallback);
  if (!opj_start_compress(codec.get(), image.get(), out.get()) || !opj_encode(codec.get(), out.get()) ||
      !opj_end_compress(codec.get(), out.get()))
    return kCannotEncode;
  return nullptr;
}

}  // namespace jas
