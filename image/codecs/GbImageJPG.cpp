#include "image/codecs/GbImageJPG.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "image/io/GbIOFile.h"

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace {

constexpr size_t kBufferSize = 4096;
// libjpeg's whole-image buffers (progressive files) may not grow past this.
constexpr long kMaxLibraryMemory = 1L << 30;
// A progressive file needs a handful of scans; thousands only burn time.
constexpr int kMaxScans = 1000;
constexpr const char* kTooManyScans = "JPEG file has too many scans";
constexpr const char* kNotForSink = "the picture cannot be taken row by row";

// libjpeg's error handler: the formatted message goes to the image, then
// control returns to the codec, which fails.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  GbImage* image;
  bool hitEnd = false;     // the file ended before the decoder was done
  bool hitMarker = false;  // the picture's data stopped short of its rows
};

[[noreturn]] void onError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  err->image->SetLastError(text);
  std::longjmp(err->jump, 1);
}

// Warnings are not printed; decoding carries on after them. The two that
// mean part of the picture is missing are remembered for the caller.
void onMessage(j_common_ptr) {}

void onEmit(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (level < 0) {
    if (err->pub.msg_code == JWRN_JPEG_EOF) err->hitEnd = true;
    if (err->pub.msg_code == JWRN_HIT_MARKER) err->hitMarker = true;
    ++err->pub.num_warnings;
  }
}

struct ProgressMonitor {
  jpeg_progress_mgr pub;
  GbImage* image;
};

void onProgress(j_common_ptr cinfo) {
  auto* monitor = reinterpret_cast<ProgressMonitor*>(cinfo->progress);
  if (cinfo->is_decompressor) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
      auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
      err->image->SetLastError(kTooManyScans);
      std::longjmp(err->jump, 1);
    }
  }
  const long total = monitor->pub.pass_limit * long(std::max(1, monitor->pub.total_passes));
  const long done = monitor->pub.pass_counter + monitor->pub.pass_limit * long(monitor->pub.completed_passes);
  if (total > 0) monitor->image->SetProgress(std::min(100L, done * 100 / total));
}

// One buffer serves reading and writing through a GbFile.
struct StreamAdapter {
  jpeg_source_mgr src;
  jpeg_destination_mgr dest;
  GbFile* file;
  bool startOfFile;
  JOCTET buffer[kBufferSize];
};

StreamAdapter* adapterOf(j_decompress_ptr cinfo) { return reinterpret_cast<StreamAdapter*>(cinfo->src); }
StreamAdapter* adapterOf(j_compress_ptr cinfo) {
  return reinterpret_cast<StreamAdapter*>(reinterpret_cast<char*>(cinfo->dest) - offsetof(StreamAdapter, dest));
}

void initSource(j_decompress_ptr cinfo) { adapterOf(cinfo)->startOfFile = true; }

boolean fillInputBuffer(j_decompress_ptr cinfo) {
  StreamAdapter* a = adapterOf(cinfo);
  size_t n = a->file->Read(a->buffer, 1, kBufferSize);
  if (n == 0) {
    if (a->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // A short file ends as if its end-of-image marker were there.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    a->buffer[0] = JOCTET(0xFF);
    a->buffer[1] = JOCTET(JPEG_EOI);
    n = 2;
  }
  a->src.next_input_byte = a->buffer;
  a->src.bytes_in_buffer = n;
  a->startOfFile = false;
  return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
  StreamAdapter* a = adapterOf(cinfo);
  if (count <= 0) return;
  while (size_t(count) > a->src.bytes_in_buffer) {
    count -= long(a->src.bytes_in_buffer);
    fillInputBuffer(cinfo);
  }
  a->src.next_input_byte += count;
  a->src.bytes_in_buffer -= size_t(count);
}

void termSource(j_decompress_ptr) {}

void initDestination(j_compress_ptr cinfo) {
  StreamAdapter* a = adapterOf(cinfo);
  a->dest.next_output_byte = a->buffer;
  a->dest.free_in_buffer = kBufferSize;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
  StreamAdapter* a = adapterOf(cinfo);
  if (a->file->Write(a->buffer, 1, kBufferSize) != kBufferSize) ERREXIT(cinfo, JERR_FILE_WRITE);
  a->dest.next_output_byte = a->buffer;
  a->dest.free_in_buffer = kBufferSize;
  return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
  StreamAdapter* a = adapterOf(cinfo);
  const size_t n = kBufferSize - a->dest.free_in_buffer;
  if (n > 0 && a->file->Write(a->buffer, 1, n) != n) ERREXIT(cinfo, JERR_FILE_WRITE);
  if (!a->file->Flush() || a->file->Error() != 0) ERREXIT(cinfo, JERR_FILE_WRITE);
}

// A resolution as a whole number of dots per inch that SetDpiX can take;
// 0 (the default 96) for nonsense.
int dpiFrom(double value) {
  if (!std::isfinite(value) || value < 1.0) return 0;
  return value > 1000000.0 ? 1000000 : int(value);
}

}  // namespace

GB_CODEC_FACTORY(GbImageJPG)

GbImageJPG::GbImageJPG() : GbImageCodec(GB_TYPE_JPG) { std::memset(static_cast<void*>(&exif_), 0, sizeof exif_); }

GbImageJPG::~GbImageJPG() = default;

bool GbImageJPG::DecodeExif(GbFile* f) {
  if (!f) return false;
  if (!reader_) reader_ = std::make_unique<GbExifInfo>(&exif_);
  const int32_t position = f->Tell();
  reader_->DecodeExif(f);
  f->Seek(position, GB_SEEK_SET);
  return exif_.isExif;
}

bool GbImageJPG::DecodeExif(std::FILE* handle) {
  if (!handle) return false;
  GbIOFile file(handle);
  return DecodeExif(&file);
}

bool GbImageJPG::Encode(std::FILE* handle) {
  if (!handle) return Encode(static_cast<GbFile*>(nullptr));
  GbIOFile file(handle);
  return Encode(&file);
}

const char* GbImageJPG::DecodeStream(GbFile* f) {
  DecodeExif(f);
  return ReadJpeg(f) ? nullptr : LastError();
}

void GbImageJPG::TakeResolution(int unit, int xDensity, int yDensity) {
  // EXIF first: its resolution replaces JFIF's whenever it gives one.
  bool fromExif = false;
  if (exif_.isExif && exif_.resolutionUnit != 0.0f) {
    if (exif_.xResolution != 0.0f) {
      SetDpiX(dpiFrom(double(exif_.xResolution) / exif_.resolutionUnit));
      fromExif = true;
    }
    if (exif_.yResolution != 0.0f) {
      SetDpiY(dpiFrom(double(exif_.yResolution) / exif_.resolutionUnit));
      fromExif = true;
    }
  }
  if (fromExif) return;
  switch (unit) {
    case 0:  // aspect ratio only
      if (xDensity > 0 && yDensity > 0) SetDpiY(dpiFrom(DpiX() * (double(yDensity) / xDensity)));
      break;
    case 2:  // dots per centimetre
      SetDpiX(int(std::floor(xDensity * 2.54 + 0.5)));
      SetDpiY(int(std::floor(yDensity * 2.54 + 0.5)));
      break;
    default:
      SetDpiX(xDensity);
      SetDpiY(yDensity);
      break;
  }
}

// Locals used after setjmp are either set before it or live in libjpeg's
// pools, so a jump back leaves nothing behind to clean up but libjpeg itself.
bool GbImageJPG::ReadJpeg(GbFile* f) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  ProgressMonitor progress;
  StreamAdapter adapter;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.output_message = onMessage;
  err.pub.emit_message = onEmit;
  err.image = this;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
  progress.pub.progress_monitor = onProgress;
  progress.image = this;
  cinfo.progress = &progress.pub;

  adapter.file = f;
  adapter.startOfFile = true;
  adapter.src.init_source = initSource;
  adapter.src.fill_input_buffer = fillInputBuffer;
  adapter.src.skip_input_data = skipInputData;
  adapter.src.resync_to_restart = jpeg_resync_to_restart;
  adapter.src.term_source = termSource;
  adapter.src.bytes_in_buffer = 0;
  adapter.src.next_input_byte = nullptr;
  cinfo.src = &adapter.src;

  jpeg_read_header(&cinfo, TRUE);

  const uint32_t options = CodecOption(GB_TYPE_JPG);
  if (options & JPEG_DECODE_GREY) cinfo.out_color_space = JCS_GRAYSCALE;
  if (options & JPEG_QUANTIZE) {
    cinfo.quantize_colors = TRUE;
    cinfo.desired_number_of_colors = JpegQuality();
  }
  if (options & JPEG_DITHER) cinfo.dither_mode = J_DITHER_MODE(std::clamp(dither_, 0, 2));
  if (options & JPEG_ONE_PASS) cinfo.two_pass_quantize = FALSE;
  if (options & JPEG_NO_FANCY_UPSAMPLING) cinfo.do_fancy_upsampling = FALSE;
  cinfo.scale_num = 1;
  cinfo.scale_denom = JpegScale() ? JpegScale() : 1;
  // Colour comes out in the image's blue, green, red order.
  const bool bgr = !cinfo.quantize_colors && cinfo.out_color_space == JCS_RGB;
  if (bgr) cinfo.out_color_space = JCS_EXT_BGR;

  jpeg_calc_output_dimensions(&cinfo);
  if (Probing()) {
    SizeFound(cinfo.output_width, cinfo.output_height, GB_TYPE_JPG);
    jpeg_destroy_decompress(&cinfo);
    return true;
  }
  // The image first: a size it can't hold is refused before libjpeg sets
  // up its own buffers for it. A sink takes plain colour pictures of a size
  // the image could hold, and the image keeps no pixels.
  const bool toSink = sink_ != nullptr;
  if (toSink) {
    if (!bgr || cinfo.output_components != 3 || !SizeAllowed(cinfo.output_width, cinfo.output_height, 24) ||
        !sink_->Begin(cinfo.output_width, cinfo.output_height)) {
      SetLastError(kNotForSink);
      jpeg_destroy_decompress(&cinfo);
      return false;
    }
    SetFileType(GB_TYPE_JPG);
  } else if (!Create(cinfo.output_width, cinfo.output_height, 8 * uint32_t(cinfo.output_components), GB_TYPE_JPG)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  TakeResolution(cinfo.density_unit, cinfo.X_density, cinfo.Y_density);

  jpeg_start_decompress(&cinfo);

  if (cinfo.quantize_colors) {
    const int n = std::min(cinfo.actual_number_of_colors, 256);
    JSAMPROW* map = cinfo.colormap;
    if (cinfo.out_color_components >= 3)
      SetPaletteChannels(uint32_t(n), map[0], map[1], map[2]);
    else
      SetPaletteChannels(uint32_t(n), map[0], nullptr, nullptr);
    SetColorsImportant(uint32_t(n));
  } else if (cinfo.output_components == 1) {
    SetGreyPalette();
  }

  const uint32_t width = cinfo.output_width, height = cinfo.output_height;
  const bool cmyk = cinfo.output_components == 4;
  JSAMPARRAY work = cmyk || toSink ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                                width * (cmyk ? 4 : 3), 1)
                                   : nullptr;
  const size_t used = size_t(width) * (cmyk ? 3 : size_t(cinfo.output_components));
  while (cinfo.output_scanline < height) {
    if (Escape()) {
      jpeg_destroy_decompress(&cinfo);
      return false;
    }
    const uint32_t at = height - 1 - cinfo.output_scanline;
    uint8_t* row = toSink ? nullptr : RowBits(at);
    JSAMPROW target = cmyk || toSink ? work[0] : row;
    if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) break;
    if (toSink) {
      sink_->Row(at, work[0]);
      continue;
    }
    if (cmyk) {
      // Multiplying each ink by the fourth byte gives the visible colour of
      // the (inverted, as stored) CMYK samples.
      const uint8_t* s = work[0];
      uint8_t* d = row;
      for (uint32_t x = 0; x < width; ++x, s += 4, d += 3) {
        d[0] = uint8_t(s[2] * s[3] / 255);
        d[1] = uint8_t(s[1] * s[3] / 255);
        d[2] = uint8_t(s[0] * s[3] / 255);
      }
    } else if (cinfo.output_components == 3 && !bgr && !cinfo.quantize_colors) {
      for (uint32_t x = 0; x < width; ++x) std::swap(row[3 * x], row[3 * x + 2]);
    }
    std::memset(row + used, 0, RowStride() - used);  // padding
  }
  const bool rowsMissing = cinfo.output_scanline < height;
  // Rows the library did not deliver are black, not whatever the memory held.
  if (!toSink)
    for (uint32_t s = cinfo.output_scanline; s < height; ++s) std::memset(RowBits(height - 1 - s), 0, RowStride());
  if (toSink && rowsMissing) {
    // The whole-picture decode makes such rows black; keep to that one way.
    SetLastError(kNotForSink);
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  // A missing end marker alone costs nothing; data cut short leaves the
  // decoder's grey (or black rows) where the picture should be.
  if (err.hitMarker || rowsMissing)
    SetWarning(err.hitEnd ? "the file ends early; the rest of the picture is blank"
                          : "the picture's data is damaged; part of the picture is blank");
  SetProgress(100);
  return true;
}

bool GbImageJPG::Encode(GbFile* f) {
  if (CheckEncodable(f)) return false;
  if (BitsPerPixel() != 24 && !IsGreyScale()) {
    SetLastError("JPEG can save only RGB or GreyScale images");
    return false;
  }
  return EncodeStream(f);
}

bool GbImageJPG::EncodeStream(GbFile* f) {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  StreamAdapter adapter;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.output_message = onMessage;
  err.image = this;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  adapter.file = f;
  adapter.dest.init_destination = initDestination;
  adapter.dest.empty_output_buffer = emptyOutputBuffer;
  adapter.dest.term_destination = termDestination;
  cinfo.dest = &adapter.dest;

  const bool grey = BitsPerPixel() != 24;
  cinfo.image_width = Width();
  cinfo.image_height = Height();
  cinfo.input_components = grey ? 1 : 3;
  cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;  // rows go in as stored
  jpeg_set_defaults(&cinfo);

  const uint32_t options = CodecOption(GB_TYPE_JPG);
  if (options & JPEG_ARITHMETIC) cinfo.arith_code = TRUE;
  if (options & JPEG_OPTIMIZE) cinfo.optimize_coding = TRUE;
  if (options & JPEG_GREYSCALE) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
  if (options & JPEG_SMOOTHING) cinfo.smoothing_factor = std::clamp(smoothing_, 0, 100);
  jpeg_set_quality(&cinfo, JpegQuality(), (options & JPEG_FORCE_BASELINE) ? TRUE : FALSE);
  if (options & JPEG_PROGRESSIVE) jpeg_simple_progression(&cinfo);
  if (cinfo.num_components >= 3) {
    int h = 2, v = 2;
    if (options & JPEG_SUBSAMPLE_444)
      h = v = 1;
    else if (options & JPEG_SUBSAMPLE_422)
      v = 1;
    cinfo.comp_info[0].h_samp_factor = h;
    cinfo.comp_info[0].v_samp_factor = v;
    for (int c = 1; c < cinfo.num_components; ++c)
      cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
  }
  cinfo.density_unit = 1;
  cinfo.X_density = UINT16(std::clamp(DpiX(), 1, 65535));
  cinfo.Y_density = UINT16(std::clamp(DpiY(), 1, 65535));

  jpeg_start_compress(&cinfo, TRUE);
  const uint32_t height = Height();
  while (cinfo.next_scanline < height) {
    JSAMPROW row = RowBits(height - 1 - cinfo.next_scanline);
    jpeg_write_scanlines(&cinfo, &row, 1);
    SetProgress(long(cinfo.next_scanline) * 100 / long(height));
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}
